// A character moves across and fades: renderer int parameter 0 goes from x = float parameter 0 to
// float parameter 1 while its alpha goes from float parameter 2 to float parameter 3, over int
// parameter 1 frames, easing out.
void Update()
{
    uint id = GetIntParam(0);
    int frames = GetIntParam(1);
    float x, y, z, r, g, b, a;
    GetPosition(id, x, y, z);
    GetColor(id, r, g, b, a);
    for (int f = 1; f <= frames; f++) {
        float k = float(f) / frames;
        k = 1 - (1 - k) * (1 - k);
        SetPosition(id, GetFloatParam(0) + (GetFloatParam(1) - GetFloatParam(0)) * k, y, z);
        SetColor(id, r, g, b, GetFloatParam(2) + (GetFloatParam(3) - GetFloatParam(2)) * k);
        if (f < frames)
            Wait(1);
    }
}

// Thunder: the background and both characters shake for int parameter 0 frames, less and less, then
// stand where they were.
array<uint> ids = {10, 20, 21};
array<float> xs(3), ys(3);

void Update()
{
    float z;
    for (uint i = 0; i < ids.length(); i++)
        GetPosition(ids[i], xs[i], ys[i], z);
    int frames = GetIntParam(0);
    for (int f = 0; f < frames; f++) {
        float amount = 12.0f * (frames - f) / frames;
        float dx = GetRandFloat(-amount, amount), dy = GetRandFloat(-amount, amount);
        for (uint i = 0; i < ids.length(); i++)
            SetPosition(ids[i], xs[i] + dx, ys[i] + dy, 0);
        Wait(1);
    }
}

void CleanUp()
{
    for (uint i = 0; i < ids.length(); i++)
        SetPosition(ids[i], xs[i], ys[i], 0);
}

// The second half of a load: the restored background and characters come up from black over 30
// frames to the colours the save gave them.
const uint FRAMES = 30;
array<uint> ids = {10, 20, 21, 40};

void Update()
{
    array<float> r(ids.length()), g(ids.length()), b(ids.length()), a(ids.length());
    for (uint i = 0; i < ids.length(); i++)
        GetColor(ids[i], r[i], g[i], b[i], a[i]);
    for (uint f = 0; f <= FRAMES; f++) {
        float k = float(f) / FRAMES;
        for (uint i = 0; i < ids.length(); i++)
            SetColor(ids[i], r[i] * k, g[i] * k, b[i] * k, a[i]);
        if (f < FRAMES)
            Wait(1);
    }
}

// The first half of a load: the background and the characters darken to black over 30 frames.
const uint FRAMES = 30;
array<uint> ids = {10, 20, 21, 40};

void Update()
{
    array<float> r(ids.length()), g(ids.length()), b(ids.length()), a(ids.length());
    for (uint i = 0; i < ids.length(); i++)
        GetColor(ids[i], r[i], g[i], b[i], a[i]);
    for (uint f = 1; f <= FRAMES; f++) {
        float k = 1.0f - float(f) / FRAMES;
        for (uint i = 0; i < ids.length(); i++)
            SetColor(ids[i], r[i] * k, g[i] * k, b[i] * k, a[i]);
        Wait(1);
    }
}

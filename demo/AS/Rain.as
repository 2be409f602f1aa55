// Rain outside the window, a resident direction: 32 billboard streaks of parts texture 1 fall behind
// the characters and start again at the top. A load restarts it here with new drops.
const uint DROPS = 32;
array<float> xs(DROPS), ys(DROPS), speeds(DROPS);

void Update()
{
    EnableBBRendering(DROPS);
    SetBBResourceIndex(1);
    SetBBBasePosition(0, 0, -1);
    for (uint i = 0; i < DROPS; i++) {
        xs[i] = GetRandFloat(60, 740);
        ys[i] = GetRandFloat(-40, 560);
        speeds[i] = GetRandFloat(9, 15);
        SetBBColor(i, 1, 1, 1, GetRandFloat(0.4f, 0.8f));
        SetBBRendering(i, true);
    }
    while (true) {
        for (uint i = 0; i < DROPS; i++) {
            ys[i] += speeds[i];
            if (ys[i] > 560) {
                ys[i] = -40;
                xs[i] = GetRandFloat(60, 740);
            }
            SetBBPosition(i, xs[i], ys[i], 0);
        }
        Wait(1);
    }
}

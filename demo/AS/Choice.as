// The demo's choice items: each slides in from the left while it fades up, lights under the cursor and
// flashes when chosen. Create parameter 0 is the item's answer (part 0-2 of the sheet; its lit look is
// part + 3), parameter 1 its place in the list, which delays its entrance.
const int SLIDE_FRAMES = 18;
const float SLIDE_FROM = -160;

void Appear()
{
    int answer = GetCreateParam(0);
    SetPatNo(answer);
    SetColor(1, 1, 1, 0);
    SetOffset(SLIDE_FROM, 0, 0);
    WaitAlt(1 + 4 * GetCreateParam(1));
    for (int f = 1; f <= SLIDE_FRAMES; f++) {
        float k = float(f) / SLIDE_FRAMES;
        float left = 1 - k;
        SetOffset(SLIDE_FROM * left * left, 0, 0);
        SetColor(1, 1, 1, k);
        WaitAlt(1);
    }
    SetEnableEvent(true);
}

void On()
{
    SetPatNo(GetCreateParam(0) + 3);
}

void Off()
{
    SetPatNo(GetCreateParam(0));
}

void Selected()
{
    int answer = GetCreateParam(0);
    SetOffset(0, 0, 0);
    SetColor(1, 1, 1, 1);
    // Lit and fully there, then plain and faint, by turns.
    for (int i = 0; i < 8; i++) {
        bool on = i % 2 == 0;
        SetPatNo(on ? answer + 3 : answer);
        SetColor(1, 1, 1, on ? 1.0f : 0.35f);
        WaitAlt(5);
    }
    SetPatNo(answer + 3);
    SetColor(1, 1, 1, 1);
    WaitAlt(10);
    FinishSelectedDirection();
}

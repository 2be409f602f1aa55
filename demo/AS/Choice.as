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
    for (int i = 0; i < 6; i++) {
        SetPatNo(i % 2 == 0 ? answer + 3 : answer);
        WaitAlt(4);
    }
    SetPatNo(answer + 3);
    WaitAlt(6);
    FinishSelectedDirection();
}

// The message log: the three rows the novel system fills as the log scrolls (text buffers 2-7, which
// "AS\InitNovel.as" sets up as text and speaker pairs), each with a button that replays its voice, on
// a translucent panel. The wheel scrolls it; turning down past the newest message, a right click or
// BACK closes it.
const uint kRows = 3;

void Initialize()
{
    LoadResource("ui\\menu.png", "ui\\menu.parts");
    AddUIImage(30, 0, 0, -1, DirectPatNo(27));
    AddUIImage(31, 40, 30, -2, DirectPatNo(26));
    int replay = GetFunctionID("void PressVoice()");
    for (uint i = 0; i < kRows; ++i) {
        float y = 100 + 150 * i;
        AddUIText(10 + i, 80, y, -2, 3 + 2 * i, DirectPatNo(0));
        AddUIText(20 + i, 80, y + 30, -2, 2 + 2 * i, DirectPatNo(0));
        AddUILogVoiceButton(1 + i, 24, y + 28, -2, 0, 0, 39, 25, i, DirectPatNo(24), DirectPatNo(23), replay,
                            DirectPatNo(23));
    }
    AddUIButton(40, 600, 540, -2, 0, 0, 159, 31, DirectPatNo(19), DirectPatNo(18), GetFunctionID("void PressBack()"),
                DirectPatNo(18));
}

void PressVoice()
{
    SetPatNo(0, 25);
    WaitCtrl(6);
    SendSignal(0);
}

void PressBack() { CloseUIWindow(); SendSignal(0); }

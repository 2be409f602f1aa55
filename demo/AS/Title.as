// The title screen: the game's title over its picture and five buttons. A new game and quitting leave
// their choice in game parameter 0 for the title scenario (1 new game, 3 quit) and close the screen;
// the load, configuration and gallery screens open above it.
void Initialize()
{
    LoadResource("ui\\menu.png", "ui\\menu.parts");
    AddUIImage(10, 250, 110, 0, DirectPatNo(20));
    AddTitleButton(0, GetFunctionID("void PressNewGame()"));
    AddTitleButton(1, GetFunctionID("void PressLoad()"));
    AddTitleButton(2, GetFunctionID("void PressConfig()"));
    AddTitleButton(3, GetFunctionID("void PressGallery()"));
    AddTitleButton(4, GetFunctionID("void PressQuit()"));
}

// Button i sits 44 i below the first; its looks are parts i (normal), 5 + i (under the cursor) and
// 10 + i (pressed) of the sheet.
void AddTitleButton(uint i, int pressed)
{
    AddUIButton(i, 320, 300 + 44 * i, 0, 0, 0, 159, 31, DirectPatNo(5 + i), DirectPatNo(i), pressed, DirectPatNo(i));
}

// The pressed look shows for a few frames before the action.
void Press(uint i)
{
    SetPatNo(0, 10 + i);
    WaitCtrl(6);
}

void Choose(int choice)
{
    SetGameParameter(0, choice);
    CloseAllUIDialog();
    SendSignal(0);
}

void PressNewGame() { Press(0); Choose(1); }
void PressLoad() { Press(1); OpenChildDialog("AS\\Load.as"); SendSignal(0); }
void PressConfig() { Press(2); OpenChildDialog("AS\\Config.as"); SendSignal(0); }
void PressGallery() { Press(3); OpenChildDialog("AS\\Gallery.as"); SendSignal(0); }
void PressQuit() { Press(4); Choose(3); }

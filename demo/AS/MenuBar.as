// The button bar on the message window: the save, load and configuration screens, automatic mode,
// skip, quick save, quick load, the message log and hiding the window until a click. Each button shows its pressed look for a few frames while its
// action runs, then returns to the look the cursor gives it.
void Initialize()
{
    LoadResource("ui\\bar.png", "ui\\bar.parts");
    AddBarButton(4, 0, GetFunctionID("void PressSave()"));
    AddBarButton(5, 1, GetFunctionID("void PressLoad()"));
    AddBarButton(6, 2, GetFunctionID("void PressConfig()"));
    AddBarButton(0, 3, GetFunctionID("void PressAuto()"));
    AddBarButton(1, 4, GetFunctionID("void PressSkip()"));
    AddBarButton(2, 5, GetFunctionID("void PressQuickSave()"));
    AddBarButton(3, 6, GetFunctionID("void PressQuickLoad()"));
    AddBarButton(7, 7, GetFunctionID("void PressLog()"));
    AddBarButton(8, 8, GetFunctionID("void PressHide()"));
}

// Column c of the bar sits at 66 c; its looks are parts c (normal), 9 + c (under the cursor),
// 18 + c (pressed) and 27 + c (disabled) of the sheet.
void AddBarButton(uint id, int c, int pressed)
{
    AddUIButton(id, 66 * c, 0, 0, 0, 0, 63, 23, DirectPatNo(9 + c), DirectPatNo(c), pressed, DirectPatNo(27 + c));
}

void Release()
{
    WaitCtrl(6);
    SendSignal(0);
}

// The save screen's thumbnails show the game as it is now, without the screen in front of it.
void PressSave() { SetPatNo(0, 18); SnapNowFrame(); SendCommandToNovelSystem(4); Release(); }
void PressLoad() { SetPatNo(0, 19); SendCommandToNovelSystem(6); Release(); }
void PressConfig() { SetPatNo(0, 20); SendCommandToNovelSystem(7); Release(); }
void PressAuto() { SetPatNo(0, 21); SendCommandToNovelSystem(1); Release(); }
void PressSkip() { SetPatNo(0, 22); SendCommandToNovelSystem(0); Release(); }
void PressQuickSave() { SetPatNo(0, 23); QuickSave(); Release(); }
void PressQuickLoad() { SetPatNo(0, 24); QuickLoad(); Release(); }
void PressLog() { SetPatNo(0, 25); SendCommandToNovelSystem(2); Release(); }
void PressHide() { SetPatNo(0, 26); SendCommandToNovelSystem(5); Release(); }

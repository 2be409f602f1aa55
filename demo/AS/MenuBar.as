// The button bar on the message window: automatic mode, skip, quick save and quick load. Each
// button shows its pressed look for a few frames while its action runs, then returns to the look
// the cursor gives it.
void Initialize()
{
    LoadResource("ui\\bar.png", "ui\\bar.parts");
    AddBarButton(0, GetFunctionID("void PressAuto()"));
    AddBarButton(1, GetFunctionID("void PressSkip()"));
    AddBarButton(2, GetFunctionID("void PressQuickSave()"));
    AddBarButton(3, GetFunctionID("void PressQuickLoad()"));
}

// Button i sits at 66 i; its looks are parts i (normal), 4 + i (under the cursor), 8 + i (pressed)
// and 12 + i (disabled) of the sheet.
void AddBarButton(uint i, int pressed)
{
    AddUIButton(i, 66 * i, 0, 0, 0, 0, 63, 23, DirectPatNo(4 + i), DirectPatNo(i), pressed, DirectPatNo(12 + i));
}

void Release()
{
    WaitCtrl(6);
    SendSignal(0);
}

void PressAuto() { SetPatNo(0, 8); SendCommandToNovelSystem(1); Release(); }
void PressSkip() { SetPatNo(0, 9); SendCommandToNovelSystem(0); Release(); }
void PressQuickSave() { SetPatNo(0, 10); QuickSave(); Release(); }
void PressQuickLoad() { SetPatNo(0, 11); QuickLoad(); Release(); }

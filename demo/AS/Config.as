// The configuration screen: master, music, effect and voice volumes as gauges of ten cells, text
// speed and the automatic mode's wait as choices, window or full screen, and whether skipping
// passes text not yet read. Each control writes its value at once; BACK stores the settings.
// Depths as on the save and load screens: the panel at -2, everything on it at -3.

const int kConfig = 1;      // variable kind: a configuration value
const int kFullScreen = 4;  // variable kind: the full-screen value

void Initialize()
{
    LoadResource("ui\\screens.png", "ui\\screens.parts");
    AddUIImage(60, 10, 10, -2, DirectPatNo(43));
    AddUIImage(61, 30, 20, -3, DirectPatNo(31));
    // Volumes 0-3 run 0-100: cell k stands for 10 (k + 1) and is lit up to the value.
    for (uint v = 0; v < 4; ++v) {
        float y = 80 + 40 * v;
        AddUIImage(70 + v, 60, y, -3, DirectPatNo(32 + v));
        BeginSubButtons();
        for (int k = 0; k < 10; ++k)
            AddSubButtonInfo(26, 25, 10 * (k + 1), 16 * k, 0, 0, 0, 11, 15);
        AddUINumberButton(1 + v, 200, y, -3, kConfig, v);
    }
    // Text speed (4 steps, fastest last) and the automatic mode's wait (3 steps, shortest last).
    AddChoiceRow(5, 36, 260, 4, kConfig, CFG_CHAR_DRAW_INTERVAL);
    AddChoiceRow(6, 37, 300, 3, kConfig, CFG_AUTOMODE_WAIT_FRAME);
    // Window (0) or full screen (1), each box with its label.
    AddUIImage(77, 60, 340, -3, DirectPatNo(38));
    AddUIImage(78, 224, 340, -3, DirectPatNo(39));
    AddUIImage(79, 344, 340, -3, DirectPatNo(40));
    BeginSubButtons();
    AddSubButtonInfo(28, 27, 0, 0, 0, 0, 0, 15, 15);
    AddSubButtonInfo(28, 27, 1, 120, 0, 0, 0, 15, 15);
    AddUIRadioButton(7, 200, 340, -3, kFullScreen, 0);
    AddUIImage(80, 60, 380, -3, DirectPatNo(41));
    AddUICheckBox(8, 200, 380, -3, 0, 0, 15, 15, DirectPatNo(27), DirectPatNo(28), DirectPatNo(27), DirectPatNo(28),
                  DirectPatNo(27), GetFunctionID("int IsSkipUnread()"), GetFunctionID("void ToggleSkipUnread()"));
    AddUIButton(42, 720, 560, -3, 0, 0, 47, 19, DirectPatNo(22), DirectPatNo(17), GetFunctionID("void PressBack()"),
                DirectPatNo(17));
}

// A label (a part of the sheet) and a row of n boxes for the values 0..n-1 of a variable.
void AddChoiceRow(uint id, int label, float y, int n, int kind, int index)
{
    AddUIImage(70 + id, 60, y, -3, DirectPatNo(label));
    BeginSubButtons();
    for (int k = 0; k < n; ++k)
        AddSubButtonInfo(28, 27, k, 24 * k, 0, 0, 0, 15, 15);
    AddUIRadioButton(id, 200, y, -3, kind, index);
}

int IsSkipUnread() { return GetConfigValue(CFG_ENABLE_FAST_SKIP); }
void ToggleSkipUnread() { SetConfigValue(CFG_ENABLE_FAST_SKIP, GetConfigValue(CFG_ENABLE_FAST_SKIP) == 0 ? 1 : 0); }

void PressBack() { SaveConfig(); CloseUIWindow(); SendSignal(0); }

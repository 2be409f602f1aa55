// The save and load screens' common part: a page of twelve slot buttons, each under its slot's
// thumbnail and showing the slot number and time stamp, with previous/next page buttons and a back
// button. The including screen gives "void PressSlot(uint slot)", run when a slot is clicked.
// Control ids: slot buttons 1-12, thumbnails 21-32, PREV 40, NEXT 41, BACK 42, panel 60, title 61.
// Depths: the panel at -2 and everything on it at -3, in front of the message window (0) and its
// text and button bar (-1).

// One page holds as many slots as the save manager shows at once (see InitSystem.as).
const uint kSlotsPerPage = 12;

// The sheet, the panel, the title (a part of the sheet), the slots of the page last shown, and
// the page and back buttons.
void BuildSlotScreen(int title)
{
    LoadResource("ui\\screens.png", "ui\\screens.parts");
    AddUIImage(60, 10, 10, -2, DirectPatNo(43));
    AddUIImage(61, 30, 20, -3, DirectPatNo(title));
    // The first opening starts on the first page; later ones re-read the page they left.
    if (GetSaveViewTop() == 0xFFFFFFFF)
        SetSaveViewTop(0);
    else
        UpdateSaveDataInfo();
    int pressed = GetFunctionID("void PressSlot(uint)");
    for (uint i = 0; i < kSlotsPerPage; ++i) {
        float x = 30 + 190 * (i % 4), y = 45 + 170 * (i / 4);
        AddUIThumnailRender(21 + i, i, x, y, -3);
        // The whole cell, thumbnail included, takes the click.
        AddUISaveFileButton(1 + i, i, x, y + 120, -3, 0, -120, 159, 159, DirectPatNo(0), DirectPatNo(1),
                            DirectPatNo(2), DirectPatNo(3), pressed);
    }
    AddScreenButton(40, 300, 560, 0, GetFunctionID("void PressPrev()"));
    AddScreenButton(41, 360, 560, 1, GetFunctionID("void PressNext()"));
    AddScreenButton(42, 720, 560, 2, GetFunctionID("void PressBack()"));
}

// Button b of the sheet (0 PREV, 1 NEXT, 2 BACK, 3 YES, 4 NO): parts 15 + b, 20 + b under the cursor.
void AddScreenButton(uint id, float x, float y, int b, int pressed)
{
    AddUIButton(id, x, y, -3, 0, 0, 47, 19, DirectPatNo(20 + b), DirectPatNo(15 + b), pressed, DirectPatNo(15 + b));
}

// The save manager keeps the first shown slot within its slots.
void PressPrev()
{
    uint top = GetSaveViewTop();
    SetSaveViewTop(top < kSlotsPerPage ? 0 : top - kSlotsPerPage);
    SendSignal(0);
}
void PressNext() { SetSaveViewTop(GetSaveViewTop() + kSlotsPerPage); SendSignal(0); }
void PressBack() { CloseUIWindow(); SendSignal(0); }

// The save screen: a click on an empty slot saves there; on a used slot it asks first, and only
// YES overwrites it. The question replaces the page until it is answered.
#include "SlotScreen.as"

uint pending = 0;

void Initialize()
{
    BuildSlotScreen(29);
    // Tab group 0 is the page, group 1 the question.
    AddTabControl();
    for (uint id = 1; id <= 42; ++id)
        AddControlToTabControl(0, id, 0);
    AddUIImage(50, 352, 260, -3, DirectPatNo(42));
    AddScreenButton(51, 330, 300, 3, GetFunctionID("void PressYes()"));
    AddScreenButton(52, 420, 300, 4, GetFunctionID("void PressNo()"));
    for (uint id = 50; id <= 52; ++id)
        AddControlToTabControl(0, id, 1);
    SetActiveGroupTabControl(0, 0);
}

void PressSlot(uint slot)
{
    if (IsExistSaveData(slot)) {
        pending = slot;
        SetActiveGroupTabControl(0, 1);
    } else {
        Save(slot);
    }
    SendSignal(0);
}

void PressYes() { Save(pending); SetActiveGroupTabControl(0, 0); SendSignal(0); }
void PressNo() { SetActiveGroupTabControl(0, 0); SendSignal(0); }

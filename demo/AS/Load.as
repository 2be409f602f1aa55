// The load screen: a click on a used slot loads it and closes every dialog; empty slots do nothing.
#include "SlotScreen.as"

void Initialize()
{
    BuildSlotScreen(30);
}

void PressSlot(uint slot)
{
    if (IsExistSaveData(slot)) {
            Load(slot);
        CloseAllUIDialog();
    }
    SendSignal(0);
}

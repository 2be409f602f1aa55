// The controls of save and load screens: one button per save slot showing its number and time
// stamp, the thumbnail of a fixed slot, and the thumbnail of the slot whose button the cursor last
// passed over.
#pragma once
#include "novel/state/SaveDataManager.h"
#include "novel/ui/UIControl.h"

// The slot whose button the cursor was over last, -1 when none; a snapshot image takes it over.
int& HoveredSaveSlot();
// Entry `slot` of the save manager's current page, or the quick-save entry for -1; null outside.
CSaveDataInfoNode* SaveSlotNode(std::int32_t slot);

// Looks: 0 empty, 1 empty under the cursor, 2 used, 3 used under the cursor, 4 pressed (the
// script function then gets the slot number; the button stays busy until it is signalled).
class CUISaveFileButton : public CUISpriteControl {
public:
    ~CUISaveFileButton() override { characters_.Release(); }
    bool Update(float x, float y, std::uint32_t input) override;
    void Render(const float windowPosition[3], const ResourceList& sheets) override;
    void Signal(int) override { busy_ = false; }
    void ReleaseResources() override {
        CUISpriteControl::ReleaseResources();
        characters_.Release();
    }
    virtual void Setup(std::int32_t slot, asIScriptContext* context, std::int32_t empty, std::int32_t emptyOver,
                       std::int32_t used, std::int32_t usedOver, std::int32_t pressed);
    bool IsBusy() const { return busy_; }

private:
    std::int32_t slot_ = 0;
    CUISprite characters_;
    std::int32_t ids_[5] = {-1, -1, -1, -1, -1};
    int shown_ = -1;
    bool busy_ = false;
};

// The thumbnail of one slot; the snapshot image's slot follows the hovered slot.
class CUISaveDataThumbnail : public BaseUIControl {
public:
    bool Update(float, float, std::uint32_t) override { return false; }
    void Render(const float windowPosition[3], const ResourceList& sheets) override;
    virtual void ReleaseResources() { sprite_.Release(); }
    virtual void Setup(std::int32_t slot);
    std::int32_t GetSlot() const { return slot_; }

protected:
    // The entry drawn: the thumbnail's slot, -1 meaning the quick save.
    virtual CSaveDataInfoNode* Node() { return SaveSlotNode(slot_); }

    CUISprite sprite_;
    std::int32_t slot_ = -1;
};

class CUISaveDataSnapImage : public CUISaveDataThumbnail {
public:
    bool Update(float x, float y, std::uint32_t input) override;
    virtual void Setup() { CUISaveDataThumbnail::Setup(-1); }

protected:
    // No slot hovered yet: nothing.
    CSaveDataInfoNode* Node() override { return slot_ == -1 ? nullptr : SaveSlotNode(slot_); }
};

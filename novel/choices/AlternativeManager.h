// The choice manager: shows the items of a choice, runs their scripts on an engine of its own, and
// yields the value of the chosen item (a byte offset in the scenario code), or the default value when
// the time-out runs out. Its record is part of the novel system's.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/save/USBinaryStream.h"
#include "novel/choices/AltNode.h"
#include "novel/scenes/USFSM.h"
#include "novel/script/ASCommon.h"

class CRendererManager;

class CAlternativeManager {
public:
    // The user-data slot under which an item's context holds the manager.
    static constexpr asPWORD kUserDataType = 0x414C544Du;
    // The one-shots and states of a choice.
    enum OneShot : std::int32_t { kEnterSelecting, kEnterSelected, kEnterTimedOut };
    enum State : std::int32_t { kSelecting, kSelected, kTimedOut };
    static constexpr std::int32_t kNoTimeOut = -1;

    CAlternativeManager();
    CAlternativeManager(const CAlternativeManager&) = delete;
    CAlternativeManager& operator=(const CAlternativeManager&) = delete;
    virtual ~CAlternativeManager() { Clear(); }

    // Deletes every item and releases the engine.
    virtual void Clear();
    // A fresh engine with the choice script interface; false (logged) when a registration failed.
    virtual bool Initialize(CRendererManager* renderers);
    virtual CRendererManager* GetRendererManager() const { return renderers_; }
    // Builds the choice script and finds its four entry functions. A script that does not build keeps
    // the previous name, and no entry of the discarded module is run.
    virtual void LoadScript(const char* fileName);
    // Deletes every item, restarts the machine and switches the time-out off.
    virtual void Reset();
    // Adds an image item with its own context, the manager's create parameters and the entry functions.
    virtual void AddChoice(float offsetX, float offsetY, float offsetZ, std::uint32_t source, std::uint32_t value,
                           float rectX, float rectY, float rectWidth, float rectHeight);
    // One step with the cursor and the mouse buttons (bit 0 left); true when the phase ended: an item
    // was chosen, the time-out gave the default, or the chosen item's script finished.
    virtual bool Update(float x, float y, std::uint32_t buttons);
    // Steps every item's script and queues every visible item.
    virtual void Draw();
    virtual void DeleteNodes();
    // Ends the selected phase at the next Update.
    virtual void Finish() { finished_ = 1; }
    // Script name, time-out, default value and the items.
    virtual void Save(USLib::binary_ostream<256>& out) const;
    // Builds the saved script again, restores the items, and starts the choice over (items play Appear).
    virtual void Load(USLib::binary_istream& in, std::uint32_t version);

    void SetCreateParam(std::uint32_t i, std::uint32_t value) {
        if (i < CBaseAltNode::kCreateParamCount) createParams_[i] = value;
    }
    void SetTimeOut(std::int32_t frames) { timeOut_ = frames; }
    std::int32_t GetTimeOut() const { return timeOut_; }
    void SetDefaultValue(std::uint32_t value) { defaultValue_ = value; }
    std::uint32_t GetDefaultValue() const { return defaultValue_; }
    std::uint32_t GetSelectedValue() const { return selectedValue_; }
    const std::string& GetScriptName() const { return scriptName_; }
    std::int32_t GetEntry(std::uint32_t i) const { return i < CAltInfoImage::kEntryCount ? entries_[i] : -1; }
    std::int32_t GetState() const { return fsm_.GetState(); }
    asIScriptEngine* GetEngine() const { return engine_; }
    std::size_t GetItemCount() const { return items_.size(); }
    IAltNode* GetItem(std::size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
    // The item whose script runs, or null outside Update and Draw.
    IAltNode* GetCurrentItem() const { return current_ < items_.size() ? items_[current_].get() : nullptr; }
    // The manager of the running choice script, or null outside one.
    static CAlternativeManager* Current();

private:
    void EnterSelecting();
    void EnterSelected();
    void EnterTimedOut();
    void UpdateSelecting();
    void UpdateSelected();
    void UpdateTimedOut();
    // A new image item with a context, its sprite and the entry functions.
    std::unique_ptr<CAltInfoImage> NewItem();

    CUSFSM<CAlternativeManager, 3, 3> fsm_;
    std::vector<std::unique_ptr<IAltNode>> items_;
    std::size_t current_ = static_cast<std::size_t>(-1);
    asIScriptEngine* engine_ = nullptr;
    std::string scriptName_;
    std::int32_t entries_[CAltInfoImage::kEntryCount] = {asNO_FUNCTION, asNO_FUNCTION, asNO_FUNCTION, asNO_FUNCTION};
    std::uint8_t finished_ = 0;
    float x_ = 0, y_ = 0;
    std::uint32_t buttons_ = 0;
    std::uint8_t result_ = 0;
    std::uint32_t selectedValue_ = 0;
    std::uint32_t createParams_[CBaseAltNode::kCreateParamCount] = {};
    std::int32_t timeOut_ = kNoTimeOut;
    std::uint32_t defaultValue_ = 0;
    CRendererManager* renderers_ = nullptr;
};

// Registers the choice script functions, "IRenderer" and "IRenderer &GetRenderer(uint32)" (after the
// common interface); true when every registration succeeded.
bool RegisterChoiceInterface(asIScriptEngine* engine);
// Number of global functions that RegisterChoiceInterface registers.
std::uint32_t ChoiceFunctionCount();

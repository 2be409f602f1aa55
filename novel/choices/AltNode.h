// Choice items: one selectable picture of a choice. An item shows a part of a parts texture of the
// novel system, tests the cursor against its rectangle and runs the idle / hover / chosen machine
// whose steps start the choice script's "Appear", "Off", "On" and "Selected" in the item's own context.
#pragma once
#include <cstdint>

#include "engine/save/USBinaryStream.h"
#include "novel/scenes/USFSM.h"
#include "novel/ui/UIControl.h"

// What the choice manager needs of any kind of item.
class IAltNode {
public:
    virtual ~IAltNode() = default;
    virtual void SetKind(std::uint32_t kind) = 0;
    virtual std::uint32_t GetKind() const = 0;
    virtual void SetValue(std::uint32_t value) = 0;
    virtual std::uint32_t GetValue() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetEnableEvent(bool enable) = 0;
    virtual bool IsEnableEvent() const = 0;
    virtual void SetOffset(float x, float y, float z) = 0;
    virtual const float* GetOffset() const = 0;
    virtual CUIRenderInfo* GetRenderInfo() = 0;
    virtual void SetRect(float x, float y, float w, float h) = 0;
    // One step of the item with this step's cursor and buttons; true in the step in which it was chosen.
    virtual bool Update(float x, float y, std::uint32_t buttons) = 0;
    virtual void Draw() = 0;
    virtual bool HitTest(float x, float y) const = 0;
    virtual void MoveCursorToCentre() = 0;
    virtual std::uint32_t GetCreateParam(std::uint32_t i) const = 0;
    virtual void SetCreateParam(std::uint32_t i, std::uint32_t value) = 0;
    virtual void Save(USLib::binary_ostream<256>& out) const = 0;
    // Reads the record after its kind word, which the manager has read to choose the class.
    virtual void Load(USLib::binary_istream& in, std::uint32_t version) = 0;
};

// The data every kind of item shares, and its part of the saved record.
class CBaseAltNode : public IAltNode {
public:
    static constexpr std::uint32_t kCreateParamCount = 4;

    void SetKind(std::uint32_t kind) override { kind_ = kind; }
    std::uint32_t GetKind() const override { return kind_; }
    void SetValue(std::uint32_t value) override { value_ = value; }
    std::uint32_t GetValue() const override { return value_; }
    void SetVisible(bool visible) override { visible_ = visible ? 1 : 0; }
    bool IsVisible() const override { return visible_ != 0; }
    void SetEnableEvent(bool enable) override { enableEvent_ = enable ? 1 : 0; }
    bool IsEnableEvent() const override { return enableEvent_ != 0; }
    void SetOffset(float x, float y, float z) override;
    const float* GetOffset() const override { return offset_; }
    CUIRenderInfo* GetRenderInfo() override { return &info_; }
    // Left = x, top = y, right = x + w, bottom = y + h.
    void SetRect(float x, float y, float w, float h) override;
    // Every bound inclusive, relative to the offset; the look's offset and scale do not move it.
    bool HitTest(float x, float y) const override;
    // Indexes above 3 read 0 and write nothing.
    std::uint32_t GetCreateParam(std::uint32_t i) const override { return i < kCreateParamCount ? params_[i] : 0; }
    void SetCreateParam(std::uint32_t i, std::uint32_t value) override {
        if (i < kCreateParamCount) params_[i] = value;
    }
    // Kind, value, rectangle, visible, offset, enable events, create parameters, the look (171 bytes).
    void Save(USLib::binary_ostream<256>& out) const override;
    void Load(USLib::binary_istream& in, std::uint32_t version) override;

protected:
    std::uint32_t kind_ = 0;
    std::uint32_t value_ = 0;
    float rect_[4] = {0, 0, 0, 0};
    std::uint8_t visible_ = 1;
    std::uint8_t enableEvent_ = 0;
    float offset_[3] = {0, 0, 0};
    CUIRenderInfo info_;
    std::uint32_t params_[kCreateParamCount] = {};
};

// Item kind 0: a part of a parts texture, drawn as a sprite.
class CAltInfoImage : public CBaseAltNode {
public:
    static constexpr std::uint32_t kKind = 0;
    static constexpr std::uint32_t kNoSource = 0xFFFFFFFFu;
    // The entry functions in the order the manager hands them over.
    enum Entry : std::uint32_t { kAppear, kOff, kOn, kSelected, kEntryCount };
    // The steps of the machine and its states.
    enum OneShot : std::int32_t { kOnAppear, kOnOff, kOnOn, kOnSelected };
    enum State : std::int32_t { kIdle, kHover, kChosen };

    CAltInfoImage();
    ~CAltInfoImage() override;

    bool Update(float x, float y, std::uint32_t buttons) override;
    // Steps the item's script, then queues the picture when there is one to show.
    void Draw() override;
    void MoveCursorToCentre() override;
    // Writes the base record and the source number (175 bytes).
    void Save(USLib::binary_ostream<256>& out) const override;
    // Reads the rest of the record; the item starts again as after creation, its texture bound anew.
    void Load(USLib::binary_istream& in, std::uint32_t version) override;

    virtual void ReleaseResources() { sprite_.Release(); }
    // Builds the sprite: shared mesh and vertex shader 0, c4 = (1, 0, 0, 0).
    virtual void Setup() { sprite_.Create(0); }
    // Takes ownership of the item's script context.
    virtual void SetContext(asIScriptContext* context);
    virtual void SetEntry(std::uint32_t i, std::int32_t id) {
        if (i < kEntryCount) entries_[i] = id;
    }
    // Binds the texture of parts texture n; nothing when n is the current number or names no source.
    virtual void SetSource(std::uint32_t n);

    std::uint32_t GetSource() const { return source_; }
    std::int32_t GetState() const { return fsm_.GetState(); }
    std::int32_t GetPendingStep() const { return fsm_.GetEvent(); }
    CUIContext& GetDriver() { return driver_; }

private:
    void OnAppear();
    void OnOff();
    void OnOn();
    void OnSelected();
    void UpdateIdle();
    void UpdateHover();
    void UpdateChosen() {}
    // Starts entry function i; an entry the script lacks hides the item instead.
    void StartEntry(Entry i);
    bool LeftButton() const { return (buttons_ & 1) != 0; }

    CUSFSM<CAltInfoImage, 4, 3> fsm_;
    std::uint32_t source_ = kNoSource;
    TextureHandle texture_;
    CUISprite sprite_;
    std::int32_t entries_[kEntryCount] = {-1, -1, -1, -1};
    CUIContext driver_;
    std::uint32_t hit_ = 0;
    std::uint32_t buttons_ = 0;
    std::uint8_t chosen_ = 0;
};

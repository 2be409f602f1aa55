// The controls of UI windows: the control interface and its shared state, the render description of
// one control's look, the driver that runs a control's look script or shows a direct pattern, the
// script class "UICoroutine", a window's texture sheets and the sprite drawing most controls share.
#pragma once
#include <d3dx9.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/render/RenderObject.h"
#include "engine/resources/PartsRenderInfo.h"
#include "engine/save/USBinaryStream.h"
#include "novel/script/ASCommon.h"

// The user-data slot under which a context of a UI window holds its window; the window also sets
// the runner slot of the script hosts, where "Wait" finds it. Contexts made for a window's controls
// and coroutines copy both.
inline constexpr asPWORD kUIWindowUserDataType = 0x5549574Eu;
inline constexpr asPWORD kUIUserDataTypes[] = {CDefoASVM::kUserDataType, kUIWindowUserDataType};
// Gives `to` the window user data of `from`.
void CopyUIUserData(asIScriptContext* from, asIScriptContext* to);

// One texture sheet of a window: the texture and the parts cut from it. Owns both.
class ResourceInfo {
public:
    ResourceInfo() = default;
    ResourceInfo(const ResourceInfo&) = delete;
    ResourceInfo& operator=(const ResourceInfo&) = delete;
    virtual ~ResourceInfo();
    // A sheet made of an image file loaded as a texture of that format and a parts file measured
    // against the texture's size; null when either fails to load.
    static std::unique_ptr<ResourceInfo> Create(const char* imageFile, D3DFORMAT format, const char* partsFile);

    TextureHandle texture;
    CPartsRenderInfo3 parts;
};
using ResourceList = std::vector<std::unique_ptr<ResourceInfo>>;

// The part `pattern` of sheet `sheet`, or null when either number is out of range.
const CPartsInfo3* FindSheetPart(const ResourceList& sheets, std::int32_t sheet, std::int32_t pattern);

// How a control's current pattern is drawn.
class CUIRenderInfo {
public:
    CUIRenderInfo();
    virtual ~CUIRenderInfo() = default;
    virtual void SetOffset(float x, float y, float z);
    virtual void SetScale(float x, float y, float z);
    // Rebuilds the rotation from yaw, pitch and roll in radians.
    virtual void SetRoll(float yaw, float pitch, float roll);
    virtual void SetColor(float r, float g, float b, float a);
    virtual void SetPatNo(std::int32_t pattern) { this->pattern = pattern; }
    // The 117-byte record: offset, scale, matrix, colour, sheet, pattern, wait, rendering.
    virtual void Save(USLib::binary_ostream<256>& out) const;
    virtual void Load(USLib::binary_istream& in);

    // Offset, scale, rotation, colour and sheet back to their defaults (pattern, wait and the
    // rendering flag are left alone).
    void ResetLook();

    float offset[3];
    float scale[3];
    D3DXMATRIX rotation;
    float color[4];
    std::int32_t sheet = 0;
    std::int32_t pattern = -1;
    std::int32_t wait = 0;
    bool rendering = true;
};

// Drives one control's look: nothing, a script function run one slice per control update, or a
// direct pattern.
class CUIContext {
public:
    enum Mode { kNone = 0, kScript = 1, kDirect = 2 };

    CUIContext() = default;
    CUIContext(const CUIContext&) = delete;
    CUIContext& operator=(const CUIContext&) = delete;
    virtual ~CUIContext();
    // Executes the script function when in script mode and the wait is over; the execution result,
    // else 0.
    virtual int Update();

    // -1 hides the control; an id with the top bit set is a direct pattern; any other id names a
    // script function of the context's module.
    void Start(std::int32_t id);
    // Takes ownership of the context (a previous one is released).
    void SetContext(asIScriptContext* context);
    asIScriptContext* GetContext() const { return context_; }
    void SetRenderInfo(CUIRenderInfo* info) { info_ = info; }
    int GetMode() const { return mode_; }
    std::int32_t GetId() const { return id_; }

private:
    asIScriptContext* context_ = nullptr;
    std::int32_t id_ = -1;
    CUIRenderInfo* info_ = nullptr;
    int mode_ = kNone;
};

class IUIControl {
public:
    virtual ~IUIControl() = default;
    virtual bool Update(float x, float y, std::uint32_t input) = 0;
    virtual void Render(const float windowPosition[3], const ResourceList& sheets) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsVisible() = 0;
    virtual void SetPosition(float x, float y, float z) = 0;
    virtual const float* GetPosition() = 0;
    virtual float* GetPositionRef() = 0;
    virtual void SetRect(float x, float y, float w, float h) = 0;
    virtual bool HitTest(float x, float y) = 0;
    virtual bool HasGreaterZ(IUIControl* other) = 0;
    virtual void SetRenderInfo(CUIRenderInfo* info) = 0;
    virtual CUIRenderInfo* GetRenderInfo() = 0;
    virtual void SetLayer(std::uint32_t layer) = 0;
    virtual std::uint32_t GetLayer() = 0;
    virtual void SetEnable(bool enable) = 0;
    virtual bool IsActive() = 0;
    virtual void Signal(int value) = 0;
    virtual void SetID(std::uint32_t id) = 0;
    virtual std::uint32_t GetID() = 0;
    virtual int GetIntParam(int i) = 0;
    virtual void SetIntParam(int i, int v) = 0;
    virtual float GetFloatParam(int i) = 0;
    virtual void SetFloatParam(int i, float v) = 0;
};

class BaseUIControl : public IUIControl {
public:
    void SetVisible(bool visible) override { visible_ = visible; }
    bool IsVisible() override { return visible_; }
    void SetPosition(float x, float y, float z) override {
        position_[0] = x;
        position_[1] = y;
        position_[2] = z;
    }
    const float* GetPosition() override { return GetPositionRef(); }
    float* GetPositionRef() override { return position_; }
    void SetRect(float x, float y, float w, float h) override {
        rect_[0] = x;
        rect_[1] = y;
        rect_[2] = x + w;
        rect_[3] = y + h;
    }
    // Every bound inclusive, the rectangle moved by the position.
    bool HitTest(float x, float y) override {
        return rect_[0] + position_[0] <= x && x <= rect_[2] + position_[0] && rect_[1] + position_[1] <= y &&
               y <= rect_[3] + position_[1];
    }
    bool HasGreaterZ(IUIControl* other) override { return position_[2] > other->GetPosition()[2]; }
    void SetRenderInfo(CUIRenderInfo* info) override { renderInfo_ = info; }
    CUIRenderInfo* GetRenderInfo() override { return renderInfo_; }
    void SetLayer(std::uint32_t layer) override { layer_ = layer; }
    std::uint32_t GetLayer() override { return layer_; }
    void SetEnable(bool enable) override { enabled_ = enable; }
    bool IsActive() override { return IsVisible() && enabled_; }
    void Signal(int) override {}
    void SetID(std::uint32_t id) override { id_ = id; }
    std::uint32_t GetID() override { return id_; }
    // Parameter indexes must be 0 to 7; callers check them.
    int GetIntParam(int i) override { return intParams_[i]; }
    void SetIntParam(int i, int v) override { intParams_[i] = v; }
    float GetFloatParam(int i) override { return floatParams_[i]; }
    void SetFloatParam(int i, float v) override { floatParams_[i] = v; }

    static constexpr int kParamCount = 8;

protected:
    float position_[3] = {0, 0, 0};
    float rect_[4] = {0, 0, 0, 0};
    CUIRenderInfo* renderInfo_ = nullptr;
    std::uint32_t layer_ = 0;
    bool enabled_ = false;
    bool visible_ = true;
    std::uint32_t id_ = 0;
    int intParams_[kParamCount] = {};
    float floatParams_[kParamCount] = {};
};

// The render object and constant set of a control drawn as sheet parts, and their drawing.
class CUISprite {
public:
    CUISprite() = default;
    CUISprite(const CUISprite&) = delete;
    CUISprite& operator=(const CUISprite&) = delete;
    ~CUISprite() { Release(); }
    void Release();
    // Builds the render object on shared mesh and vertex shader `entry`, c4 = (1, 0, 0, 0).
    void Create(std::uint32_t entry);
    bool IsCreated() const { return created_; }
    RenderSystem::CBaseRenderObject* Object() const;
    CVSParamInfo* Params() const;
    RenderObjectHandle Handle() const { return object_; }

    // Draws one part of a sheet with its top-left pixel at `at` (x and y moved by half a pixel), with
    // the look's colour, scale and rotation, queued under layer. Nothing when the pattern is -1 or
    // there is no part.
    void DrawPart(const float at[3], const CUIRenderInfo& info, TextureHandle texture, const CPartsInfo3* part,
                  std::uint32_t layer);
    // The same for the render info's sheet and pattern of the window's sheets.
    void Draw(const float at[3], const CUIRenderInfo& info, const ResourceList& sheets, std::uint32_t layer);

private:
    RenderObjectHandle object_;
    VSParamHandle params_;
    bool created_ = false;
};

// A control that shows sheet parts through its own look: the render info, the look driver and the
// sprite, set up from a script context.
class CUISpriteControl : public BaseUIControl {
public:
    ~CUISpriteControl() override { ReleaseResources(); }
    virtual void ReleaseResources() { sprite_.Release(); }
    void Render(const float windowPosition[3], const ResourceList& sheets) override {
        const float at[3] = {0, 0, 0};
        sprite_.Draw(DrawPosition(windowPosition, at), info_, sheets, layer_);
    }
    CUIContext& GetContext() { return context_; }

protected:
    // The common part of set-up: the context becomes the look driver's, the render info is shared
    // with it, and the render object is built on shared entry `entry`.
    void SetupSprite(asIScriptContext* context, std::uint32_t entry = 0);
    // Position + window position + the look's offset + extra, per axis.
    const float* DrawPosition(const float windowPosition[3], const float extra[3]) {
        for (int i = 0; i < 3; ++i) at_[i] = position_[i] + windowPosition[i] + info_.offset[i] + extra[i];
        return at_;
    }

    CUIRenderInfo info_;
    CUIContext context_;
    CUISprite sprite_;

private:
    float at_[3] = {0, 0, 0};
};

// A sprite control driven by a state machine that reads the cursor and the click: each update notes
// whether the cursor is over it and the input bits, steps the machine, then the look; the result is
// whether the machine took the click.
class CUIPointerControl : public CUISpriteControl {
public:
    bool Update(float x, float y, std::uint32_t input) override {
        hover_ = HitTest(x, y);
        input_ = input;
        taken_ = false;
        Step(x, y);
        context_.Update();
        return taken_;
    }

protected:
    // One step of the control's state machine with the cursor at (x, y).
    virtual void Step(float x, float y) = 0;

    bool hover_ = false;
    std::uint32_t input_ = 0;
    bool taken_ = false;
};

// Registers the script value type "UICoroutine" with its methods; false when any registration fails.
bool RegisterUICoroutine(asIScriptEngine* engine);

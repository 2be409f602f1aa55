// A UI window: one compiled script module and the context that runs it, the controls its script
// creates (kept in ascending depth order), the texture sheets they draw from and the tab controls
// that show one group of controls at a time.
#pragma once
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "novel/script/ASCommon.h"
#include "novel/ui/UIControl.h"
#include "novel/ui/UIStateControls.h"

class CUIWindow : public CDefoASVM {
public:
    struct SubButtonInfo {
        int lit, unlit, value;
        float x, y, rx, ry, rw, rh;
    };

    CUIWindow() = default;
    CUIWindow(const CUIWindow&) = delete;
    CUIWindow& operator=(const CUIWindow&) = delete;
    ~CUIWindow() override;
    // Stores the context and makes this window its user data.
    void SetContext(asIScriptContext* context) override;
    virtual void ReleaseAll();
    virtual void SetModule(asIScriptModule* module) { module_ = module; }
    virtual bool IsLowerID(const CUIWindow* other) const { return id_ < other->id_; }
    // Appends a sheet; nothing when the image or the parts file fails to load.
    virtual void LoadResource(const char* imageFile, D3DFORMAT format, const char* partsFile);
    // Runs the window's script one slice, then feeds the controls (window coordinates) in depth
    // order; a control that takes the input leaves none for the later ones. True when one took it.
    virtual bool Update(float x, float y, std::uint32_t input);
    virtual void Render();
    // Sorted insertion by z (after equal ones); the control becomes the current one and gets the
    // window's layer key and the enabled flag.
    virtual void AddControl(std::unique_ptr<IUIControl> control);
    virtual IUIControl* GetCurrentControl();
    virtual void RunCleanUp();
    virtual int GetFunctionID(const std::string& declaration);
    virtual void SetLayerIndex(std::uint32_t n) {
        layerIndex_ = n;
        layerKey_ = 2 * n + 1;
    }
    virtual void SetPendingChild(const char* name) {
        childRequest_ = true;
        childName_ = name;
    }
    virtual bool TakePendingChild(std::string& out) {
        if (childRequest_) out = childName_;
        return childRequest_;
    }
    virtual void EnableControl(std::uint32_t id, bool enable);
    virtual bool IsEnableControl(std::uint32_t id);
    virtual void EnableRenderingControl(std::uint32_t id, bool visible);
    virtual IUIControl* FindControl(std::uint32_t id);
    // Ignored while the controls update (only the window's own script chooses the current control).
    virtual void SetActiveControl(std::uint32_t id);
    // The window record: id, script name and 0 byte, drawn flag, position, layer index.
    virtual void Save(USLib::binary_ostream<256>& out);
    // Windows are restored by opening them again.
    virtual void Load(USLib::binary_istream&, std::uint32_t) {}

    // Opening: id, name, a context (the window becomes its user data), module, layer, position; the
    // script's "Initialize" runs at once, "Update" is prepared, "CleanUp" looked up.
    void Open(std::uint32_t id, const std::string& scriptName, asIScriptContext* context, asIScriptModule* module,
              std::uint32_t layerIndex, float x, float y, float z);

    // The window of the running script, null when the running context belongs to none.
    static CUIWindow* FromContext(asIScriptContext* context);
    static CUIWindow* Running();

    // Control factories (the script functions of the same names).
    void AddUIImage(std::uint32_t id, float x, float y, float z, int look);
    void AddUIRenderSourceImage(std::uint32_t id, float x, float y, float z, int look);
    void AddUIPolygon(std::uint32_t id, int look, float x, float y, float w, float h);
    void AddUIText(std::uint32_t id, float x, float y, float z, std::uint32_t text, int look);
    void AddUIButton(std::uint32_t id, float x, float y, float z, const float rect[4], const int ids[4]);
    void AddUILogVoiceButton(std::uint32_t id, float x, float y, float z, const float rect[4], std::uint32_t line,
                             const int ids[4]);
    void AddUIRadioButton(std::uint32_t id, float x, float y, float z, std::uint32_t kind, int index);
    void AddUINumberButton(std::uint32_t id, float x, float y, float z, std::uint32_t kind, int index);
    void AddUIEventGroupButton(std::uint32_t id, float x, float y, float z, int clickId, int checkId);
    void AddUIPopUpButton(std::uint32_t id, float x, float y, float z, const float rect[4], const float area[4],
                          const int ids[4], const float offsets[4], int duration);
    void AddUISnapImageRender(std::uint32_t id, float x, float y, float z);
    void AddUIThumnailRender(std::uint32_t id, std::uint32_t slot, float x, float y, float z);
    void AddUISaveFileButton(std::uint32_t id, std::uint32_t slot, float x, float y, float z, const float rect[4],
                             const int ids[5]);
    void AddUICheckBox(std::uint32_t id, float x, float y, float z, const float rect[4], const int ids[7]);
    void BeginSubButtons() { subButtons_.clear(); }
    void AddSubButtonInfo(const SubButtonInfo& info) { subButtons_.push_back(info); }

    // Tab controls; a tab number beyond those added does nothing.
    void AddTabControl() { tabs_.push_back(std::make_unique<CUITabControl>()); }
    void AddControlToTabControl(std::uint32_t tab, std::uint32_t controlId, std::uint32_t group);
    void SetActiveGroupTabControl(std::uint32_t tab, std::uint32_t group);
    // False when a tab control holds the control in a group that is not its active one.
    bool IsShownByTabs(std::uint32_t controlId) const;

    std::uint32_t GetID() const { return id_; }
    const std::string& GetScriptName() const { return scriptName_; }
    void SetDrawn(bool drawn) { drawn_ = drawn; }
    bool IsDrawn() const { return drawn_; }
    void SetPosition(float x, float y, float z) {
        position_[0] = x;
        position_[1] = y;
        position_[2] = z;
    }
    const float* GetPosition() const { return position_; }
    std::uint32_t GetLayerIndex() const { return layerIndex_; }
    std::uint32_t GetLayerKey() const { return layerKey_; }
    void Close() { closing_ = true; }
    bool IsClosing() const { return closing_; }
    asIScriptModule* GetModule() const { return module_; }
    const ResourceList& GetResources() const { return resources_; }
    const std::list<std::unique_ptr<IUIControl>>& GetControls() const { return controls_; }

private:
    // A new context on the engine of the window's context, with the window as its user data.
    asIScriptContext* NewControlContext();
    // Steps 2-4 of every factory: id, position (unless null), sorted insertion.
    template <class T>
    T* Place(std::unique_ptr<T> control, std::uint32_t id, const float* position);
    void AddGroup(class CUIBaseGroupButtons* group);
    // A group bound to game variable `index` of `kind`, whose children are lit by `check`.
    void AddVariableGroup(std::uint32_t id, const float position[3], std::uint32_t kind, int index,
                          std::unique_ptr<class ICheckValueFunctor> check);

    std::uint32_t id_ = 0;
    std::string scriptName_;
    bool drawn_ = true;
    ResourceList resources_;
    std::list<std::unique_ptr<IUIControl>> controls_;
    std::list<std::unique_ptr<IUIControl>>::iterator current_ = controls_.end();
    float position_[3] = {0, 0, 0};
    int cleanUpId_ = -1;
    asIScriptModule* module_ = nullptr;
    std::uint32_t layerKey_ = 1;
    std::uint32_t layerIndex_ = 0;
    std::vector<SubButtonInfo> subButtons_;
    bool closing_ = false;
    bool updating_ = false;
    bool childRequest_ = false;
    std::string childName_;
    std::vector<std::unique_ptr<CUITabControl>> tabs_;
};

// Renderer directions: short scripts whose "void Update()" runs as a coroutine, one slice per frame,
// and drives renderers by id. The manager owns one engine, the parameter block handed to each start,
// two caches of built modules (one-shot and resident, least recently used evicted first), the list
// of running one-shot directions and the numbered resident slots that are saved with the game.
#pragma once
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "novel/render/RenderSource.h"
#include "novel/script/ASCommon.h"

class CRendererManager;
class BBRenderer;

// The 16 + 16 start parameters and how many of each the starter added since the last clearing.
struct tDirParams {
    static constexpr uint32_t kCount = 16;
    int32_t ints[kCount] = {};
    uint32_t intCount = 0;
    float floats[kCount] = {};
    uint32_t floatCount = 0;

    void Write(RenderSource::OStream& out) const;
    void Read(RenderSource::IStream& in);
};

// A built direction module with its entry functions. Cache entries and the directions started from
// it share it; the module is discarded when the last of them lets go, so a direction outlives the
// eviction of its module with its functions and global variables intact.
struct tDirModule {
    tDirModule(asIScriptModule* built, asIScriptFunction* updateFunction, asIScriptFunction* cleanUpFunction)
        : module(built), update(updateFunction), cleanUp(cleanUpFunction) {}
    tDirModule(const tDirModule&) = delete;
    tDirModule& operator=(const tDirModule&) = delete;
    ~tDirModule() { module->Discard(); }

    asIScriptModule* const module;
    asIScriptFunction* const update;
    asIScriptFunction* const cleanUp;  // null when the script has none
};
using DirModulePtr = std::shared_ptr<const tDirModule>;

// One cache entry: the module built from the script file of its name.
class CASRendererDirModuleInfo {
public:
    virtual ~CASRendererDirModuleInfo() = default;
    // Lets go of the module this entry held, then builds the file; false (entry empty, the reason in
    // the log) when it does not compile or has no "void Update()".
    virtual bool Build(const std::string& name, asIScriptEngine* engine);

    bool IsEmpty() const { return module == nullptr; }

    DirModulePtr module;
    std::string scriptName;
};

// A module cache of fixed capacity; a lookup that misses builds into a free entry or evicts the
// least recently used one.
class CASRendererDirModuleVector {
public:
    virtual ~CASRendererDirModuleVector() = default;
    virtual void Clear();
    virtual void Allocate(uint32_t capacity);
    // The entry of that name (byte-exact), built on a miss; null only when the capacity is 0.
    virtual CASRendererDirModuleInfo* GetModule(const std::string& name, asIScriptEngine* engine);

    uint32_t GetCapacity() const { return capacity_; }
    // Entry indexes, most recently used first.
    const std::list<uint32_t>& GetRecency() const { return recency_; }
    const CASRendererDirModuleInfo& GetEntry(uint32_t i) const { return *entries_[i]; }

private:
    std::vector<std::unique_ptr<CASRendererDirModuleInfo>> entries_;
    std::list<uint32_t> recency_;
    uint32_t capacity_ = 0;
};

// One direction: a coroutine over the script's "void Update()" with its parameters, value cells and
// optional billboards.
class ASVMRendererControl : public CDefoASVM {
public:
    ASVMRendererControl();
    ~ASVMRendererControl() override;

    // Value cells to 0 and billboards gone; the wait counter and the parameters stay.
    virtual void ClearValues();
    void SetContext(asIScriptContext* context) override;
    virtual void SetParams(const tDirParams& params) { params_ = params; }
    // Aborts a suspended Update and runs "void CleanUp()" once (a Wait inside it ends it there).
    virtual void RunCleanUp();
    virtual void RenderBillboards();
    virtual void SetBillboardBlendRenderState(uint32_t value);
    virtual void SetBillboardResourceIndex(uint32_t value);
    // The direction record: parameters, value cells, billboard flag and count.
    virtual void Save(RenderSource::OStream& out) const;
    virtual void Load(RenderSource::IStream& in, uint32_t version);

    // Takes the module (null when the build failed) and prepares its Update.
    void Prepare(DirModulePtr module);
    // Creates the billboard renderer with that count on the first call; later calls change nothing.
    void EnableBillboards(uint32_t count);
    // The direction of the active script context, or null outside a direction.
    static ASVMRendererControl* Current();

    const tDirParams& GetParams() const { return params_; }
    int32_t* IntCells() { return intCells_; }
    float* FloatCells() { return floatCells_; }
    BBRenderer* GetBillboards() { return billboards_.get(); }
    uint32_t GetBillboardCount() const { return billboardCount_; }

    CRendererManager* renderers = nullptr;
    RenderSource::CRenderSourceManager* sources = nullptr;
    std::string scriptName;

private:
    tDirParams params_;
    DirModulePtr module_;
    int32_t intCells_[tDirParams::kCount] = {};
    float floatCells_[tDirParams::kCount] = {};
    std::unique_ptr<BBRenderer> billboards_;
    uint32_t billboardCount_ = 0;
};

class CASRendererDirManager {
public:
    CASRendererDirManager();
    CASRendererDirManager(const CASRendererDirManager&) = delete;
    CASRendererDirManager& operator=(const CASRendererDirManager&) = delete;
    virtual ~CASRendererDirManager();
    // Clears the one-shot cache, ends the one-shot directions (with CleanUp), deletes the resident
    // slots (without) and releases the engine.
    virtual void Release();
    // A fresh engine with the common interface, "IRenderer", the direction functions and "VMValue<T>".
    virtual bool Initialize(CRendererManager* renderers, RenderSource::CRenderSourceManager* sources);
    virtual void SetModuleCacheSize(uint32_t capacity) { modules_.Allocate(capacity); }
    virtual void ClearModuleCache() { modules_.Clear(); }
    virtual void ClearParams() {
        params_.intCount = 0;
        params_.floatCount = 0;
    }
    virtual void AddIntParam(int32_t value);
    virtual void AddFloatParam(float value);
    // Starts a one-shot direction with the current parameters; its first slice runs at the next
    // Update. A script that cannot be built starts nothing (the reason is in the log).
    virtual void RunDirection(const char* name);
    // CleanUp of every one-shot direction in start order, then the list is empty.
    virtual void EndAllDirections();
    virtual bool IsDirectionRunning() const { return !directions_.empty(); }
    virtual void SetResidentModuleCacheSize(uint32_t capacity) { residentModules_.Allocate(capacity); }
    virtual void ClearResidentModuleCache() { residentModules_.Clear(); }
    // Deletes the old slots (no CleanUp) and makes n inactive ones, each with a context for life.
    virtual void AllocateResidentSlots(uint32_t n);
    // Stops slot i, then starts the script there with the current parameters and fresh value cells.
    virtual void StartResidentDirection(uint32_t i, const char* name);
    // Aborts slot i's script without CleanUp; an inactive slot or one out of range: nothing.
    virtual void StopResidentDirection(uint32_t i);
    virtual void StopAllResidentDirections();
    // One slice of every one-shot direction (ended ones cleaned up and deleted), then of every active
    // resident slot.
    virtual void Update();
    // Queues the billboards of the one-shot directions, then of the active slots.
    virtual void Render();
    virtual void Save(RenderSource::OStream& out);
    // Deletes the one-shot directions without CleanUp and restores the parameters and the slots.
    virtual void Load(RenderSource::IStream& in, uint32_t version);

    asIScriptEngine* GetEngine() const { return engine_; }
    const tDirParams& GetParams() const { return params_; }
    const CASRendererDirModuleVector& GetModuleCache() const { return modules_; }
    const CASRendererDirModuleVector& GetResidentModuleCache() const { return residentModules_; }
    const std::list<std::unique_ptr<ASVMRendererControl>>& GetDirections() const { return directions_; }
    uint32_t GetResidentSlotCount() const { return static_cast<uint32_t>(slots_.size()); }
    bool IsResidentActive(uint32_t i) const { return i < active_.size() && active_[i]; }
    ASVMRendererControl* GetResidentSlot(uint32_t i) { return i < slots_.size() ? slots_[i].get() : nullptr; }

private:
    void DeleteResidentSlots();

    asIScriptEngine* engine_ = nullptr;
    tDirParams params_;
    RenderSource::CRenderSourceManager* sources_ = nullptr;
    CRendererManager* renderers_ = nullptr;
    CASRendererDirModuleVector modules_;
    std::list<std::unique_ptr<ASVMRendererControl>> directions_;
    CASRendererDirModuleVector residentModules_;
    std::vector<std::unique_ptr<ASVMRendererControl>> slots_;
    std::vector<bool> active_;
};

// Registers the direction script functions and the template "VMValue<T>" (after the common interface
// and "IRenderer"); true when every registration succeeded.
bool RegisterRendererDirInterface(asIScriptEngine* engine);
// Number of global functions that RegisterRendererDirInterface registers.
uint32_t RendererDirFunctionCount();

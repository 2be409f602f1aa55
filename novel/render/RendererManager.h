// The renderer manager: owns every renderer of the novel scene in one list per kind, maps the 32-bit
// ids of scenario code and scripts to a kind and a position, queues every mapped renderer's draw each
// frame, advances the Puppet renderers' motions, and saves the map and every renderer's state.
#pragma once
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "novel/render/ImageRenderers.h"
#include "novel/render/PolygonRenderers.h"
#include "novel/render/PuppetRenderer.h"
#include "novel/text/StringRenderer.h"

class CRendererManager {
public:
    static constexpr std::uint32_t kKinds = 8;

    CRendererManager() = default;
    CRendererManager(const CRendererManager&) = delete;
    CRendererManager& operator=(const CRendererManager&) = delete;
    virtual ~CRendererManager() { DeleteAll(); }
    virtual void DeleteAll();
    virtual void Clear() { DeleteAll(); }
    // Advances every Puppet renderer's motions, in list order, whether an id names it or not.
    virtual void UpdatePuppet();
    // Queues the draw of every renderer an id names, in the map's order.
    virtual void RenderAll();
    // The renderer an id names, of any kind; null when none.
    virtual IRenderer* GetRenderer(std::uint32_t id);
    // The same for a script's "IRenderer &GetRenderer(uint32)": with no renderer the running script
    // gets an exception instead of a null reference.
    IRenderer* GetRendererForScript(std::uint32_t id);

    virtual CSingleTextureRenderer* CreateSingleTextureRenderer(std::uint32_t id) {
        return Create<CSingleTextureRenderer>(0, id);
    }
    virtual CSingleTextureRenderer* GetSingleTextureRenderer(std::uint32_t id) {
        return Get<CSingleTextureRenderer>(0, id);
    }
    // Exchanges the renderers at list positions a and b of kind 0; ids keep their positions.
    virtual void SwapSingleTextureRenderers(std::uint32_t a, std::uint32_t b);
    virtual CAlphaFadeRenderer* CreateAlphaFadeRenderer(std::uint32_t id) { return Create<CAlphaFadeRenderer>(1, id); }
    virtual CAlphaFadeRenderer* GetAlphaFadeRenderer(std::uint32_t id) { return Get<CAlphaFadeRenderer>(1, id); }
    virtual CTexturePartRenderer* CreateTexturePartRenderer(std::uint32_t id) {
        return Create<CTexturePartRenderer>(2, id);
    }
    virtual CTexturePartRenderer* GetTexturePartRenderer(std::uint32_t id) { return Get<CTexturePartRenderer>(2, id); }
    virtual CRenderBufferRenderer* CreateRenderBufferRenderer(std::uint32_t id) {
        return Create<CRenderBufferRenderer>(3, id);
    }
    virtual CRenderBufferRenderer* GetRenderBufferRenderer(std::uint32_t id) {
        return Get<CRenderBufferRenderer>(3, id);
    }
    virtual CAtmosphericPolygonRenderer* CreateAtmosphericPolygonRenderer(std::uint32_t id) {
        return Create<CAtmosphericPolygonRenderer>(4, id);
    }
    virtual CAtmosphericPolygonRenderer* GetAtmosphericPolygonRenderer(std::uint32_t id) {
        return Get<CAtmosphericPolygonRenderer>(4, id);
    }
    virtual CStringRenderer* CreateStringRenderer(std::uint32_t id) { return Create<CStringRenderer>(5, id); }
    virtual CStringRenderer* GetStringRenderer(std::uint32_t id) { return Get<CStringRenderer>(5, id); }
    virtual PuppetRenderer* CreatePuppetRenderer(std::uint32_t id) { return Create<PuppetRenderer>(6, id); }
    virtual PuppetRenderer* GetPuppetRenderer(std::uint32_t id) { return Get<PuppetRenderer>(6, id); }
    virtual MeshRenderer* CreateMeshRenderer(std::uint32_t id) { return Create<MeshRenderer>(7, id); }
    virtual MeshRenderer* GetMeshRenderer(std::uint32_t id) { return Get<MeshRenderer>(7, id); }

    // The id map, then every renderer's record, kind by kind in list order.
    virtual void Save(RenderSource::OStream& out);
    // Reads the map and hands each existing renderer its record, by position; creates nothing.
    virtual void Load(RenderSource::IStream& in, std::uint32_t version);
    // Every renderer re-applies its loaded state.
    virtual void RestoreAll();

    std::uint32_t GetCount(std::uint32_t kind) const {
        return kind < kKinds ? static_cast<std::uint32_t>(lists_[kind].size()) : 0;
    }

private:
    struct Entry {
        std::uint32_t kind;
        std::uint32_t index;
    };

    template <class T>
    T* Create(std::uint32_t kind, std::uint32_t id) {
        Entry& entry = map_[id];
        entry = Entry{kind, static_cast<std::uint32_t>(lists_[kind].size())};
        auto renderer = std::make_unique<T>();
        T* created = renderer.get();
        created->Setup();
        lists_[kind].push_back(std::move(renderer));
        return created;
    }
    template <class T>
    T* Get(std::uint32_t kind, std::uint32_t id) {
        auto it = map_.find(id);
        if (it == map_.end() || it->second.kind != kind) return nullptr;
        return static_cast<T*>(At(it->second));
    }
    // Null for an entry that names a position its list does not have (a load that did not match).
    BaseNovelRenderObject* At(const Entry& entry) const;

    std::unordered_map<std::uint32_t, Entry> map_;
    std::vector<std::unique_ptr<BaseNovelRenderObject>> lists_[kKinds];
};

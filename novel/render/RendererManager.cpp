// The renderer manager: lists, id map, per-frame queueing and the saved record.
#include "novel/render/RendererManager.h"

#include <angelscript.h>

#include <algorithm>
#include <utility>
#include <vector>

void CRendererManager::DeleteAll() {
    for (auto& list : lists_) list.clear();
    map_.clear();
}

BaseNovelRenderObject* CRendererManager::At(const Entry& entry) const {
    if (entry.kind >= kKinds || entry.index >= lists_[entry.kind].size()) return nullptr;
    return lists_[entry.kind][entry.index].get();
}

void CRendererManager::UpdatePuppet() {
    for (const auto& r : lists_[6]) static_cast<PuppetRenderer*>(r.get())->UpdateMotion();
}

void CRendererManager::RenderAll() {
    for (const auto& [id, entry] : map_)
        if (BaseNovelRenderObject* r = At(entry)) r->Render();
}

IRenderer* CRendererManager::GetRenderer(std::uint32_t id) {
    if (map_.empty()) return nullptr;
    auto it = map_.find(id);
    return it == map_.end() ? nullptr : At(it->second);
}

void CRendererManager::SwapSingleTextureRenderers(std::uint32_t a, std::uint32_t b) {
    auto& list = lists_[0];
    if (a < list.size() && b < list.size()) std::swap(list[a], list[b]);
}

void CRendererManager::Save(RenderSource::OStream& out) {
    // Ids in ascending order, not the hash map's: the same renderers always save to the same bytes.
    std::vector<std::uint32_t> ids;
    ids.reserve(map_.size());
    for (const auto& item : map_) ids.push_back(item.first);
    std::sort(ids.begin(), ids.end());
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(ids.size()));
    for (std::uint32_t id : ids) {
        const Entry& entry = map_.at(id);
        SaveIO::WriteU32(out, id);
        SaveIO::WriteU32(out, entry.kind);
        SaveIO::WriteU32(out, entry.index);
    }
    for (auto& list : lists_)
        for (const auto& r : list) r->Save(out);
}

void CRendererManager::Load(RenderSource::IStream& in, std::uint32_t version) {
    map_.clear();
    std::uint32_t n = SaveIO::ReadU32(in);
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint32_t id = SaveIO::ReadU32(in);
        std::uint32_t kind = SaveIO::ReadU32(in);
        std::uint32_t index = SaveIO::ReadU32(in);
        map_[id] = Entry{kind, index};
    }
    for (auto& list : lists_)
        for (const auto& r : list) r->Load(in, version);
}

void CRendererManager::RestoreAll() {
    for (auto& list : lists_)
        for (const auto& r : list) r->Restore();
}

IRenderer* CRendererManager::GetRendererForScript(std::uint32_t id) {
    IRenderer* r = GetRenderer(id);
    if (!r) {
        if (AngelScript::asIScriptContext* context = AngelScript::asGetActiveContext())
            context->SetException("no renderer with that id");
    }
    return r;
}

// PuppetRenderer: motion channels, drawing through the Puppet render model, and the saved record.
#include "novel/render/PuppetRenderer.h"

#include "novel/vm/SaveIO.h"
#include "puppet/RenderPuppetModel.h"

using namespace NovelRender;

void PuppetRenderer::Setup() {
    RenderSystem::CBaseRenderObject* object = CreateRenderObject(&object_, 1, -1, 0);
    object->Stage(0).SetEnabled(0);  // the model sets its own textures
    object->SetModel(std::make_unique<RenderSystem::RenderPuppetModel>());
    object->SetShader(nullptr);
}

DXPuppetModel* PuppetRenderer::Model() {
    if (!sources_ || source_ < 0) return nullptr;
    RenderSource::PuppetModelSource* s = sources_->puppetModels.GetSource(static_cast<std::uint32_t>(source_));
    return s ? GetPuppetModel(s->model) : nullptr;
}

void PuppetRenderer::Render() {
    if (!IsRendering() || !sources_ || source_ < 0) return;
    RenderSource::PuppetModelSource* s = sources_->puppetModels.GetSource(static_cast<std::uint32_t>(source_));
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    if (!s || !object) return;
    object->blendState = blend_;
    ApplyScaleAndRoll(*object);
    object->position = SnapToPixel(position_);
    // Pointed at the source every frame, so a swapped or reloaded source is drawn as it now is.
    if (auto* model = dynamic_cast<RenderSystem::RenderPuppetModel*>(object->GetModel())) model->model = s->model;
    Queue(registTable_, object_);
}

void PuppetRenderer::SetPatNo(std::uint32_t n) {
    if (DXPuppetModel* m = Model()) m->StartMotion(0, static_cast<int>(n));
    channels_[0].enabled = true;
    channels_[0].restart = true;
    channels_[0].queue.clear();
    channels_[0].queue.push_back({n, true});
    for (std::uint32_t c = 1; c < kChannels; ++c) channels_[c].enabled = false;
}

void PuppetRenderer::BeginMotion(std::uint32_t c) {
    if (source_ < 0 || c >= kChannels) return;
    current_ = c;
    channels_[c].enabled = true;
    channels_[c].queue.clear();
    if (DXPuppetModel* m = Model())
        if (puppet::MotionQueueManager* q = m->GetMotionQueue(static_cast<int>(c))) q->stopAllMotions();
    channels_[c].restart = true;
}

void PuppetRenderer::Push(std::uint32_t motion, bool loop) { channels_[current_].queue.push_back({motion, loop}); }

void PuppetRenderer::UpdateMotion() {
    if (!IsRendering()) return;
    DXPuppetModel* m = Model();
    if (!m) return;
    for (std::uint32_t c = 0; c < kChannels; ++c) {
        Channel& ch = channels_[c];
        if (!ch.enabled) continue;
        if (!m->IsQueueFinished(static_cast<int>(c)) && !ch.restart) continue;
        // A one-shot front entry that has played out goes; the next one starts.
        if (!ch.queue.empty() && !ch.queue.front().loop && !ch.restart) ch.queue.pop_front();
        // An empty channel stays idle until entries are pushed.
        if (ch.queue.empty()) continue;
        m->StartMotion(static_cast<int>(c), static_cast<int>(ch.queue.front().motion));
        ch.restart = false;
    }
    m->Update();
}

void PuppetRenderer::Save(RenderSource::OStream& out) {
    BaseNovelRenderObject::Save(out);
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(source_));
    SaveIO::WriteU32(out, blend_);
    for (const Channel& ch : channels_) {
        std::uint8_t enabled = ch.enabled ? 1 : 0;
        out.Write(&enabled, 1);
        SaveIO::WriteU32(out, static_cast<std::uint32_t>(ch.queue.size()));
        for (const Entry& e : ch.queue) {
            SaveIO::WriteU32(out, e.motion);
            std::uint8_t loop = e.loop ? 1 : 0;
            out.Write(&loop, 1);
        }
    }
}

void PuppetRenderer::Load(RenderSource::IStream& in, std::uint32_t version) {
    BaseNovelRenderObject::Load(in, version);
    source_ = static_cast<std::int32_t>(SaveIO::ReadU32(in));
    blend_ = SaveIO::ReadU32(in);
    for (Channel& ch : channels_) {
        std::uint8_t enabled = 0;
        SaveIO::ReadBytes(in, &enabled, 1);
        ch.enabled = enabled != 0;
        ch.queue.clear();
        std::uint32_t n = SaveIO::ReadU32(in);
        // Every entry takes five bytes: a count beyond the data is a broken record.
        if (n > (in.GetSize() - in.GetPosition()) / 5) throw USLib::stream_error("Puppet channel too long");
        for (; n > 0; --n) {
            Entry e{SaveIO::ReadU32(in), false};
            std::uint8_t loop = 0;
            SaveIO::ReadBytes(in, &loop, 1);
            e.loop = loop != 0;
            ch.queue.push_back(e);
        }
    }
}

void PuppetRenderer::Restore() {
    BaseNovelRenderObject::Restore();
    if (source_ < 0) return;
    DXPuppetModel* m = Model();
    for (std::uint32_t c = 0; c < kChannels; ++c) {
        if (m) {
            if (puppet::MotionQueueManager* q = m->GetMotionQueue(static_cast<int>(c))) q->stopAllMotions();
        }
        channels_[c].restart = m == nullptr;
    }
}

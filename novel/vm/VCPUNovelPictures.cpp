// The novel machine's picture opcodes: loading render sources by index, exchanging them, setting
// the state of renderers addressed by id, and the Puppet models and their motion channels. Every
// opcode fetches all its operands first, so an unknown renderer id or source index consumes them
// and does nothing.
#include "engine/device/AppDeviceInfo.h"
#include "novel/novel/NovelSystem.h"
#include "novel/vm/VCPUNovel.h"

namespace {

RenderSource::CRenderSourceManager& Sources() { return CNovelSystem::GetInstance()->GetRenderSources(); }
IRenderer* Renderer(uint32_t id) { return CNovelSystem::GetInstance()->GetRenderers().GetRenderer(id); }
PuppetRenderer* Puppet(uint32_t id) { return CNovelSystem::GetInstance()->GetRenderers().GetPuppetRenderer(id); }
D3DFORMAT AlphaFormat() { return CUSSingleton<CUSAppDeviceInfo>::GetInstance()->alphaTexture.GetFormat(); }
constexpr float kDegToRad = 0.017453292f;

}  // namespace

void CVCPUNovel::RegisterPictureOpcodes() {
    struct Entry {
        uint32_t opcode;
        void (CVCPUNovel::*handler)();
    };
    const Entry entries[] = {
        {88, &CVCPUNovel::OpLoadSingleTexture},      {89, &CVCPUNovel::OpLoadSingleTextureAt},
        {90, &CVCPUNovel::OpLoadSingleTextureParts}, {91, &CVCPUNovel::OpLoadPartsTexture},
        {92, &CVCPUNovel::OpLoadMesh},               {93, &CVCPUNovel::OpLoadXMesh},
        {97, &CVCPUNovel::OpSwapSingleTexture},      {98, &CVCPUNovel::OpSwapRenderingBuffer},
        {113, &CVCPUNovel::OpSetSource},             {114, &CVCPUNovel::OpSetRegistTable},
        {115, &CVCPUNovel::OpSetRendering},          {116, &CVCPUNovel::OpSetPosition},
        {117, &CVCPUNovel::OpSetScale},              {118, &CVCPUNovel::OpSetRoll},
        {119, &CVCPUNovel::OpSetColor},              {120, &CVCPUNovel::OpSetBlendRenderState},
        {121, &CVCPUNovel::OpSetPatNo},              {133, &CVCPUNovel::OpLoadPuppetModel},
        {134, &CVCPUNovel::OpAddTexturePuppetModel}, {135, &CVCPUNovel::OpAddMotionPuppetModel},
        {136, &CVCPUNovel::OpSetMotionPuppetModel},  {137, &CVCPUNovel::OpBeginMotionPuppet},
        {138, &CVCPUNovel::OpDisableMotionQueuePuppet}, {139, &CVCPUNovel::OpPushMotionPuppet},
        {140, &CVCPUNovel::OpPushLoopMotionPuppet},  {141, &CVCPUNovel::OpSwapPuppetModel},
    };
    for (const Entry& e : entries) RegisterOpcode(e.opcode, static_cast<Handler>(e.handler));
}

void CVCPUNovel::OpLoadSingleTexture() {
    uint32_t index = cursor_.ReadInt();
    const char* image = ReadString();
    if (auto* s = Sources().singleTextures.GetSource(index)) s->Create(image, AlphaFormat());
}

void CVCPUNovel::OpLoadSingleTextureAt() {
    uint32_t index = cursor_.ReadInt();
    const char* image = ReadString();
    float x = cursor_.ReadFloat();
    float y = cursor_.ReadFloat();
    const RenderSource::Offset at{x, y};
    if (auto* s = Sources().singleTextures.GetSource(index)) s->Create(image, AlphaFormat(), &at);
}

void CVCPUNovel::OpLoadSingleTextureParts() {
    uint32_t index = cursor_.ReadInt();
    const char* image = ReadString();
    const char* parts = ReadString();
    if (auto* s = Sources().singleTextures.GetSource(index)) s->CreateWithParts(image, parts, AlphaFormat());
}

void CVCPUNovel::OpLoadPartsTexture() {
    uint32_t index = cursor_.ReadInt();
    const char* image = ReadString();
    const char* parts = ReadString();
    if (auto* s = Sources().partsTextures.GetSource(index)) s->Create(image, AlphaFormat(), parts);
}

void CVCPUNovel::OpLoadMesh() {
    uint32_t index = cursor_.ReadInt();
    const char* mesh = ReadString();
    const char* texture = ReadString();
    if (auto* s = Sources().meshes.GetSource(index)) {
        s->LoadMesh(mesh);
        s->LoadTexture(texture, AlphaFormat());
    }
}

void CVCPUNovel::OpLoadXMesh() {
    uint32_t index = cursor_.ReadInt();
    const char* mesh = ReadString();
    const char* texture = ReadString();
    if (auto* s = Sources().meshes.GetSource(index)) {
        s->LoadXMesh(mesh);
        s->LoadTexture(texture, AlphaFormat());
    }
}

void CVCPUNovel::OpSwapSingleTexture() {
    uint32_t a = cursor_.ReadInt();
    uint32_t b = cursor_.ReadInt();
    Sources().singleTextures.SwapOrder(a, b);
}

void CVCPUNovel::OpSwapRenderingBuffer() {
    uint32_t a = cursor_.ReadInt();
    uint32_t b = cursor_.ReadInt();
    Sources().renderBuffers.SwapOrder(a, b);
}

void CVCPUNovel::OpSetSource() {
    uint32_t id = cursor_.ReadInt();
    uint32_t source = cursor_.ReadInt();
    if (IRenderer* r = Renderer(id)) r->SetSource(source);
}

void CVCPUNovel::OpSetRegistTable() {
    uint32_t id = cursor_.ReadInt();
    uint32_t table = cursor_.ReadInt();
    if (IRenderer* r = Renderer(id)) r->SetRegistTable(table);
}

void CVCPUNovel::OpSetRendering() {
    uint32_t id = cursor_.ReadInt();
    uint32_t flag = cursor_.ReadInt();
    if (IRenderer* r = Renderer(id)) r->SetRendering(flag == 1);
}

void CVCPUNovel::OpSetPosition() {
    uint32_t id = cursor_.ReadInt();
    float x = cursor_.ReadFloat(), y = cursor_.ReadFloat(), z = cursor_.ReadFloat();
    if (IRenderer* r = Renderer(id)) r->SetPosition(x, y, z);
}

void CVCPUNovel::OpSetScale() {
    uint32_t id = cursor_.ReadInt();
    float x = cursor_.ReadFloat(), y = cursor_.ReadFloat(), z = cursor_.ReadFloat();
    if (IRenderer* r = Renderer(id)) r->SetScale(x, y, z);
}

void CVCPUNovel::OpSetRoll() {
    uint32_t id = cursor_.ReadInt();
    float a = cursor_.ReadFloat(), b = cursor_.ReadFloat(), c = cursor_.ReadFloat();
    if (IRenderer* r = Renderer(id)) r->SetRoll(a * kDegToRad, b * kDegToRad, c * kDegToRad);
}

void CVCPUNovel::OpSetColor() {
    uint32_t id = cursor_.ReadInt();
    float red = cursor_.ReadFloat(), green = cursor_.ReadFloat(), blue = cursor_.ReadFloat(),
          alpha = cursor_.ReadFloat();
    if (IRenderer* r = Renderer(id)) r->SetColor(red, green, blue, alpha);
}

void CVCPUNovel::OpSetBlendRenderState() {
    uint32_t id = cursor_.ReadInt();
    uint32_t mode = cursor_.ReadInt();
    // The two-entry table {0, 1}; a mode outside it keeps the renderer's state.
    if (mode > 1) return;
    if (IRenderer* r = Renderer(id)) r->SetBlendRenderState(mode);
}

void CVCPUNovel::OpSetPatNo() {
    uint32_t id = cursor_.ReadInt();
    uint32_t pattern = cursor_.ReadInt();
    if (IRenderer* r = Renderer(id)) r->SetPatNo(pattern);
}

void CVCPUNovel::OpLoadPuppetModel() {
    uint32_t index = cursor_.ReadInt();
    const char* model = ReadString();
    if (auto* s = Sources().puppetModels.GetSource(index)) s->LoadModel(model);
}

void CVCPUNovel::OpAddTexturePuppetModel() {
    uint32_t index = cursor_.ReadInt();
    const char* texture = ReadString();
    if (auto* s = Sources().puppetModels.GetSource(index)) s->AddTexture(texture);
}

void CVCPUNovel::OpAddMotionPuppetModel() {
    uint32_t index = cursor_.ReadInt();
    const char* motion = ReadString();
    if (auto* s = Sources().puppetModels.GetSource(index)) s->AddMotion(motion);
}

void CVCPUNovel::OpSetMotionPuppetModel() {
    uint32_t index = cursor_.ReadInt();
    uint32_t number = cursor_.ReadInt();
    const char* motion = ReadString();
    if (auto* s = Sources().puppetModels.GetSource(index)) s->SetMotion(number, motion);
}

void CVCPUNovel::OpBeginMotionPuppet() {
    uint32_t id = cursor_.ReadInt();
    uint32_t queue = cursor_.ReadInt();
    if (PuppetRenderer* r = Puppet(id)) r->BeginMotion(queue);
}

void CVCPUNovel::OpDisableMotionQueuePuppet() {
    uint32_t id = cursor_.ReadInt();
    uint32_t queue = cursor_.ReadInt();
    if (PuppetRenderer* r = Puppet(id)) r->DisableMotionQueue(queue);
}

void CVCPUNovel::OpPushMotionPuppet() {
    uint32_t id = cursor_.ReadInt();
    uint32_t motion = cursor_.ReadInt();
    if (IRenderer* r = Renderer(id)) r->PushMotion(motion);
}

void CVCPUNovel::OpPushLoopMotionPuppet() {
    uint32_t id = cursor_.ReadInt();
    uint32_t motion = cursor_.ReadInt();
    if (IRenderer* r = Renderer(id)) r->PushLoopMotion(motion);
}

void CVCPUNovel::OpSwapPuppetModel() {
    uint32_t a = cursor_.ReadInt();
    uint32_t b = cursor_.ReadInt();
    Sources().puppetModels.SwapOrder(a, b);
}

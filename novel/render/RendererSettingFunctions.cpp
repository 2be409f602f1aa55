// The novel setting script's renderer functions: each reaches the novel system's managers.
#include "novel/render/RendererSettingFunctions.h"

#include <string>

#include "engine/device/AppDeviceInfo.h"
#include "engine/render/RenderSystem.h"
#include "novel/novel/NovelSystem.h"

namespace {

CNovelSystem* Novel() { return CNovelSystem::GetInstance(); }
// A script's negative count means none.
std::uint32_t Count(int n) { return n > 0 ? static_cast<std::uint32_t>(n) : 0; }

const char* const kMincho = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";                  // ＭＳ 明朝
const char* const kGothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック

void AddTextBuffer(int size, int style, int width, int height, int pitch, int lineHeight, int align) {
    Novel()->GetTextBuffers().CreateStringRenderTexture(size, (style & 1) ? kMincho : kGothic, width, height, pitch,
                                                        lineHeight, align, true);
}
void AddTextBufferFont(int size, const std::string& face, int width, int height, int pitch, int lineHeight,
                       bool fixedPitch, int align) {
    Novel()->GetTextBuffers().CreateStringRenderTexture(size, face.c_str(), width, height, pitch, lineHeight, align,
                                                        fixedPitch);
}
void SetTextBufferForMessageWindow(int message, int name) {
    Novel()->SetMessageBuffers(static_cast<std::uint32_t>(message), static_cast<std::uint32_t>(name));
}
void SetRenderSourceCnt(int single, int parts, int buffers) {
    RenderSource::CRenderSourceManager& s = Novel()->GetRenderSources();
    s.singleTextures.Allocate(Count(single));
    s.partsTextures.Allocate(Count(parts));
    s.renderBuffers.Allocate(Count(buffers));
}
void SetMeshRenderSourceCount(int n) { Novel()->GetRenderSources().meshes.Allocate(Count(n)); }
void SetPuppetRenderSourceCount(int n) { Novel()->GetRenderSources().puppetModels.Allocate(Count(n)); }

// Render buffer i becomes a width x height target, and a new layer of the current table is drawn into
// it each frame.
void SetRenderBuffer(std::uint32_t i, float width, float height, std::uint32_t opaque) {
    CUSAppDeviceInfo* info = CUSSingleton<CUSAppDeviceInfo>::GetInstance();
    D3DFORMAT format = opaque == 0 ? info->alphaRenderTarget.GetFormat() : info->opaqueRenderTarget.GetFormat();
    RenderSource::CRenderBuffer* buffer = Novel()->GetRenderSources().renderBuffers.GetSource(i);
    RenderObjectTable* table = RenderObjectTable::GetCurrent();
    if (!buffer || !table) return;
    buffer->Create(format, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    const std::uint32_t layer = table->LayerCount();
    table->AddLayer(16);
    table->ReserveQueue();
    Novel()->AddRenderBufferPass(layer, i);
}

template <class Create>
void WithSources(Create create) {
    create()->SetRenderSourceManager(&Novel()->GetRenderSources());
}
void AddSingleTextureRenderer(std::uint32_t id) {
    WithSources([id] { return Novel()->GetRenderers().CreateSingleTextureRenderer(id); });
}
void AddAlphaFadeTextureRenderer(std::uint32_t id) {
    WithSources([id] { return Novel()->GetRenderers().CreateAlphaFadeRenderer(id); });
}
void AddPartTextureRenderer(std::uint32_t id) {
    WithSources([id] { return Novel()->GetRenderers().CreateTexturePartRenderer(id); });
}
void AddRenderingBufferRenderer(std::uint32_t id) {
    WithSources([id] { return Novel()->GetRenderers().CreateRenderBufferRenderer(id); });
}
void AddMeshRenderer(std::uint32_t id) {
    WithSources([id] { return Novel()->GetRenderers().CreateMeshRenderer(id); });
}
void AddPuppetModelRenderer(std::uint32_t id) {
    WithSources([id] { return Novel()->GetRenderers().CreatePuppetRenderer(id); });
}
void AddPolygonRenderer(std::uint32_t id) { Novel()->GetRenderers().CreateAtmosphericPolygonRenderer(id); }
void AddTextRenderer(std::uint32_t id) { Novel()->GetRenderers().CreateStringRenderer(id); }

}  // namespace

bool RegisterRendererSettingFunctions(asIScriptEngine* engine) {
    return RegisterScriptFunctions(
        engine, {
                    {"void AddTextBuffer(int,int,int,int,int,int,int)", asFUNCTION(AddTextBuffer)},
                    {"void AddTextBufferFont(int,string &in,int,int,int,int,bool,int)", asFUNCTION(AddTextBufferFont)},
                    {"void SetTextBufferForMessageWindow(int,int)", asFUNCTION(SetTextBufferForMessageWindow)},
                    {"void SetRenderSourceCnt(int,int,int)", asFUNCTION(SetRenderSourceCnt)},
                    {"void SetMeshRenderSourceCount(int)", asFUNCTION(SetMeshRenderSourceCount)},
                    {"void SetPuppetRenderSourceCount(int)", asFUNCTION(SetPuppetRenderSourceCount)},
                    {"void SetRenderBuffer(uint32,float,float,uint32)", asFUNCTION(SetRenderBuffer)},
                    {"void AddSingleTextureRenderer(uint32)", asFUNCTION(AddSingleTextureRenderer)},
                    {"void AddAlphaFadeTextureRenderer(uint32)", asFUNCTION(AddAlphaFadeTextureRenderer)},
                    {"void AddPartTextureRenderer(uint32)", asFUNCTION(AddPartTextureRenderer)},
                    {"void AddRenderingBufferRenderer(uint32)", asFUNCTION(AddRenderingBufferRenderer)},
                    {"void AddMeshRenderer(uint32)", asFUNCTION(AddMeshRenderer)},
                    {"void AddPuppetModelRenderer(uint32)", asFUNCTION(AddPuppetModelRenderer)},
                    {"void AddTextRenderer(uint32)", asFUNCTION(AddTextRenderer)},
                    {"void AddPolygonRenderer(uint32)", asFUNCTION(AddPolygonRenderer)},
                });
}

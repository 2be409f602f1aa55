// The render-state manager and the application's standard records.
#include "engine/render/RenderStateManager.h"

namespace RenderSystem {
namespace {

constexpr StateTableEntry End{kStateTableEnd, 0};

#define DEPTH(write, enable, func) \
    {{D3DRS_ZWRITEENABLE, write}, {D3DRS_ZENABLE, enable}, {D3DRS_ZFUNC, func}, End}
const StateTableEntry kDepth[8][4] = {
    DEPTH(TRUE, D3DZB_TRUE, D3DCMP_LESSEQUAL), DEPTH(FALSE, D3DZB_FALSE, D3DCMP_LESSEQUAL),
    DEPTH(FALSE, D3DZB_TRUE, D3DCMP_LESSEQUAL), DEPTH(TRUE, D3DZB_FALSE, D3DCMP_LESSEQUAL),
    DEPTH(TRUE, D3DZB_TRUE, D3DCMP_LESS),      DEPTH(FALSE, D3DZB_FALSE, D3DCMP_LESS),
    DEPTH(FALSE, D3DZB_TRUE, D3DCMP_LESS),      DEPTH(TRUE, D3DZB_FALSE, D3DCMP_LESS)};
#undef DEPTH

#define BLEND(dest) {{D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, dest}, \
                     {D3DRS_SEPARATEALPHABLENDENABLE, FALSE}, End, End, End}
#define BLEND_SUM(dest) {{D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, dest}, \
                         {D3DRS_SEPARATEALPHABLENDENABLE, TRUE}, {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE}, \
                         {D3DRS_DESTBLENDALPHA, D3DBLEND_ONE}, End}
// 0-3: alpha, additive, against the inverse destination colour, alpha again; 4-7 the same with the
// target's alpha made the sum of source and destination alpha.
const StateTableEntry kBlend[8][6] = {
    BLEND(D3DBLEND_INVSRCALPHA),     BLEND(D3DBLEND_ONE),     BLEND(D3DBLEND_INVDESTCOLOR),
    BLEND(D3DBLEND_INVSRCALPHA),     BLEND_SUM(D3DBLEND_INVSRCALPHA), BLEND_SUM(D3DBLEND_ONE),
    BLEND_SUM(D3DBLEND_INVDESTCOLOR), BLEND_SUM(D3DBLEND_INVSRCALPHA)};
#undef BLEND
#undef BLEND_SUM

const StateTableEntry kModulateStage[] = {{D3DTSS_COLORARG1, D3DTA_TEXTURE}, {D3DTSS_COLORARG2, D3DTA_CURRENT},
                                          {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {D3DTSS_ALPHAARG2, D3DTA_CURRENT},
                                          {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_ALPHAOP, D3DTOP_MODULATE}, End};
const StateTableEntry kPointSampler[] = {{D3DSAMP_MINFILTER, D3DTEXF_POINT}, {D3DSAMP_MAGFILTER, D3DTEXF_POINT}, End};
const StateTableEntry kLinearSampler[] = {{D3DSAMP_MINFILTER, D3DTEXF_LINEAR}, {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}, End};

const StateTableEntry* At(const std::vector<const StateTableEntry*>& list, DWORD i) {
    return i < list.size() ? list[i] : nullptr;
}

}  // namespace

CRenderStateManager& CRenderStateManager::Instance() {
    static CRenderStateManager manager;
    return manager;
}

void CRenderStateManager::Clear() {
    depth_.clear();
    blend_.clear();
    stage_.clear();
    sampler_.clear();
}

void CRenderStateManager::ApplyDepthState(DWORD i) {
    if (const StateTableEntry* r = At(depth_, i)) ApplyRenderStates(r);
}

void CRenderStateManager::ApplyBlendState(DWORD i) {
    if (const StateTableEntry* r = At(blend_, i)) ApplyRenderStates(r);
}

void CRenderStateManager::ApplyTextureStageState(DWORD i, DWORD stage) {
    if (const StateTableEntry* r = At(stage_, i)) ApplyTextureStageStates(stage, r);
}

void CRenderStateManager::ApplySamplerState(DWORD i, DWORD sampler) {
    if (const StateTableEntry* r = At(sampler_, i)) ApplySamplerStates(sampler, r);
}

void CRenderStateManager::RegisterStandardRecords() {
    Clear();
    for (const auto& r : kDepth) AddDepthState(r);
    for (const auto& r : kBlend) AddBlendState(r);
    AddTextureStageState(kModulateStage);
    AddSamplerState(kPointSampler);
    AddSamplerState(kLinearSampler);
}

}  // namespace RenderSystem

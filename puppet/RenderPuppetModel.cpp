// RenderPuppetModel: the device states of a Puppet draw and the draw itself.
#include "puppet/RenderPuppetModel.h"

#include "engine/device/D3DDevice.h"
#include "engine/render/RenderSystem.h"

namespace RenderSystem {
namespace {
constexpr StateTableEntry End{kStateTableEnd, 0};

constexpr StateTableEntry kRenderStates[] = {
    {D3DRS_LIGHTING, FALSE},          {D3DRS_SPECULARENABLE, FALSE},     {D3DRS_COLORVERTEX, TRUE},
    {D3DRS_NORMALIZENORMALS, TRUE},   {D3DRS_DITHERENABLE, TRUE},        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ZWRITEENABLE, TRUE},       {D3DRS_ZENABLE, D3DZB_TRUE},       {D3DRS_ALPHABLENDENABLE, TRUE},
    {D3DRS_ALPHATESTENABLE, TRUE},    {D3DRS_ALPHAREF, 0},               {D3DRS_ALPHAFUNC, D3DCMP_GREATER},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_CULLMODE, D3DCULL_NONE}, {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, End};
constexpr StateTableEntry kStageStates[] = {
    {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG1, D3DTA_TEXTURE}, {D3DTSS_COLORARG2, D3DTA_CURRENT},
    {D3DTSS_ALPHAOP, D3DTOP_MODULATE}, {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {D3DTSS_ALPHAARG2, D3DTA_CURRENT}, End};
constexpr StateTableEntry kSamplerStates[] = {{D3DSAMP_MINFILTER, D3DTEXF_LINEAR}, {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
                                              {D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP}, {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
                                              End};
}  // namespace

void RenderPuppetModel::Draw() {
    ApplyRenderStates(kRenderStates);
    ApplyTextureStageStates(0, kStageStates);
    ApplySamplerStates(0, kSamplerStates);
    if (DXPuppetModel* m = GetPuppetModel(model)) m->Draw();
    CRenderingManager::GetInstance()->GetElements().Record(0, TextureHandle());
    if (IDirect3DDevice9* device = GetD3DDevice()) device->SetTexture(0, nullptr);
}

}  // namespace RenderSystem

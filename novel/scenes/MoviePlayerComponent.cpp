// The movie component: its quad and constants, opening a movie into a texture, and the forwarding
// of play, stop and the per-frame copy to the player.
#include "novel/scenes/MoviePlayerComponent.h"

#include "engine/device/AppDeviceInfo.h"
#include "engine/resources/Texture.h"
#include "engine/util/USLogManager.h"
#include "novel/render/Renderer.h"

using namespace NovelRender;

void MoviePlayerComponent::Setup() {
    RenderSystem::CBaseRenderObject* object = CreateRenderObject(&object_, 1, 0, 0);
    object->position = D3DXVECTOR3(800 / 2 - 0.5f, 600 / 2 - 0.5f, 0);
    object->scale = D3DXVECTOR3(1, 1, 1);
    D3DXMatrixIdentity(&object->rotation);
    object->blendState = 0;
    CVSParamInfo* params = CreateVSParams(&params_);
    SetRegister(*params, 4, 1, 0, 0, 0);
    SetRegister(*params, 7, 1, 1, 1, 1);
    SetVertexProgram(*object, 0, params_);
}

void MoviePlayerComponent::Release() {
    GetVSParamManager().Release(params_);
    GetRenderObjectManager().Release(object_);
    Close();
}

void MoviePlayerComponent::Close() {
    MovieGrabTextureManager().Release(player_);
    GetTextureManager().Release(texture_);
}

bool MoviePlayerComponent::Open(const char* name) {
    Handle<_tagDShowMovieGrabTexture> player;
    if (!CreateMovieGrabTexture(&player, name)) {
        US_LOG("Movie: cannot play [%s]\n", name);
        return false;
    }
    std::uint32_t w = 0, h = 0;
    GetMovieGrabTexture(player)->GetVideoSize(&w, &h);
    TextureHandle texture;
    const D3DFORMAT format = CUSSingleton<CUSAppDeviceInfo>::GetInstance()->alphaTexture.GetFormat();
    if (!CreateTexture(&texture, format, w, h, 0)) {
        US_LOG("Movie: no %ux%u texture for [%s]\n", w, h, name);
        MovieGrabTextureManager().Release(player);
        return false;
    }
    Close();
    player_ = player;
    texture_ = texture;
    Player()->SetTexture(texture_);
    const D3DSURFACE_DESC& level = GetTexture(texture_)->GetLevelDesc();
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    if (CVSParamInfo* params = GetVSParamInfo(params_)) {
        SetRegister(*params, 5, -fw / 2, -fh / 2, fw / 2, fh / 2);
        SetRegister(*params, 6, 0, fh / static_cast<float>(level.Height), fw / static_cast<float>(level.Width), 0);
    }
    if (RenderSystem::CBaseRenderObject* object = GetRenderObject(object_)) object->Stage(0).SetTexture(texture_);
    return true;
}

void MoviePlayerComponent::Play() {
    if (CDShowMovieGrabTexture* player = Player()) player->Play();
}

void MoviePlayerComponent::Update() {
    if (CDShowMovieGrabTexture* player = Player()) player->Update();
}

void MoviePlayerComponent::Stop() {
    if (CDShowMovieGrabTexture* player = Player()) player->Stop();
}

bool MoviePlayerComponent::IsPlaying() {
    CDShowMovieGrabTexture* player = Player();
    return player && player->IsPlaying();
}

void MoviePlayerComponent::SetColor(const float* rgba) {
    if (CVSParamInfo* params = GetVSParamInfo(params_)) SetRegister(*params, 7, rgba);
}

void MoviePlayerComponent::SetColor(float r, float g, float b, float a) {
    const float rgba[4] = {r, g, b, a};
    SetColor(rgba);
}

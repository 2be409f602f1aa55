// The movie players over the DirectShow filter graph.
#include "engine/movie/DShowMovie.h"

#include "engine/files/USPath.h"
#include "engine/movie/USDirectShow.h"
#include "engine/util/USLogManager.h"
#include "engine/util/USSingleton.h"

namespace {
constexpr int kWidePathLength = 260;
constexpr DWORD kEventTimeoutMs = 4;
// Made before the program's entry, so that it outlives the shutdown callback that empties it, even
// when that callback runs from an exit handler registered before the first movie played.
MovieGrabTextureManagerType g_movieGrabTextures;

template <class T>
void ReleaseInterface(T*& object) {
    if (object) object->Release();
    object = nullptr;
}
}  // namespace

CDefoDShowMovie::~CDefoDShowMovie() { CDefoDShowMovie::Release(); }

void CDefoDShowMovie::Release() {
    Stop();
    ReleaseInterface(videoWindow_);
    ReleaseInterface(mediaEvent_);
    ReleaseInterface(mediaControl_);
    ReleaseInterface(graphBuilder_);
    opened_ = 0;
}

bool CDefoDShowMovie::Play() {
    std::lock_guard<std::mutex> lock(lock_);
    if (opened_ != 1 || FAILED(mediaControl_->Run())) return false;
    playing_ = 1;
    return true;
}

bool CDefoDShowMovie::Stop() {
    std::lock_guard<std::mutex> lock(lock_);
    if (!opened_ || !playing_ || FAILED(mediaControl_->Stop())) return false;
    playing_ = 0;
    return true;
}

bool CDefoDShowMovie::IsPlaying() {
    if (!mediaEvent_) return false;
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    HRESULT hr = mediaEvent_->GetEvent(&code, &param1, &param2, kEventTimeoutMs);
    mediaEvent_->FreeEventParams(code, param1, param2);
    return !(SUCCEEDED(hr) && code == EC_COMPLETE);
}

void CDefoDShowMovie::GetVideoSize(std::uint32_t* width, std::uint32_t* height) {
    *width = videoWidth_;
    *height = videoHeight_;
}

bool CDefoDShowMovie::ResolvePath(const char* name, WCHAR* widePath) {
    if (!CUSSingleton<CUSDirectShow>::GetInstance()->IsInitialized()) return false;
    std::string path = BuildModulePath(name);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    // A path too long for the buffer is refused rather than cut short.
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, kWidePathLength) == 0) return false;
    Release();
    return true;
}

CDShowMovieGrabTexture::~CDShowMovieGrabTexture() { CDShowMovieGrabTexture::Release(); }

void CDShowMovieGrabTexture::Release() {
    Stop();
    // The graph holds its own reference: the renderer lives until the graph lets it go.
    if (renderer_) renderer_->Release();
    renderer_ = nullptr;
    CDefoDShowMovie::Release();
}

bool CDShowMovieGrabTexture::Open(const char* name) {
    WCHAR widePath[kWidePathLength];
    if (!ResolvePath(name, widePath)) return false;
    bool built = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graphBuilder_))) &&
        SUCCEEDED(graphBuilder_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&mediaControl_))) &&
        SUCCEEDED(graphBuilder_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&mediaEvent_))) &&
        SUCCEEDED(graphBuilder_->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&videoWindow_)))) {
        HRESULT hr = E_FAIL;
        renderer_ = new CUSGrabTextureRender(&hr);
        renderer_->AddRef();
        built = SUCCEEDED(hr) && SUCCEEDED(graphBuilder_->AddFilter(renderer_, u"TEXTURERENDERER")) &&
                SUCCEEDED(graphBuilder_->RenderFile(widePath, nullptr));
    }
    if (!built) {
        Release();
        return false;
    }
    videoWidth_ = static_cast<std::uint32_t>(renderer_->GetVideoWidth());
    videoHeight_ = static_cast<std::uint32_t>(renderer_->GetVideoHeight());
    opened_ = 1;
    fileName_ = name;
    return true;
}

void CDShowMovieGrabTexture::SetTexture(Handle<_tagUSTexture> texture) {
    if (renderer_) renderer_->SetTexture(texture);
}

void CDShowMovieGrabTexture::Update() {
    if (renderer_) renderer_->UpdateTexture();
}

MovieGrabTextureManagerType& MovieGrabTextureManager() { return g_movieGrabTextures; }

bool CreateMovieGrabTexture(Handle<_tagDShowMovieGrabTexture>* out, const char* name) {
    auto player = std::make_unique<CDShowMovieGrabTexture>();
    if (!player->Open(name)) {
        US_LOG("Movie %s cannot be played (missing, or not a movie this game can decode)\n", name ? name : "");
        return false;
    }
    MovieGrabTextureManager().Add(std::move(player), out);
    return true;
}

CDShowMovieGrabTexture* GetMovieGrabTexture(const Handle<_tagDShowMovieGrabTexture>& handle) {
    return MovieGrabTextureManager().Get(handle);
}

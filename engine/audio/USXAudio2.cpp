// Starting and releasing the XAudio2 engine, and creating and looking up the voices by handle.
#include "engine/audio/USXAudio2.h"

#include "engine/app/USApp.h"
#include "engine/audio/SourceVoice.h"
#include "engine/audio/StreamingSourceVoice.h"
#include "engine/util/USCallbackManager.h"
#include "engine/util/USLogManager.h"

namespace {

IXAudio2* g_engine = nullptr;
IXAudio2MasteringVoice* g_master = nullptr;

// Both create functions: set the voice up for the file, and hand it to its manager on success.
template <class Voice, class HandleT>
int CreateVoice(HandleT* handle, const char* filename) {
    auto voice = std::make_unique<Voice>();
    if (FAILED(voice->Setup(filename))) return 0;
    Voice::GetManager().Add(std::move(voice), handle);
    return 1;
}

}  // namespace

namespace USXAudio2 {
IXAudio2* GetXAudio2() { return g_engine; }
IXAudio2MasteringVoice* GetMasteringVoice() { return g_master; }
}  // namespace USXAudio2

HRESULT InitXAudio2() {
    US_LOG("Initialize XAudio2...\n");
    COMManager* com = CUSSingleton<COMManager>::GetInstance();
    com->Initialize();
    HRESULT hr = CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2,
                                  reinterpret_cast<void**>(&g_engine));
    if (SUCCEEDED(hr)) hr = g_engine->Initialize(0, XAUDIO2_DEFAULT_PROCESSOR);
    if (FAILED(hr)) {
        if (g_engine) g_engine->Release();
        g_engine = nullptr;
        com->Uninitialize();
        US_LOG("Failed Initializing XAudio2!\n");
        return hr;
    }
    hr = g_engine->CreateMasteringVoice(&g_master, XAUDIO2_DEFAULT_CHANNELS, XAUDIO2_DEFAULT_SAMPLERATE, 0, 0, nullptr);
    if (FAILED(hr)) {
        g_master = nullptr;
        g_engine->Release();
        g_engine = nullptr;
        com->Uninitialize();
        US_LOG("Failed Create Mastering Voice!\n");
        return hr;
    }
    CUSCallbackManager::Global().Add(ReleaseXAudio2);
    US_LOG("Success Initialization of XAudio2\n\n");
    return hr;
}

void ReleaseXAudio2() {
    USXAudio2::SourceVoice::GetManager().ReleaseAll();
    USXAudio2::StreamingSourceVoice::GetManager().ReleaseAll();
    if (g_master) g_master->DestroyVoice();
    g_master = nullptr;
    if (g_engine) {
        g_engine->Release();
        g_engine = nullptr;
        CUSSingleton<COMManager>::GetInstance()->Uninitialize();
    }
    US_LOG("Release XAudio2\n\n");
}

int CreateSourceVoice(USXAudio2::SourceVoiceHandle* handle, const char* filename) {
    return CreateVoice<USXAudio2::SourceVoice>(handle, filename);
}

int CreateStreamingSourceVoice(USXAudio2::StreamingSourceVoiceHandle* handle, const char* filename) {
    return CreateVoice<USXAudio2::StreamingSourceVoice>(handle, filename);
}

USXAudio2::SourceVoice* GetSourceVoice(USXAudio2::SourceVoiceHandle handle) {
    return USXAudio2::SourceVoice::GetManager().Get(handle);
}

USXAudio2::StreamingSourceVoice* GetStreamingSourceVoice(USXAudio2::StreamingSourceVoiceHandle handle) {
    return USXAudio2::StreamingSourceVoice::GetManager().Get(handle);
}

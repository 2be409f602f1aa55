// Loading FFmpeg's libraries by the major versions the program was built against.
#include "ffmpeg_library.h"

#include <dlfcn.h>

#include <string>

#include <windows.h>

namespace dshow {

namespace {

FFmpeg g_ffmpeg;

bool Load() {
    const char* const names[] = {
        "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
        "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
        "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
        "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
        "libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
    };
    for (const char* name : names) {
        // Global, so that each function is found whichever of them holds it.
        if (!dlopen(name, RTLD_NOW | RTLD_GLOBAL)) {
            const char* why = dlerror();
            OutputDebugStringA(("Movies cannot be played: " + std::string(why ? why : name) + "\n").c_str());
            return false;
        }
    }
    bool complete = true;
    auto find = [&](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(RTLD_DEFAULT, name));
        if (!slot) OutputDebugStringA(("Movies cannot be played: FFmpeg has no " + std::string(name) + "\n").c_str());
        complete &= slot != nullptr;
    };
#define DSHOW_FFMPEG_FIND(name) find(g_ffmpeg.name, #name);
    DSHOW_FFMPEG_FUNCTIONS(DSHOW_FFMPEG_FIND)
#undef DSHOW_FFMPEG_FIND
    if (complete) g_ffmpeg.av_log_set_level(AV_LOG_FATAL);  // damaged input is reported through results, not stderr
    return complete;
}

}  // namespace

const FFmpeg* LoadFFmpeg() {
    static const bool loaded = Load();
    return loaded ? &g_ffmpeg : nullptr;
}

const FFmpeg& Ff() { return g_ffmpeg; }

}  // namespace dshow

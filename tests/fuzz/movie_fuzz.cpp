// Fuzz target: movie files. The first byte picks the path, the rest is the file: 0 decodes every video
// and sound frame of the file as the filter graph's decoders do (fast); 1 plays it through the engine's
// movie player into a texture for a short while, as the movie scene does (threads and clock included).
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/movie/DShowMovie.h"
#include "engine/movie/USDirectShow.h"
#include "engine/resources/Texture.h"
#include "fuzz/device_support.h"
#include "fuzz/fuzz_support.h"
#include "stream_decoder.h"

namespace {
void DecodeAll(AVMediaType type) {
    auto decoder = dshow::StreamDecoder::Open("fuzz.mov", type);
    if (!decoder) return;
    AVFrame* frame = av_frame_alloc();
    // A bounded number of frames, so that a stream that never ends shows as a time-out.
    for (int i = 0; i < 2000 && decoder->Next(frame); ++i) {
        decoder->StartTime(frame);
        av_frame_unref(frame);
    }
    av_frame_free(&frame);
}

void Play() {
    static const bool ready = InitDirectShow();
    if (!ready) return;
    // The player looks for movies beside the program: name the file relative to it.
    namespace fs = std::filesystem;
    static const std::string name =
        fs::relative(fs::current_path() / "fuzz.mov", fs::read_symlink("/proc/self/exe").parent_path()).string();
    Handle<_tagDShowMovieGrabTexture> movie;
    if (!CreateMovieGrabTexture(&movie, name.c_str())) return;
    CDShowMovieGrabTexture* player = GetMovieGrabTexture(movie);
    std::uint32_t width = 0, height = 0;
    player->GetVideoSize(&width, &height);
    TextureHandle texture;
    if (width && height && width <= 2048 && height <= 2048 &&
        CreateTexture(&texture, D3DFMT_A8R8G8B8, width, height, 0))
        player->SetTexture(texture);
    player->Play();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < end && player->IsPlaying()) {
        player->Update();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    player->Stop();
    MovieGrabTextureManager().Release(movie);
    if (texture) GetTextureManager().Release(texture);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || !fuzz::OpenEngineDevice()) return 0;
    fuzz::WriteFile("fuzz.mov", data + 1, size - 1);
    if (data[0] == 1) {
        Play();
    } else {
        DecodeAll(AVMEDIA_TYPE_VIDEO);
        DecodeAll(AVMEDIA_TYPE_AUDIO);
    }
    return 0;
}

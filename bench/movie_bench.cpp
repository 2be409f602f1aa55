// Cost of movie playback: an 800x600, 30 frames a second movie with sound decoded, converted and
// copied into the movie texture once per 60 Hz game frame, in real time. Reports the process's
// CPU time as a percentage of one core ("core_percent"); the goal is under 15.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "engine/movie/DShowMovie.h"
#include "engine/movie/USDirectShow.h"
#include "engine/app/USWindow.h"
#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "engine/resources/Texture.h"
#include "engine/util/USSingleton.h"

namespace {

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// The test movie, made once with Debian's ffmpeg: 6 s of a moving test pattern with a tone.
std::string MoviePath() {
    std::string path = "/tmp/marlowe_movie_bench_800x600.mpg";
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return path;
    }
    std::string command =
        "ffmpeg -v error -y -f lavfi -i testsrc2=s=800x600:r=30:d=6 -f lavfi -i sine=frequency=440:duration=6 "
        "-c:v mpeg1video -b:v 4M -c:a mp2 -b:a 192k " + path;
    return std::system(command.c_str()) == 0 ? path : std::string();
}

void BM_MoviePlaybackIntoTexture(benchmark::State& state) {
    std::string path = MoviePath();
    if (path.empty()) {
        state.SkipWithError("ffmpeg could not make the test movie");
        return;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    CUSWindow window;
    window.Create(nullptr, "MovieBench", 800, 600);
    TextureHandle texture;
    if (InitDirect3D() < 0 || !CUSSingleton<CUSAppDeviceInfo>::GetInstance()->Setup(D3DFMT_X8R8G8B8, false) ||
        CreateD3DDevice(window.GetHandle(), 800, 600, 800, 600, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8) < 0 ||
        !CreateTexture(&texture, D3DFMT_A8R8G8B8, 800, 600, 0) || !InitDirectShow()) {
        state.SkipWithError("no device, texture or DirectShow");
        return;
    }
    for (auto _ : state) {
        Handle<_tagDShowMovieGrabTexture> movie;
        if (!CreateMovieGrabTexture(&movie, path.c_str())) {
            state.SkipWithError("the movie did not open");
            return;
        }
        CDShowMovieGrabTexture* player = GetMovieGrabTexture(movie);
        player->SetTexture(texture);
        auto wallStart = std::chrono::steady_clock::now();
        double cpuStart = CpuSeconds();
        player->Play();
        for (auto next = wallStart; player->IsPlaying();) {
            player->Update();
            next += std::chrono::microseconds(16667);
            std::this_thread::sleep_until(next);
        }
        double cpu = CpuSeconds() - cpuStart;
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        player->Stop();
        MovieGrabTextureManager().Release(movie);
        state.counters["core_percent"] = 100.0 * cpu / wall;
    }
    GetTextureManager().Release(texture);
    ReleaseDirect3D();
}
BENCHMARK(BM_MoviePlaybackIntoTexture)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();

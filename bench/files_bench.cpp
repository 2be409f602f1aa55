// File-layer speed: LZSS decoding and archive entry reads (stored and compressed), each beside a
// plain memcpy of the same bytes. Goals: LZSS decoding >= 300 MB/s, deciphered entry reads >= 1 GB/s.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/files/LZSS.h"
#include "engine/files/USEncryption.h"
#include "engine/files/USFile.h"
#include "engine/files/USFileArchiveSystem.h"
#include "tools/arcpack/ArcWriter.h"

namespace {

const char kKey[] = "qT7mRw2Z";

// About 4 MB of game-like text: script lines, numbers and repeated names.
std::vector<unsigned char> Text() {
    std::string s;
    unsigned seed = 1;
    while (s.size() < (4u << 20)) {
        seed = seed * 1103515245u + 12345u;
        s += "\tSetRenderer(" + std::to_string(seed % 97) + ", \"image\\\\chr\\\\ren_" +
             std::to_string((seed >> 8) % 5) + ".png\", " + std::to_string((seed >> 12) % 800) + ", " +
             std::to_string((seed >> 20) % 600) + ");\r\n";
    }
    return {s.begin(), s.end()};
}

// About 4 MB of mesh-like binary data: floats on a coarse grid and 16-bit indices (compresses less).
std::vector<unsigned char> Mesh() {
    std::vector<unsigned char> bytes;
    unsigned seed = 7;
    while (bytes.size() < (4u << 20)) {
        seed = seed * 1103515245u + 12345u;
        float v[3] = {static_cast<float>((seed >> 8) % 64) / 8.0f, static_cast<float>((seed >> 14) % 64) / 8.0f, 0.0f};
        std::uint16_t index = static_cast<std::uint16_t>((seed >> 4) % 4096);
        const auto* p = reinterpret_cast<const unsigned char*>(v);
        bytes.insert(bytes.end(), p, p + sizeof v);
        bytes.insert(bytes.end(), reinterpret_cast<unsigned char*>(&index), reinterpret_cast<unsigned char*>(&index) + 2);
    }
    return bytes;
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<unsigned char> src = Text(), dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

void BM_LzssDecode(benchmark::State& state, std::vector<unsigned char> (*make)()) {
    std::vector<unsigned char> text = make(), code, out(text.size());
    CLZSS encoder;
    encoder.Encode(text.data(), static_cast<std::uint32_t>(text.size()), code);
    for (auto _ : state) {
        CLZSS lzss;
        unsigned char* dst = out.data();
        lzss.Decode(code.data(), static_cast<std::uint32_t>(code.size()), dst, static_cast<std::uint32_t>(out.size()),
                    false);
        benchmark::DoNotOptimize(dst);
        benchmark::ClobberMemory();
    }
    if (out != text) state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["ratio"] = static_cast<double>(code.size()) / static_cast<double>(text.size());
}

void BM_Decrypt(benchmark::State& state) {
    std::vector<unsigned char> bytes = Text();
    CUSXOREncryption cipher;
    cipher.SetKey(kKey, 8);
    for (auto _ : state) {
        cipher.Decrypt(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// A folder holding one archive with the text stored and compressed, mounted for the read benchmarks.
class MountedArchive {
public:
    MountedArchive() {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) previous_ = cwd;
        std::string pattern = (std::filesystem::temp_directory_path() / "files_bench_XXXXXX").string();
        if (!::mkdtemp(pattern.data()) || ::chdir(pattern.c_str()) != 0) std::abort();
        dir_ = pattern;
        text = Text();
        arcpack::WriteBytes("stored.arc", arcpack::BuildArchive({{"stored.txt", text}}, kKey, false));
        arcpack::WriteBytes("packed.arc", arcpack::BuildArchive({{"packed.txt", text}}, kKey, true));
        USFileArchiveSystem::GetInstance()->Init(kKey, false, true);
    }
    ~MountedArchive() {
        USFileArchiveSystem::GetInstance()->Init(kKey, false, false);
        if (::chdir(previous_.c_str()) == 0) std::filesystem::remove_all(dir_);
    }
    std::vector<unsigned char> text;

private:
    std::string previous_, dir_;
};

void BM_ArchiveRead(benchmark::State& state, const char* name, bool shared) {
    MountedArchive archive;
    std::uint32_t size = 0;
    for (auto _ : state) {
        CUSFile file;
        unsigned char* data = shared ? file.LoadShared(name) : file.Load(name);
        benchmark::DoNotOptimize(data);
        size = file.size;
    }
    if (size != archive.text.size()) state.SkipWithError("entry not read");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * archive.text.size()));
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LzssDecode, text, Text)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LzssDecode, mesh, Mesh)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decrypt)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ArchiveRead, stored_shared, "stored.txt", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ArchiveRead, stored_owned, "stored.txt", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ArchiveRead, compressed_shared, "packed.txt", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ArchiveRead, compressed_owned, "packed.txt", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();

// Replays a fuzz target's corpus in an ordinary build: every file named on the command line (or held
// in a folder named there) goes once through the target's entry point. A finding crashes, as it would
// under the fuzzer; a clean run prints how many inputs were replayed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    // Paths are read up front: a target may change the current directory.
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        fs::path arg = fs::absolute(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
        } else {
            files.push_back(arg);
        }
    }
    std::vector<std::vector<char>> inputs;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        std::fprintf(stderr, "replaying %s\n", files[i].c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(inputs[i].data()), inputs[i].size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}

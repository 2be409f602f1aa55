// Every test program runs headless: SDL's dummy video and audio drivers unless the caller chose
// others. Set before any test starts SDL. Named mutexes keep their lock files in a private folder
// of this process (its runtime folder), removed at exit, so that test runs leave nothing behind and
// never meet another run's locks. Processes a test starts from its program (death tests run again in a
// new process) use their maker's folder rather than leave one of their own behind.
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class PrivateRuntimeDir {
public:
    PrivateRuntimeDir() {
        if (std::getenv(kMakerVariable)) return;
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/marlowe-test-XXXXXX";
        if (mkdtemp(pattern.data())) {
            path_ = pattern;
            owner_ = getpid();
            setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
            setenv(kMakerVariable, path_.c_str(), 1);
        }
    }
    ~PrivateRuntimeDir() {
        std::error_code ignored;
        // A child made by fork that exits normally runs this too: only the maker removes the folder.
        if (!path_.empty() && getpid() == owner_) std::filesystem::remove_all(path_, ignored);
    }

private:
    static constexpr const char* kMakerVariable = "MARLOWE_TEST_RUNTIME_DIR";
    std::string path_;
    pid_t owner_ = 0;
};

const bool g_headless = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
const PrivateRuntimeDir g_runtimeDir;

}  // namespace

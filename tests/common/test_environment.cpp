// Every test program runs headless: SDL's dummy video and audio drivers unless the caller chose
// others. Set before any test starts SDL. Each test program has a private folder, its runtime folder
// (named mutexes keep their lock files there) and its temporary folder (every scratch folder of its
// tests is made inside), removed at exit, so that test runs leave nothing behind and never meet
// another run's locks. Processes a test starts from its program (death tests run again in a new
// process, the game started as its own process) use their maker's folder rather than one of their own.
// A test program ends on SIGTERM and SIGINT as any program does (SDL would turn them into a quit event
// that a hung test never reads), and the folders of test programs that were killed (a time-out's
// SIGKILL runs no clean-up) are removed by the next test program to start.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class PrivateRuntimeDir {
public:
    PrivateRuntimeDir() {
        if (std::getenv(kMakerVariable)) return;
        const char* tmp = std::getenv("TMPDIR");
        const std::string folder = tmp && *tmp ? tmp : "/tmp";
        RemoveDeadFolders(folder);
        std::string pattern = folder + "/" + kPrefix + "XXXXXX";
        if (!mkdtemp(pattern.data())) return;
        path_ = pattern;
        owner_ = getpid();
        // The folder's owner file exists only while locked by its maker: made and locked under another
        // name first, so that no other test program ever finds it unlocked while this one lives.
        const std::string made = path_ + "/owner.new";
        lock_ = open(made.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lock_ >= 0 && flock(lock_, LOCK_EX) == 0) std::rename(made.c_str(), (path_ + "/owner").c_str());
        setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
        setenv("TMPDIR", path_.c_str(), 1);
        setenv(kMakerVariable, path_.c_str(), 1);
    }
    ~PrivateRuntimeDir() {
        std::error_code ignored;
        // A child made by fork that exits normally runs this too: only the maker removes the folder.
        if (!path_.empty() && getpid() == owner_) fs::remove_all(path_, ignored);
        if (lock_ >= 0 && getpid() == owner_) close(lock_);
    }

private:
    // A folder whose owner file can be locked belongs to a test program that is gone.
    static void RemoveDeadFolders(const std::string& folder) {
        std::error_code ec;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
            if (entry.path().filename().string().rfind(kPrefix, 0) != 0) continue;
            const int fd = open((entry.path() / "owner").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0) continue;
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) fs::remove_all(entry.path(), ec);
            close(fd);
        }
    }

    static constexpr const char* kMakerVariable = "MARLOWE_TEST_RUNTIME_DIR";
    static constexpr const char* kPrefix = "marlowe-test-";
    std::string path_;
    pid_t owner_ = 0;
    int lock_ = -1;
};

const bool g_headless = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
    return true;
}();
const PrivateRuntimeDir g_runtimeDir;

}  // namespace

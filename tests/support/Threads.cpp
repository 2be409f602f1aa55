// Counts this process's threads from its task folder in /proc.
#include "support/Threads.h"

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace testsupport {

int ThreadCount() {
    // The thread sanitizer starts a helper thread of its own with the process's first thread: one
    // thread started and ended before the first count keeps it out of the difference tests take.
    // A joined thread stays listed for a moment while the kernel finishes its exit: the count waits
    // for the helper to leave the list, or it would count one thread too many.
    static const bool helperStarted = [] {
        pid_t helper = 0;
        std::thread([&helper] { helper = gettid(); }).join();
        const std::string task = "/proc/self/task/" + std::to_string(helper);
        for (int i = 0; i < 2000 && access(task.c_str(), F_OK) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        return true;
    }();
    (void)helperStarted;
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

}  // namespace testsupport

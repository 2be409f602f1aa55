// Counts this process's threads from its task folder in /proc.
#include "support/Threads.h"

#include <dirent.h>

#include <thread>

namespace testsupport {

int ThreadCount() {
    // The thread sanitizer starts a helper thread of its own with the process's first thread: one
    // thread started and ended before the first count keeps it out of the difference tests take.
    static const bool helperStarted = [] {
        std::thread([] {}).join();
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

// Counts this process's threads from its task folder in /proc.
#include "support/Threads.h"

#include <dirent.h>

namespace testsupport {

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

}  // namespace testsupport

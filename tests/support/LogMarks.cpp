// Test support: markers written to the game log by test scripts.
#include "support/LogMarks.h"

namespace testsupport {

std::vector<std::string> LogMarks(const std::string& log) {
    std::vector<std::string> marks;
    for (size_t at = log.find('['); at != std::string::npos; at = log.find('[', at + 1)) {
        const size_t end = log.find(']', at);
        if (end == std::string::npos) break;
        const std::string mark = log.substr(at + 1, end - at - 1);
        if (!mark.empty() && mark[0] == '#') marks.push_back(mark.substr(1));
    }
    return marks;
}

}  // namespace testsupport

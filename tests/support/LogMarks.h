// Test support: the markers "[#...]" that test scripts write to the game log, in order.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

std::vector<std::string> LogMarks(const std::string& log);

}  // namespace testsupport

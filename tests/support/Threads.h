// The number of threads this process runs, for tests that check that work leaves no thread behind.
#pragma once

namespace testsupport {

int ThreadCount();

}  // namespace testsupport

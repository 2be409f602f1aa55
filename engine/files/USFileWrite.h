// Replacing a file safely: saves and configuration files are written to a temporary file in the same
// folder, flushed to disk and renamed over the old file, so that a crash or a failed write never
// leaves a half-written file in place of a good one.
#pragma once
#include <cstddef>

// Writes size bytes to path (a Windows-style name). False on any failure: the old file is then
// untouched and the temporary file removed.
bool WriteFileAtomic(const char* path, const void* data, std::size_t size);

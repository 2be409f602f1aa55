// Maps the system's Windows-style paths (CP932 bytes, '\' separators, case-blind names) to native
// UTF-8 paths: every file access of the Win32 stand-in goes through NativePath.
#pragma once
#include <string>
#include <string_view>

namespace win32 {
// "\" and "/" both separate; each component is converted from CP932 and, when no entry of exactly
// that name exists, matched against the directory's entries without regard to ASCII case.
// Components that do not exist yet (a file about to be created) are kept as given.
std::string NativePath(std::string_view windowsPath);
// Native UTF-8 path -> Windows-style CP932 path with '\' separators (for GetModuleFileNameA etc.).
std::string WindowsPath(std::string_view nativePath);
}  // namespace win32

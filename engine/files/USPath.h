// Path utilities shared by the engine: the module directory, Shift-JIS-aware path manipulation
// ('\' separators, a trail byte is never a separator) and the existence test.
#pragma once
#include <string>

// Makes the executable's folder the current directory and remembers it as the module directory.
void SetCurrentDirectoryToModule();
// The module directory with its trailing '\' (empty before SetCurrentDirectoryToModule).
const std::string& GetModuleDirectory();
// A file beside the program: the module directory joined with name. Before the module directory is
// set (a program that never called SetCurrentDirectoryToModule), the name as it stands, so that a
// relative name stays relative to the current directory instead of being rooted at the top.
std::string BuildModulePath(const std::string& name);

std::string GetDirectoryPart(const std::string& path);
std::string GetFileExtension(const std::string& path);
std::string ToBackslashPath(const std::string& path);
std::string BuildPath(const std::string& base, const std::string& relative);
std::string RemoveLastPathSegment(const std::string& path);
bool PathExists(const std::string& path, bool wantDirectory);

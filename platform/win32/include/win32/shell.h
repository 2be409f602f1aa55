// shell32 stand-in: ShellExecuteA with the verb "open" hands a web or mail address, or a document
// (text, web page, PDF, picture), to the desktop's opener (xdg-open), detached; it never runs a program
// file, so that data naming one cannot start it. Returns a value above 32 when the opener started.
// win32::StartProgram starts a program file itself, for the one place that means to (the settings
// tool starting the game).
#pragma once
#include "win32/types.h"

#define SE_ERR_FNF 2
#define SE_ERR_ACCESSDENIED 5

HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);

namespace win32 {

// Starts the program file path (a Windows-style name, relative to the current folder or absolute),
// detached, in the current folder. False when there is no such program or it could not be started.
bool StartProgram(const char* path);

}  // namespace win32

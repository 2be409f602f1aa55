// shell32 stand-in: ShellExecuteA with the verb "open" runs a program file, or opens any other file
// or address with xdg-open; detached either way. Returns a value above 32 when the start succeeded.
#pragma once
#include "win32/types.h"

HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);

// shell32 stand-in: ShellExecuteA with the verb "open" starts a detached xdg-open.
#pragma once
#include "win32/types.h"

HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);

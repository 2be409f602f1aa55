// Our stand-in for <windows.h>: the Win32 types and calls the system uses, over POSIX and SDL2.
#pragma once
#include "win32/types.h"
#include "win32/codepage.h"
#include "win32/kernel.h"
#include "win32/winmm.h"
#include "win32/user.h"
#include "win32/shell.h"
#include "win32/ole.h"
#if __has_include("win32/gdi.h")
#include "win32/gdi.h"
#endif

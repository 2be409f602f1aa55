// Linked into the fuzz targets that run scenario code or scripts in place of the shell's opener: code
// made up by the fuzzer must never start a program or open a file on the desktop.
#include "win32/shell.h"

HINSTANCE ShellExecuteA(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) {
    return reinterpret_cast<HINSTANCE>(2);  // as for a file that is not found
}

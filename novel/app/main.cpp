// Process entry of Marlowe: hands control to WinMain as Windows would; the process status keeps the
// low 8 bits of its result.
#include <string>

#include "novel/app/MainApp.h"

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL) & 0xFF;
}

// Process entry of Fenwick: one instance at a time, the settings beside the program, the display's
// modes, then the dialog, whose end code is the result (the process status keeps its low 8 bits).
#include <windows.h>

#include "engine/files/USPath.h"
#include "settings_tool/AppSetting.h"
#include "settings_tool/ResolutionList.h"
#include "settings_tool/dialog/MainDlg.h"

int WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "OrrinLauncher");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 0;
    }
    SetCurrentDirectoryToModule();
    GetAppSetting().Load();
    GetResolutionList().Enumerate();
    int code = CMainDlg().DoModal();
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return code;
}

int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL) & 0xFF; }

// Starts ChimoraTray.exe from the build folder with a sample of quiet hours,
// opens its icon's menu and then its quiet-hours dialog as a user does, and
// for each prints the window's screen rectangle ("x y width height") and
// keeps it open until a line arrives on standard input. tools/screenshot.sh
// photographs them in between. The program exits from its menu at the end,
// and the keys it used are removed.
#include <stdio.h>
#include <string.h>

#include <string>

#include "tests/test_support.h"

static const char kQuietKey[] = "Software\\Quillet\\TimeSignalTray";
static const UINT kIconMessage = WM_APP + 1;  // the icon's callback (tray/tray.h)

struct Search {
    DWORD process;
    const char* className;
    HWND found;
};

static BOOL CALLBACK FindVisible(HWND window, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    char name[32];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && GetClassNameA(window, name, sizeof(name)) &&
        !strcmp(name, search->className)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of that class in the process, waited for.
static HWND AwaitVisible(DWORD process, const char* className)
{
    for (int waited = 0; waited < 30000; waited += 50) {
        Search search = {process, className, NULL};
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(50);
    }
    return NULL;
}

// Prints the window's rectangle and waits for the picture to be taken.
static bool Show(HWND window)
{
    RECT frame;
    char line[16];
    Sleep(500);  // let it paint
    GetWindowRect(window, &frame);
    printf("%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    fflush(stdout);
    return fgets(line, sizeof(line), stdin) != NULL;
}

static void SetQuiet(const char* name, DWORD value)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kQuietKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

// Opens the icon's menu as a right click does.
static HWND OpenMenu(HWND tray, DWORD process)
{
    PostMessageA(tray, kIconMessage, 1, WM_CONTEXTMENU);
    return AwaitVisible(process, "#32768");
}

int main()
{
    DeleteSettingsKey();
    WriteSettingsDword("Enable", 1);
    SetQuiet("QuietEnable", 1);
    SetQuiet("QuietStart", 22 * 60);
    SetQuiet("QuietEnd", 7 * 60);
    SetQuiet("QuietWhenLocked", 1);
    SetQuiet("QuietFullScreen", 0);

    std::string program = TestFolder() + "ChimoraTray.exe";
    STARTUPINFOA start = {};
    PROCESS_INFORMATION info;
    start.cb = sizeof(start);
    if (!CreateProcessA(program.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, NULL, &start, &info)) {
        fprintf(stderr, "cannot start %s\n", program.c_str());
        return 1;
    }
    int status = 1;
    HWND tray = NULL;
    for (int waited = 0; waited < 30000 && !tray; waited += 50, Sleep(50))
        tray = FindWindowA("ChimoraTrayWindow", NULL);
    HWND menu = tray ? OpenMenu(tray, info.dwProcessId) : NULL;
    if (menu && Show(menu)) {
        PostMessageA(menu, WM_CHAR, 'q', 1);
        HWND dialog = AwaitVisible(info.dwProcessId, "#32770");
        if (dialog && Show(dialog)) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            status = 0;
        }
    }
    if (tray) {
        Sleep(500);
        PostMessageA(tray, WM_CLOSE, 0, 0);
    }
    WaitForSingleObject(info.hProcess, 30000);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    RegDeleteTreeA(HKEY_CURRENT_USER, kQuietKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kQuietKey);
    DeleteSettingsKey();
    return status;
}

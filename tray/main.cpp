// ChimoraTray.exe: runs the time-signal module for a user without the host
// application, from a notification-area icon. Loads Chimora.vxm from its
// own folder, hands it a hidden window of its own and starts it; quiet
// hours stop and start it at the right moments. One instance per session.
// Links no language runtime: the entry point is TrayEntry.
#include "tray.h"
#include "tray_ids.h"

#include <commctrl.h>

Tray TheTray;

const WCHAR kTrayClass[] = L"ChimoraTrayWindow";
const WCHAR kOpenSettingsMessage[] = L"ChimoraTrayOpenSettings";
static const WCHAR kInstanceMutex[] = L"Local\\ChimoraTray";
static const WCHAR kModuleFile[] = L"Chimora.vxm";

enum {
    FIRST_WINDOW_WAIT_MS = 3000,  // how long a second start looks for the first's window
    FIRST_WINDOW_STEP_MS = 100,
    MESSAGE_SIZE = 512 + MAX_PATH,
};

void LoadText(UINT id, WCHAR* text, int size)
{
    if (LoadStringW(TheTray.Instance, id, text, size) <= 0)
        text[0] = L'\0';
}

// Asks the instance already running to open the module's settings. It may
// still be starting: its window is looked for a little while.
static void AskFirstInstance(void)
{
    UINT message = RegisterWindowMessageW(kOpenSettingsMessage);
    DWORD waited;
    DWORD process;
    HWND first;

    for (waited = 0; waited < FIRST_WINDOW_WAIT_MS; waited += FIRST_WINDOW_STEP_MS) {
        first = FindWindowW(kTrayClass, NULL);
        if (first) {
            // The user started us, so we may hand the foreground on.
            GetWindowThreadProcessId(first, &process);
            AllowSetForegroundWindow(process);
            PostMessageW(first, message, 0, 0);
            return;
        }
        Sleep(FIRST_WINDOW_STEP_MS);
    }
}

// The program's folder, with its trailing backslash, into folder.
static void FindProgramFolder(WCHAR* folder)
{
    DWORD length = GetModuleFileNameW(NULL, folder, MAX_PATH);
    if (length >= MAX_PATH)
        length = 0;
    while (length > 0 && folder[length - 1] != L'\\')
        length--;
    folder[length] = L'\0';
}

// Says in a box that the module could not be had, naming its file and
// what to do.
static void ReportLoadFailure(ModuleLoadResult result, const WCHAR* path, DWORD error)
{
    WCHAR format[MESSAGE_SIZE];
    WCHAR text[MESSAGE_SIZE];
    WCHAR caption[64];
    UINT id = result == MODULE_MISSING       ? IDS_MISSING
              : result == MODULE_LOAD_FAILED ? IDS_LOAD_FAILED
                                             : IDS_NOT_A_MODULE;

    LoadText(id, format, MESSAGE_SIZE - MAX_PATH);
    LoadText(IDS_APP_NAME, caption, 64);
    wsprintfW(text, format, path, error);
    MessageBoxW(NULL, text, caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Registers the class of our hidden window and creates it.
static HWND CreateTrayWindow(HINSTANCE instance)
{
    WNDCLASSW wc;

    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = TrayWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TRAY_ON));
    wc.lpszClassName = kTrayClass;
    if (!RegisterClassW(&wc))
        return NULL;
    // Top-level, never shown: it owns the module's timer and dialog, and
    // gets the broadcasts (TaskbarCreated, session end, clock changes).
    return CreateWindowExW(0, kTrayClass, L"Chimora", WS_OVERLAPPED, 0, 0, 0, 0, NULL, NULL,
                           instance, NULL);
}

// Runs the program; returns its exit code.
static UINT RunTray(void)
{
    Tray* tray = &TheTray;
    WCHAR path[MAX_PATH + 16];
    LoadedHostModule loaded;
    ModuleLoadResult result;
    char title[TITLE_SIZE];
    HANDLE mutex;
    MSG msg;

    tray->Instance = GetModuleHandleW(NULL);
    // Windows XP creates no dialog for a program whose manifest asks for
    // Common Controls 6 until comctl32 is loaded.
    InitCommonControls();
    mutex = CreateMutexW(NULL, FALSE, kInstanceMutex);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        AskFirstInstance();
        return 0;
    }

    FindProgramFolder(tray->Folder);
    lstrcpyW(path, tray->Folder);
    lstrcatW(path, kModuleFile);
    result = LoadHostModule(path, &loaded);
    if (result != MODULE_LOADED) {
        ReportLoadFailure(result, path, loaded.Error);
        return 1;
    }
    tray->Module = loaded.Handle;
    tray->Calls = loaded.Calls;

    ZeroMemory(title, sizeof(title));
    tray->Calls.GetTitleName(title);
    title[TITLE_SIZE - 1] = '\0';
    MultiByteToWideChar(CP_ACP, 0, title, -1, tray->Title, TITLE_SIZE);

    tray->TaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    tray->OpenSettingsMessage = RegisterWindowMessageW(kOpenSettingsMessage);
    tray->Window = CreateTrayWindow(tray->Instance);
    if (!tray->Window) {
        FreeLibrary(tray->Module);
        return 1;
    }
    tray->Calls.SetParentWindow(tray->Window);
    tray->Calls.StartModule();
    RegisterSessionNotification(tray->Window);
    // Shows the icon too, with the state it has put into effect.
    ReapplyQuietHours(tray, FALSE);

    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ShutDown(tray, 0);
    return 0;
}

// The process's entry point: no C runtime runs before or after it.
extern "C" void __cdecl TrayEntry(void)
{
    ExitProcess(RunTray());
}

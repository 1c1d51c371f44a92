// The hidden window's procedure: the icon's clicks and menu, the module's
// settings and the quiet-hours dialog, and the system's broadcasts.
#include "quiet_dialog.h"
#include "tray.h"
#include "tray_ids.h"

#include <shellapi.h>
#include <wtsapi32.h>

// Not in every SDK's headers: the icon's keyboard and mouse selection of
// NOTIFYICON_VERSION, and the session notification's message.
#ifndef NIN_SELECT
#define NIN_SELECT (WM_USER + 0)
#define NIN_KEYSELECT (NIN_SELECT | 0x1)
#endif
#ifndef WM_WTSSESSION_CHANGE
#define WM_WTSSESSION_CHANGE 0x02B1
#endif

enum { UNMAP_WAIT_MS = 5000, UNMAP_STEP_MS = 20 };

struct DialogSearch {
    HWND Owner;
    HWND Found;
};

// Whether window is owned, directly or through other windows, by owner.
static BOOL IsOwnedBy(HWND window, HWND owner)
{
    for (window = GetWindow(window, GW_OWNER); window; window = GetWindow(window, GW_OWNER))
        if (window == owner)
            return TRUE;
    return FALSE;
}

// Takes the visible, enabled window that our window owns: the dialog in
// front, or a box or chooser it has opened over itself.
static BOOL CALLBACK FindOpenDialog(HWND window, LPARAM param)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(param);

    if (IsWindowVisible(window) && IsWindowEnabled(window) && IsOwnedBy(window, search->Owner)) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

// Brings the dialog that is open (or the window over it) to the front,
// with the keyboard focus.
static void BringDialogToFront(Tray* tray)
{
    DialogSearch search = {tray->Window, NULL};

    EnumThreadWindows(GetCurrentThreadId(), FindOpenDialog, reinterpret_cast<LPARAM>(&search));
    if (search.Found)
        SetForegroundWindow(search.Found);
}

// Opens the module's settings, or brings an open dialog of ours forward:
// only one runs at a time and no second Setting is asked for. After OK the
// module has armed its timer if it is on: quiet hours are applied again.
static void OpenSettings(Tray* tray)
{
    int result;

    if (tray->Dialog != DIALOG_NONE) {
        BringDialogToFront(tray);
        return;
    }
    tray->Dialog = DIALOG_SETTINGS;
    // Dispatched by the dialog's own loop once it shows.
    PostMessageW(tray->Window, WM_TRAY_TO_FRONT, 0, 0);
    result = tray->Calls.Setting();
    tray->Dialog = DIALOG_NONE;
    if (result != 0)
        ReapplyQuietHours(tray, FALSE);
    UpdateTrayIcon(tray);
}

// Runs the quiet-hours dialog; after OK the new hours take effect at once.
static void OpenQuietHours(Tray* tray)
{
    QuietHours quiet;
    INT_PTR result;

    if (tray->Dialog != DIALOG_NONE) {
        BringDialogToFront(tray);
        return;
    }
    tray->Dialog = DIALOG_QUIET;
    PostMessageW(tray->Window, WM_TRAY_TO_FRONT, 0, 0);
    LoadQuietHours(&quiet);
    result = RunQuietDialog(tray->Instance, tray->Window, &quiet, CanQueryFullScreen());
    tray->Dialog = DIALOG_NONE;
    if (result == IDOK)
        ReapplyQuietHours(tray, FALSE);
    UpdateTrayIcon(tray);
}

// Opens Chimora.chm from the program's folder in the system's help viewer,
// which runs in a process of its own.
static void OpenHelp(Tray* tray)
{
    WCHAR path[MAX_PATH + 16];
    WCHAR text[256 + MAX_PATH];
    WCHAR format[256];
    WCHAR caption[64];

    lstrcpyW(path, tray->Folder);
    lstrcatW(path, L"Chimora.chm");
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES &&
        reinterpret_cast<INT_PTR>(ShellExecuteW(tray->Window, L"open", path, NULL, tray->Folder,
                                                SW_SHOWNORMAL)) > 32)
        return;
    LoadText(IDS_HELP_MISSING, format, 256);
    LoadText(IDS_APP_NAME, caption, 64);
    wsprintfW(text, format, path);
    MessageBoxW(tray->Window, text, caption, MB_OK | MB_ICONINFORMATION);
}

// Shows the icon's menu at the cursor. The platform's rules: our window in
// the foreground first, or the menu does not close on a click elsewhere;
// a message after it, so that the next click is taken. Start with Windows
// is read afresh, as the user may have removed the value elsewhere. A
// second request made while this menu was open (a right click gives both
// WM_RBUTTONUP and WM_CONTEXTMENU) is the same click.
static void ShowTrayMenu(Tray* tray)
{
    HMENU bar, menu;
    POINT at;
    UINT busy;
    int command;

    if (tray->MenuClosedTime && static_cast<LONG>(tray->MenuClosedTime - GetMessageTime()) > 0)
        return;
    bar = LoadMenuW(tray->Instance, MAKEINTRESOURCEW(IDM_TRAY));
    if (!bar)
        return;
    menu = GetSubMenu(bar, 0);
    busy = tray->Dialog != DIALOG_NONE ? MF_GRAYED : MF_ENABLED;
    EnableMenuItem(menu, IDM_SETTINGS, MF_BYCOMMAND | busy);
    EnableMenuItem(menu, IDM_QUIET, MF_BYCOMMAND | busy);
    CheckMenuItem(menu, IDM_AUTOSTART,
                  MF_BYCOMMAND | (IsAutostartSet() ? MF_CHECKED : MF_UNCHECKED));
    SetMenuDefaultItem(menu, IDM_SETTINGS, FALSE);

    GetCursorPos(&at);
    SetForegroundWindow(tray->Window);
    command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0,
                             tray->Window, NULL);
    PostMessageW(tray->Window, WM_NULL, 0, 0);
    tray->MenuClosedTime = GetTickCount() | 1;
    DestroyMenu(bar);
    if (command)
        PostMessageW(tray->Window, WM_COMMAND, command, 0);
}

static void OnCommand(Tray* tray, int command)
{
    switch (command) {
    case IDM_SETTINGS:
        OpenSettings(tray);
        break;
    case IDM_QUIET:
        OpenQuietHours(tray);
        break;
    case IDM_HELP:
        OpenHelp(tray);
        break;
    case IDM_AUTOSTART:
        SetAutostart(!IsAutostartSet());
        break;
    case IDM_EXIT:
        // Ends every modal loop too: an open dialog closes as with Cancel,
        // and the main loop then shuts down.
        PostQuitMessage(0);
        break;
    }
}

// The icon's callback (NOTIFYICON_VERSION: the mouse message in lParam).
static void OnTrayIcon(Tray* tray, LPARAM event)
{
    switch (event) {
    case WM_LBUTTONDBLCLK:
    case NIN_KEYSELECT:
        OpenSettings(tray);
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
        ShowTrayMenu(tray);
        break;
    }
}

// Waits, handling messages, until the module file is no longer mapped: it
// gives back the reference it holds during its dialog from a thread that
// waits for our window. False after a few seconds.
static BOOL PumpUntilUnmapped(HMODULE module)
{
    DWORD start = GetTickCount();
    MSG msg;

    while (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(module), &module)) {
        if (GetTickCount() - start > UNMAP_WAIT_MS)
            return FALSE;
        MsgWaitForMultipleObjects(0, NULL, FALSE, UNMAP_STEP_MS, QS_ALLINPUT);
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    return TRUE;
}

void ShutDown(Tray* tray, UINT code)
{
    HMODULE module = tray->Module;

    KillTimer(tray->Window, SCHEDULE_TIMER_ID);
    KillTimer(tray->Window, FULL_SCREEN_TIMER_ID);
    UnregisterSessionNotification(tray->Window);
    RemoveTrayIcon(tray);
    if (module) {
        tray->Calls.StopModule();
        tray->Module = NULL;
        FreeLibrary(module);
        // Inside the module's dialog (the session ends while it is open) the
        // module holds itself mapped and this returns at once; ExitProcess
        // then runs its unload, which saves the settings all the same.
        if (tray->Dialog == DIALOG_NONE)
            PumpUntilUnmapped(module);
    }
    ExitProcess(code);
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Tray* tray = &TheTray;

    switch (message) {
    case WM_TRAY_ICON:
        OnTrayIcon(tray, lParam);
        return 0;
    case WM_TRAY_TO_FRONT:
        BringDialogToFront(tray);
        return 0;
    case WM_COMMAND:
        OnCommand(tray, LOWORD(wParam));
        return 0;
    case WM_TIMER:
        OnQuietTimer(tray, wParam);
        return 0;
    case WM_TIMECHANGE:
        ReapplyQuietHours(tray, TRUE);
        return 0;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMRESUMEAUTOMATIC)
            ReapplyQuietHours(tray, TRUE);
        return TRUE;
    case WM_WTSSESSION_CHANGE:
        if (wParam == WTS_SESSION_LOCK || wParam == WTS_SESSION_UNLOCK)
            OnSessionLock(tray, wParam == WTS_SESSION_LOCK);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The process may be ended as soon as this returns: the module is
        // stopped and unloaded, and its settings saved, before.
        if (wParam)
            ShutDown(tray, 0);
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    if (message == tray->TaskbarCreated && message != 0) {
        AddTrayIcon(tray);
        return 0;
    }
    if (message == tray->OpenSettingsMessage && message != 0) {
        OpenSettings(tray);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Functions that Windows XP lacks (SHQueryUserNotificationState, from
// Vista) or that live in a library only this feature needs (wtsapi32),
// bound at run time so that the program loads everywhere.
#include "tray.h"

typedef HRESULT(WINAPI* QueryNotificationStateCall)(int* state);
typedef BOOL(WINAPI* RegisterSessionCall)(HWND window, DWORD flags);
typedef BOOL(WINAPI* UnregisterSessionCall)(HWND window);

enum { NOTIFY_FOR_THIS_SESSION_ONLY = 0 };

static QueryNotificationStateCall QueryNotificationState;
static BOOL QueryNotificationStateLooked;
static HMODULE SessionLibrary;

// A system library by its full path, never one planted beside the program.
static HMODULE LoadSystemLibrary(const WCHAR* name)
{
    WCHAR path[MAX_PATH + 32];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);

    if (length == 0 || length >= MAX_PATH)
        return NULL;
    lstrcatW(path, L"\\");
    lstrcatW(path, name);
    return LoadLibraryW(path);
}

BOOL CanQueryFullScreen(void)
{
    if (!QueryNotificationStateLooked) {
        QueryNotificationStateLooked = TRUE;
        // shell32 is already loaded: the icon needs it.
        QueryNotificationState = reinterpret_cast<QueryNotificationStateCall>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"),
                                                   "SHQueryUserNotificationState")));
    }
    return QueryNotificationState != NULL;
}

BOOL IsFullScreenNow(void)
{
    int state = 0;

    if (!CanQueryFullScreen() || FAILED(QueryNotificationState(&state)))
        return FALSE;
    return IsFullScreenState(state);
}

void RegisterSessionNotification(HWND window)
{
    RegisterSessionCall call;

    if (!SessionLibrary)
        SessionLibrary = LoadSystemLibrary(L"wtsapi32.dll");
    call = reinterpret_cast<RegisterSessionCall>(reinterpret_cast<void*>(
        GetProcAddress(SessionLibrary, "WTSRegisterSessionNotification")));
    // Without it (the service stopped on XP, say) locking simply goes unseen.
    if (call)
        call(window, NOTIFY_FOR_THIS_SESSION_ONLY);
}

void UnregisterSessionNotification(HWND window)
{
    UnregisterSessionCall call;

    if (!SessionLibrary)
        return;
    call = reinterpret_cast<UnregisterSessionCall>(reinterpret_cast<void*>(
        GetProcAddress(SessionLibrary, "WTSUnRegisterSessionNotification")));
    if (call)
        call(window);
}

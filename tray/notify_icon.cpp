// The notification-area icon: one image per state, and a tooltip with the
// module's title and its state.
#include "tray.h"
#include "tray_ids.h"

#include <shellapi.h>

// The sizes and versions Windows XP knows: a larger structure fails there.
#ifndef NOTIFYICONDATAW_V2_SIZE
#define NOTIFYICONDATAW_V2_SIZE FIELD_OFFSET(NOTIFYICONDATAW, guidItem)
#endif
#ifndef NOTIFYICON_VERSION
#define NOTIFYICON_VERSION 3
#endif

enum { TIP_SIZE = 128 };  // szTip's length in characters

// The state the icon shows, and its image and text.
enum TrayState { STATE_ON, STATE_OFF, STATE_QUIET };

static const struct {
    UINT Icon;
    UINT Text;
} kStates[] = {
    {IDI_TRAY_ON, IDS_STATE_ON},
    {IDI_TRAY_OFF, IDS_STATE_OFF},
    {IDI_TRAY_QUIET, IDS_QUIET_UNTIL},
};

static TrayState CurrentState(Tray* tray)
{
    if (!tray->Calls.IsModuleEnable())
        return STATE_OFF;
    return tray->Reason != QUIET_NONE ? STATE_QUIET : STATE_ON;
}

// The tooltip: the title on the first line, the state on the second.
static void TipText(Tray* tray, TrayState state, WCHAR* tip)
{
    WCHAR format[64];
    WCHAR line[64];
    WCHAR until[16];
    UINT text = kStates[state].Text;

    if (state == STATE_QUIET && tray->Reason == QUIET_LOCKED)
        text = IDS_QUIET_LOCKED;
    else if (state == STATE_QUIET && tray->Reason == QUIET_FULL_SCREEN)
        text = IDS_QUIET_FULL_SCREEN;
    LoadText(text, format, 64);
    QuietEndText(tray, until);
    wsprintfW(line, format, until);
    lstrcpynW(tip, tray->Title, TIP_SIZE - 1 - lstrlenW(line));
    lstrcatW(tip, L"\n");
    lstrcatW(tip, line);
}

// Fills data for our icon with the current image and tooltip.
static void Describe(Tray* tray, NOTIFYICONDATAW* data)
{
    TrayState state = CurrentState(tray);

    ZeroMemory(data, sizeof(*data));
    data->cbSize = NOTIFYICONDATAW_V2_SIZE;
    data->hWnd = tray->Window;
    data->uID = TRAY_ICON_ID;
    data->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data->uCallbackMessage = WM_TRAY_ICON;
    data->hIcon = static_cast<HICON>(LoadImageW(tray->Instance, MAKEINTRESOURCEW(kStates[state].Icon),
                                                IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    TipText(tray, state, data->szTip);
}

void AddTrayIcon(Tray* tray)
{
    NOTIFYICONDATAW data;

    Describe(tray, &data);
    // After Explorer restarts the old icon is gone; a leftover one is
    // replaced rather than doubled.
    Shell_NotifyIconW(NIM_DELETE, &data);
    tray->IconAdded = Shell_NotifyIconW(NIM_ADD, &data);
    // Version 3 gives keyboard selection (NIN_KEYSELECT) and WM_CONTEXTMENU.
    data.uVersion = NOTIFYICON_VERSION;
    Shell_NotifyIconW(NIM_SETVERSION, &data);
}

void UpdateTrayIcon(Tray* tray)
{
    NOTIFYICONDATAW data;

    Describe(tray, &data);
    if (!tray->IconAdded || !Shell_NotifyIconW(NIM_MODIFY, &data))
        AddTrayIcon(tray);
}

void RemoveTrayIcon(Tray* tray)
{
    NOTIFYICONDATAW data;

    if (!tray->IconAdded)
        return;
    ZeroMemory(&data, sizeof(data));
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = tray->Window;
    data.uID = TRAY_ICON_ID;
    Shell_NotifyIconW(NIM_DELETE, &data);
    tray->IconAdded = FALSE;
}

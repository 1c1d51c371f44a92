// The tray program's one state and the pieces that share it: the window
// and its commands, the notification icon, quiet hours, start with
// Windows and the functions bound at run time.
#ifndef CHIMORA_TRAY_H
#define CHIMORA_TRAY_H

#include <windows.h>

#include "../host/module_loader.h"
#include "quiet_hours.h"

enum {
    TITLE_SIZE = 80,         // the module's title buffer
    TRAY_ICON_ID = 1,        // our one notification icon
    WM_TRAY_ICON = WM_APP + 1,      // the icon's callback message
    WM_TRAY_TO_FRONT = WM_APP + 2,  // posted before a dialog opens: its loop brings it forward
    SCHEDULE_TIMER_ID = 1,   // the next change of the quiet schedule
    FULL_SCREEN_TIMER_ID = 2, // the look at the full-screen state before a minute boundary
};

// Why the module is kept quiet, if it is.
enum QuietReason {
    QUIET_NONE = 0,
    QUIET_SCHEDULE,
    QUIET_LOCKED,
    QUIET_FULL_SCREEN,
};

// Which of our dialogs is open; only one at a time.
enum OpenDialog {
    DIALOG_NONE = 0,
    DIALOG_SETTINGS,  // the module's own, through Setting
    DIALOG_QUIET,
};

struct Tray {
    HINSTANCE Instance;
    HWND Window;               // hidden, top-level: the module's parent window
    HMODULE Module;
    ModuleCalls Calls;
    WCHAR Folder[MAX_PATH];    // the program's folder, with its trailing backslash
    WCHAR Title[TITLE_SIZE];   // the module's title
    UINT TaskbarCreated;       // registered messages
    UINT OpenSettingsMessage;
    BOOL IconAdded;
    QuietHours Quiet;
    BOOL ScheduleQuiet;        // the schedule keeps the next boundary quiet, as last worked out
    QuietReason Reason;        // the quiet last applied
    BOOL Silenced;             // we stopped the module for quiet
    BOOL Locked;               // the session is locked
    BOOL FullScreen;           // a full-screen program ran at the last look
    OpenDialog Dialog;
    DWORD MenuClosedTime;      // tick count when the menu last closed (never 0); see ShowTrayMenu
};

// The one instance's state.
extern Tray TheTray;

// The name of our window's class and of the one-instance mutex.
extern const WCHAR kTrayClass[];
extern const WCHAR kOpenSettingsMessage[];

// tray_window.cpp
LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Stops and unloads the module, removes the icon and ends the process with
// code; never returns. The module saves its settings as it unloads.
void ShutDown(Tray* tray, UINT code);

// notify_icon.cpp
// Adds the icon (again, after Explorer restarted) with the current state.
void AddTrayIcon(Tray* tray);
// Shows the current state in the icon and its tooltip.
void UpdateTrayIcon(Tray* tray);
void RemoveTrayIcon(Tray* tray);

// quiet_control.cpp
// Reads the quiet hours and applies them: what a start, a clock change, a
// resume and the end of either dialog call. force starts the module again
// even when it was not kept quiet, so that its timer is armed afresh.
void ReapplyQuietHours(Tray* tray, BOOL force);
// A timer of ours fired.
void OnQuietTimer(Tray* tray, UINT_PTR id);
// The session was locked or unlocked.
void OnSessionLock(Tray* tray, BOOL locked);
// The local time of the end of the schedule's quiet range, for the tooltip.
void QuietEndText(const Tray* tray, WCHAR* text);

// autostart.cpp
// Whether the Run value names this program.
BOOL IsAutostartSet(void);
// Sets or removes the Run value. Returns a Windows error code, 0 on success.
LONG SetAutostart(BOOL on);

// late_bound.cpp: functions newer than Windows XP, or in a library only
// some programs need, bound on first use.
BOOL CanQueryFullScreen(void);
// Whether a full-screen program or a presentation runs now; FALSE where
// the system cannot tell.
BOOL IsFullScreenNow(void);
void RegisterSessionNotification(HWND window);
void UnregisterSessionNotification(HWND window);

// A string of the program's string table.
void LoadText(UINT id, WCHAR* text, int size);

#endif

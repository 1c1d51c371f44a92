// Quiet hours put into effect: the module is stopped before a quiet minute
// boundary and started again before the first one that may sound, from
// one-shot timers of our own that are worked out afresh each time. Locking
// the session and a full-screen program keep it quiet too, when chosen.
#include "tray.h"
#include "tray_ids.h"

enum {
    MS_PER_MINUTE = 60000,
    LOOK_MARGIN_MS = 1000,  // a look this close to QUIET_LEAD_MS waits for the next minute
};

static BOOL FullScreenWatched(const Tray* tray)
{
    return tray->Quiet.FullScreen && CanQueryFullScreen();
}

// The reason to keep quiet now, the schedule first.
static QuietReason WantedQuiet(const Tray* tray)
{
    if (tray->ScheduleQuiet)
        return QUIET_SCHEDULE;
    if (tray->Quiet.WhenLocked && tray->Locked)
        return QUIET_LOCKED;
    if (FullScreenWatched(tray) && tray->FullScreen)
        return QUIET_FULL_SCREEN;
    return QUIET_NONE;
}

// Stops or starts the module as the reason asks and shows it. A module that
// was kept quiet is started again; force starts it in any case.
static void Apply(Tray* tray, BOOL force)
{
    tray->Reason = WantedQuiet(tray);
    if (tray->Reason != QUIET_NONE) {
        // Also after the settings' OK, which armed the module's timer.
        tray->Calls.StopModule();
        tray->Silenced = TRUE;
    } else if (tray->Silenced || force) {
        tray->Calls.StartModule();
        tray->Silenced = FALSE;
    }
    UpdateTrayIcon(tray);
}

// Arms the schedule's timer for its next change, seen from now: the first
// boundary after the next one whose state differs from it.
static void ArmScheduleTimer(Tray* tray, const SYSTEMTIME* now)
{
    BOOL quietAfter;
    DWORD ms;

    KillTimer(tray->Window, SCHEDULE_TIMER_ID);
    ms = MsUntilQuietChange(&tray->Quiet, now, &quietAfter);
    if (ms != 0)
        SetTimer(tray->Window, SCHEDULE_TIMER_ID, ms, NULL);
}

// Arms the look at the full-screen state QUIET_LEAD_MS before the next
// minute boundary; only while that option is on.
static void ArmFullScreenTimer(Tray* tray)
{
    SYSTEMTIME now;
    DWORD toBoundary;

    KillTimer(tray->Window, FULL_SCREEN_TIMER_ID);
    if (!FullScreenWatched(tray))
        return;
    GetLocalTime(&now);
    toBoundary = MS_PER_MINUTE - (now.wSecond * 1000 + now.wMilliseconds);
    if (toBoundary <= QUIET_LEAD_MS + LOOK_MARGIN_MS)
        toBoundary += MS_PER_MINUTE;
    SetTimer(tray->Window, FULL_SCREEN_TIMER_ID, toBoundary - QUIET_LEAD_MS, NULL);
}

void ReapplyQuietHours(Tray* tray, BOOL force)
{
    SYSTEMTIME now;

    LoadQuietHours(&tray->Quiet);
    GetLocalTime(&now);
    tray->ScheduleQuiet = IsQuietAtNextBoundary(&tray->Quiet, &now);
    tray->FullScreen = FullScreenWatched(tray) && IsFullScreenNow();
    Apply(tray, force);
    ArmScheduleTimer(tray, &now);
    ArmFullScreenTimer(tray);
}

void OnQuietTimer(Tray* tray, UINT_PTR id)
{
    if (id == SCHEDULE_TIMER_ID) {
        KillTimer(tray->Window, SCHEDULE_TIMER_ID);
        ReapplyQuietHours(tray, FALSE);
    } else if (id == FULL_SCREEN_TIMER_ID) {
        tray->FullScreen = FullScreenWatched(tray) && IsFullScreenNow();
        Apply(tray, FALSE);
        ArmFullScreenTimer(tray);
    }
}

void OnSessionLock(Tray* tray, BOOL locked)
{
    tray->Locked = locked;
    Apply(tray, FALSE);
}

void QuietEndText(const Tray* tray, WCHAR* text)
{
    wsprintfW(text, L"%u:%02u", tray->Quiet.End / 60, tray->Quiet.End % 60);
}

// Quiet hours of the tray program: the stored choice and the schedule
// arithmetic that tells the program when to stop and start the module.
#include "quiet_hours.h"

static const char QuietKey[] = "Software\\Quillet\\TimeSignalTray";

enum { MS_PER_MINUTE = 60000 };

// One stored value: its name, its field, the first value it may not take
// and its default.
struct QuietValue {
    const char* Name;
    DWORD QuietHours::*Field;
    DWORD Limit;
    DWORD Default;
};

static const QuietValue QuietValues[] = {
    { "QuietEnable",     &QuietHours::Enable,     2,               0 },
    { "QuietStart",      &QuietHours::Start,      MINUTES_PER_DAY, QUIET_DEFAULT_START },
    { "QuietEnd",        &QuietHours::End,        MINUTES_PER_DAY, QUIET_DEFAULT_END },
    { "QuietWhenLocked", &QuietHours::WhenLocked, 2,               0 },
    { "QuietFullScreen", &QuietHours::FullScreen, 2,               0 },
};

// Reads one value into its field: a REG_DWORD of four bytes below the
// value's limit, or else the default.
static void ReadQuietValue(HKEY key, const QuietValue* value, QuietHours* quiet)
{
    DWORD type = REG_NONE;
    DWORD number = 0;
    DWORD size = sizeof(number);

    // A longer value fails with ERROR_MORE_DATA, a shorter one shows in size.
    if (RegQueryValueExA(key, value->Name, NULL, &type, (BYTE*)&number, &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof(number) || number >= value->Limit)
        number = value->Default;
    quiet->*value->Field = number;
}

void LoadQuietHours(QuietHours* quiet)
{
    HKEY key;
    int i;

    for (i = 0; i < (int)ARRAYSIZE(QuietValues); i++)
        quiet->*QuietValues[i].Field = QuietValues[i].Default;
    // Read access only: reading never creates the key.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, QuietKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (i = 0; i < (int)ARRAYSIZE(QuietValues); i++)
        ReadQuietValue(key, &QuietValues[i], quiet);
    RegCloseKey(key);

    // An empty range is no choice the dialog lets anyone make.
    if (quiet->Start == quiet->End) {
        quiet->Start = QUIET_DEFAULT_START;
        quiet->End = QUIET_DEFAULT_END;
    }
}

// Whether LoadQuietHours would read quiet back as it is.
static BOOL IsStorable(const QuietHours* quiet)
{
    int i;

    for (i = 0; i < (int)ARRAYSIZE(QuietValues); i++)
        if (quiet->*QuietValues[i].Field >= QuietValues[i].Limit)
            return FALSE;
    return quiet->Start != quiet->End;
}

LONG SaveQuietHours(const QuietHours* quiet)
{
    HKEY key;
    LONG error;
    LONG result = ERROR_SUCCESS;
    int i;

    if (!IsStorable(quiet))
        return ERROR_INVALID_PARAMETER;
    error = RegCreateKeyExA(HKEY_CURRENT_USER, QuietKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, NULL, &key, NULL);
    if (error != ERROR_SUCCESS)
        return error;
    // Every value is tried; the first failure is the result.
    for (i = 0; i < (int)ARRAYSIZE(QuietValues); i++) {
        DWORD number = quiet->*QuietValues[i].Field;
        error = RegSetValueExA(key, QuietValues[i].Name, 0, REG_DWORD, (const BYTE*)&number,
                               sizeof(number));
        if (result == ERROR_SUCCESS)
            result = error;
    }
    error = RegCloseKey(key);
    return result != ERROR_SUCCESS ? result : error;
}

// Whether quiet holds a range that silences anything: on, both times within
// the day and not equal.
static BOOL HasQuietRange(const QuietHours* quiet)
{
    return quiet->Enable && quiet->Start < MINUTES_PER_DAY && quiet->End < MINUTES_PER_DAY
        && quiet->Start != quiet->End;
}

BOOL IsQuietMinute(const QuietHours* quiet, int minuteOfDay)
{
    DWORD minute = (DWORD)minuteOfDay;

    if (!HasQuietRange(quiet))
        return FALSE;
    if (quiet->Start < quiet->End)
        return minute >= quiet->Start && minute < quiet->End;
    // The range crosses midnight.
    return minute >= quiet->Start || minute < quiet->End;
}

// The minute of the day whose boundary comes next after now. The module
// started at any moment of a minute arms for the boundary that ends it, so
// a boundary that now has reached, to the millisecond, counts as passed.
static int NextBoundaryMinute(const SYSTEMTIME* now)
{
    return (now->wHour * 60 + now->wMinute + 1) % MINUTES_PER_DAY;
}

BOOL IsQuietAtNextBoundary(const QuietHours* quiet, const SYSTEMTIME* now)
{
    return IsQuietMinute(quiet, NextBoundaryMinute(now));
}

// The delay counts elapsed time, and a SYSTEMTIME does not say whether
// summer time begins or ends before it is over: a clock that jumps
// meanwhile (set by hand, synchronised, summer time) makes it wrong.
DWORD MsUntilQuietChange(const QuietHours* quiet, const SYSTEMTIME* now, BOOL* quietAfter)
{
    int next = NextBoundaryMinute(now);
    BOOL quietNext = IsQuietMinute(quiet, next);
    // To the next boundary.
    DWORD ms = MS_PER_MINUTE - (now->wSecond * 1000 + now->wMilliseconds);
    int change;

    *quietAfter = FALSE;
    if (!HasQuietRange(quiet))
        return 0;
    // The state changes at the boundary that ends the next boundary's
    // state: 1 to 1439 minutes after it, since the two differ in state.
    change = (int)(quietNext ? quiet->End : quiet->Start);
    ms += (DWORD)((change - next + MINUTES_PER_DAY) % MINUTES_PER_DAY) * MS_PER_MINUTE;
    *quietAfter = !quietNext;
    // At least a minute lies ahead, far more than the lead; 1 or more
    // should the lead ever grow.
    return ms > QUIET_LEAD_MS ? ms - QUIET_LEAD_MS : 1;
}

// QUNS_NOT_PRESENT (1) is a screen saver, a locked screen or another user's
// session: the lock has its own option. QUNS_QUIET_TIME (6) is the first
// hour after a new user's first sign-in, and QUNS_APP (7) any Store app in
// front, which runs in a window on Windows 10 and later: neither is a
// full-screen program, so they do not count, nor do states not known yet.
BOOL IsFullScreenState(int notificationState)
{
    switch (notificationState) {
    case 2: // QUNS_BUSY: a full-screen program, or presentation settings
    case 3: // QUNS_RUNNING_D3D_FULL_SCREEN
    case 4: // QUNS_PRESENTATION_MODE
        return TRUE;
    default:
        return FALSE;
    }
}

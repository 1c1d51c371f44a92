// Quiet hours of the tray program: when the time signal keeps silent, and
// where the choice is kept. The program never edits the module's own
// settings; it stops and starts the module at the right moments instead.
#ifndef CHIMORA_TRAY_QUIET_HOURS_H
#define CHIMORA_TRAY_QUIET_HOURS_H

#include <windows.h>

enum {
    MINUTES_PER_DAY = 1440,
    QUIET_DEFAULT_START = 1320, // 22:00
    QUIET_DEFAULT_END = 420,    // 07:00
    QUIET_LEAD_MS = 5000,       // how long before a minute boundary the program acts
};

// The five values under HKCU\Software\Quillet\TimeSignalTray, all REG_DWORD:
// QuietEnable, QuietStart, QuietEnd (minutes after midnight, 0-1439),
// QuietWhenLocked, QuietFullScreen. The lock and full-screen options apply
// whether or not the quiet hours (Enable) are on.
struct QuietHours {
    DWORD Enable;
    DWORD Start;
    DWORD End;
    DWORD WhenLocked;
    DWORD FullScreen;
};

// Reads the stored choice. A missing or malformed value (wrong type or size,
// a flag other than 0 or 1, a time of 1440 or more) takes its default:
// off, 1320, 420, 0, 0. Start equal to End counts as malformed: both take
// their defaults. Never fails.
void LoadQuietHours(QuietHours* quiet);

// Writes all five values, creating the key. Returns a Windows error code,
// 0 on success; ERROR_INVALID_PARAMETER, writing nothing, for a choice that
// LoadQuietHours would not read back as it is.
LONG SaveQuietHours(const QuietHours* quiet);

// Whether a signal due at minuteOfDay (0-1439) falls inside the quiet range
// [Start, End), which may cross midnight. FALSE when Enable is 0 and for an
// empty range (Start equal to End, or a time out of the day).
BOOL IsQuietMinute(const QuietHours* quiet, int minuteOfDay);

// When the program must next act on the schedule alone, seen from the local
// time now: QUIET_LEAD_MS before the first minute boundary whose signal
// changes state (into the range: stop the module; out of it: start it, so
// that it arms for the boundary at End). Returns the milliseconds until
// then (at least 1) and stores in *quietAfter whether the module is to be
// quiet from then on. With Enable 0 or an empty range, returns 0 and
// *quietAfter is FALSE. The delay is elapsed time: a clock set or moved
// meanwhile (summer time too) makes it wrong; compute it again after
// WM_TIMECHANGE.
DWORD MsUntilQuietChange(const QuietHours* quiet, const SYSTEMTIME* now, BOOL* quietAfter);

// Whether a signal due at the next minute boundary after now is quiet by the
// schedule: the state the program applies at once, at start, after a clock
// change, after resume and after the quiet-hours dialog. A boundary that now
// has reached, to the millisecond, is passed: the module started then arms
// for the one after.
BOOL IsQuietAtNextBoundary(const QuietHours* quiet, const SYSTEMTIME* now);

// Whether a state of the user's notifications (the QUERY_USER_NOTIFICATION_STATE
// values: 1 not present, 2 busy, 3 running full-screen Direct3D, 4
// presentation mode, 5 accepts notifications, 6 quiet time, 7 app) means a
// full-screen program or a presentation runs.
BOOL IsFullScreenState(int notificationState);

#endif

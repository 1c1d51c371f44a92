// The minute timer on the host window and the signal it sounds.
#ifndef CHIMORA_SCHEDULER_H
#define CHIMORA_SCHEDULER_H

#include <windows.h>

// Identifier of the module's timer on the host window.
#define MINUTE_TIMER_ID 5000

// The platform's timer callback for MINUTE_TIMER_ID: runs the tick of the
// module object, if there is one and its timer is armed. Window, message
// and time are not used.
void CALLBACK OnMinuteTimer(HWND window, UINT message, UINT_PTR id, DWORD time);

// What the scheduler takes from the platform: the clock, the window timer,
// the player and the start of a chime runner. The module runs on
// PlatformScheduler; test programs that link the module's code put their
// own functions into Scheduler to drive the logic.
struct SchedulerSystem {
    void (WINAPI* ReadLocalTime)(LPSYSTEMTIME now);
    void (WINAPI* Pause)(DWORD milliseconds);
    UINT_PTR (WINAPI* ArmTimer)(HWND window, UINT_PTR id, UINT period, TIMERPROC callback);
    BOOL (WINAPI* Play)(LPCSTR sound, HMODULE module, DWORD flags);
    int (*StartRunner)(int count, const char* path);
};

extern const SchedulerSystem PlatformScheduler;
extern SchedulerSystem Scheduler;

// Starts a chime runner on a thread of its own that plays path count times,
// one after the other, and ends. The runner gets its own copy of count and
// path. Returns 1 when the thread started, 0 when nothing will sound.
int StartChimeRunner(int count, const char* path);

#endif

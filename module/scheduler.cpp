// The minute timer on the host window and the signal it sounds: a one-shot
// timer armed for the next minute boundary, the minute gate, and the chime
// runner that strikes the hour on a thread of its own.
#include "scheduler.h"

#include <mmsystem.h>

#include "environ.h"
#include "module.h"
#include "module_reference.h"

enum {
    GATE_READINGS = 30,         // the gate waits at most 30 x 100 ms
    GATE_PAUSE_MS = 100,        //   for the minute to turn over
    CHIME_RUNNER_STACK = 4096,  // the runner only calls PlaySoundA
    HALF_HOUR = 30,             // one stroke at half past, whatever the hour
    UNLOAD_MARGIN_MS = 3000,    // a tick due sooner may race an unload that
                                //   kills the timer from another thread
};


const SchedulerSystem PlatformScheduler = {
    GetLocalTime,
    Sleep,
    SetTimer,
    PlaySoundA,
    StartChimeRunner,
};

SchedulerSystem Scheduler = PlatformScheduler;

// What a chime runner owns from its start to its end: its count, its own
// copy of the path, and the reference to the module that keeps its code
// mapped while it plays.
struct ChimeOrder {
    int Count;
    HMODULE Module;
    char Path[MAX_PATH];
};

// Plays the order's path Count times, each to its end, then frees the order
// and gives back the module reference as the thread's last act: the host may
// have unloaded the module meanwhile without stopping its timer, and this
// may be what unmaps it, so it waits until no tick can run meanwhile.
static DWORD WINAPI ChimeRunner(LPVOID parameter)
{
    ChimeOrder* order = static_cast<ChimeOrder*>(parameter);
    HMODULE module = order->Module;
    int i;

    for (i = 0; i < order->Count; i++)
        Scheduler.Play(order->Path, NULL, SND_SYNC);
    HeapFree(GetProcessHeap(), 0, order);
    GiveBackWhenNoTickCanRun(module, ProcessModule->ParentWindow);
    return 0;
}

int StartChimeRunner(int count, const char* path)
{
    ChimeOrder* order;
    HANDLE thread;

    order = static_cast<ChimeOrder*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ChimeOrder)));
    if (!order)
        return 0;
    order->Count = count;
    lstrcpynA(order->Path, path, MAX_PATH);
    // Taken before the thread exists, so there is no moment in which the
    // runner runs without it.
    if (!HoldThisModule(&order->Module)) {
        HeapFree(GetProcessHeap(), 0, order);
        return 0;
    }
    // The size is the stack's initial commit; it grows up to the process's
    // default reservation.
    thread = CreateThread(NULL, CHIME_RUNNER_STACK, ChimeRunner, order, 0, NULL);
    if (!thread) {
        FreeLibrary(order->Module);
        HeapFree(GetProcessHeap(), 0, order);
        return 0;
    }
    // Runners are never waited for.
    CloseHandle(thread);
    return 1;
}

// Arms the one-shot minute timer on ParentWindow for the next minute
// boundary while the module is enabled: (60 - second) seconds ahead, the
// milliseconds of the current second not counted. Returns 1 when armed, 0
// when disabled (an armed timer is then left alone) or when no window has
// been handed over: a timer without a window would be a thread timer that
// no kill reaches. The window is remembered for the kill.
int VTAdModule::ArmMinuteTimer()
{
    SYSTEMTIME now;
    UINT period;

    if (!CanArmTimer())
        return 0;
    // The host changed windows while the timer was armed.
    if (TimerWindow != ParentWindow)
        KillMinuteTimer();
    Scheduler.ReadLocalTime(&now);
    period = (60 - now.wSecond % 60) * 1000;
    // Taken before the timer exists, so that it is never later than the tick.
    DueTick = GetTickCount() + period;
    if (Scheduler.ArmTimer(ParentWindow, MINUTE_TIMER_ID, period, OnMinuteTimer))
        TimerWindow = ParentWindow;
    return 1;
}

// Nonzero when ArmMinuteTimer would arm: the module is enabled and has a
// window for its timer.
BOOL VTAdModule::CanArmTimer() const
{
    return Settings->Enable && ParentWindow;
}

// Nonzero while a tick may begin within UNLOAD_MARGIN_MS: a timer is armed
// and due by then, or overdue. Read by the module's releaser on its own
// thread.
BOOL VTAdModule::TickMayComeSoon() const
{
    if (!TimerWindow)
        return FALSE;
    return (LONG)(DueTick - GetTickCount()) < UNLOAD_MARGIN_MS;
}

// Stops the minute timer on the window it was armed on, whatever window the
// host holds now. Nonzero when a timer was removed; with none armed, 0 and
// no call to the platform.
BOOL VTAdModule::KillMinuteTimer()
{
    HWND window = TimerWindow;

    if (!window)
        return FALSE;
    TimerWindow = NULL;
    return KillTimer(window, MINUTE_TIMER_ID);
}

// The minute gate. Waits, at most 30 x 100 ms, for the local minute to differ
// from the last tick's, records that time, and answers nonzero when the
// minute lies on the interval's grid. An Interval of -1 answers 0 at once.
int VTAdModule::IsSignalMinute()
{
    SYSTEMTIME now;
    int reading;
    int step;

    if (Settings->Interval == -1)
        return 0;
    for (reading = 0; reading < GATE_READINGS; reading++) {
        Scheduler.ReadLocalTime(&now);
        if (now.wMinute != LastMinute)
            break;
        Scheduler.Pause(GATE_PAUSE_MS);
    }
    LastHour = now.wHour;
    LastMinute = now.wMinute;
    LastSecond = now.wSecond;

    step = LOWORD(Settings->Interval) / 60;
    // Under a minute (only a hand-edited registry holds that) there is no
    // grid to sound on.
    if (step == 0)
        return 0;
    return now.wMinute % step == 0;
}

// Strikes the current hour on a chime runner: the hour in twelve- or
// twenty-four-hour count by TimeType (12 or 24 for hour 0), one stroke at
// half past. The runner gets its own copy of path.
void VTAdModule::StrikeHour(const char* path)
{
    SYSTEMTIME now;
    int count;

    Scheduler.ReadLocalTime(&now);
    if (Settings->TimeType)
        count = now.wHour == 0 ? 24 : now.wHour;
    else
        count = now.wHour % 12 == 0 ? 12 : now.wHour % 12;
    if (now.wMinute == HALF_HOUR)
        count = 1;
    // A runner that cannot be started is skipped: nothing sounds.
    Scheduler.StartRunner(count, path);
}

// One tick of the minute timer: stop the timer, sound the signal when the
// gate says so and a wave file is set, and arm the timer afresh.
void VTAdModule::OnTick()
{
    char wave[MAX_PATH];

    KillMinuteTimer();
    if (IsSignalMinute()) {
        lstrcpynA(wave, Settings->WaveName, MAX_PATH);
        if (wave[0] != '\0') {
            if (Settings->SignalType) {
                StrikeHour(wave);
            } else {
                // The player's thread must not lose its library to an
                // unload that follows at once.
                PinSystemLibrary(PlayerLibrary);
                Scheduler.Play(wave, NULL, SND_ASYNC);
            }
        }
    }
    ArmMinuteTimer();
}

void CALLBACK OnMinuteTimer(HWND window, UINT message, UINT_PTR id, DWORD time)
{
    VTAdModule* module = ProcessModule;

    (void)window;
    (void)message;
    (void)time;
    if (!module)
        return;
    // Counted first, for the releaser to see that a tick began.
    module->Ticks = module->Ticks + 1;
    // KillTimer leaves a message already posted in the queue: one that comes
    // after the kill (the dialog's loop may dispatch it) finds no timer
    // armed and must not arm one.
    if (id == MINUTE_TIMER_ID && module->TimerWindow)
        module->OnTick();
}

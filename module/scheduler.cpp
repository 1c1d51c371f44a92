// The minute timer on the host window and the signal it sounds.
#include "scheduler.h"

#include "environ.h"
#include "module.h"

// Arms the one-shot minute timer for the next minute boundary while the
// module is enabled. Returns 1 when armed, 0 when disabled.
int VTAdModule::ArmMinuteTimer()
{
    SYSTEMTIME now;
    UINT period;

    if (!Settings->Enable)
        return 0;
    GetLocalTime(&now);
    period = (60 - now.wSecond % 60) * 1000;
    SetTimer(ParentWindow, MINUTE_TIMER_ID, period, OnMinuteTimer);
    return 1;
}

// Nonzero when a timer was removed.
BOOL VTAdModule::KillMinuteTimer()
{
    return KillTimer(ParentWindow, MINUTE_TIMER_ID);
}

void VTAdModule::OnTick()
{
    KillMinuteTimer();
    ArmMinuteTimer();
}

int VTAdModule::IsSignalMinute()
{
    return 0;
}

void CALLBACK OnMinuteTimer(HWND window, UINT message, UINT_PTR id, DWORD time)
{
    (void)window; (void)message; (void)time;
    if (id == MINUTE_TIMER_ID && ProcessModule)
        ProcessModule->OnTick();
}

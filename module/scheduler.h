// The minute timer on the host window and the signal it sounds.
#ifndef CHIMORA_SCHEDULER_H
#define CHIMORA_SCHEDULER_H

#include <windows.h>

// Identifier of the module's timer on the host window.
#define MINUTE_TIMER_ID 5000

// The platform's timer callback for MINUTE_TIMER_ID.
void CALLBACK OnMinuteTimer(HWND window, UINT message, UINT_PTR id, DWORD time);

#endif

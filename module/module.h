// The one module object of the process and the host's view of it.
#ifndef CHIMORA_MODULE_H
#define CHIMORA_MODULE_H

#include <windows.h>

class Environ;

// Created at process attach, destroyed at process detach. Reached by the
// exports and the timer callback through ProcessModule.
class VTAdModule {
public:
    HWND ParentWindow;   // host's main window: owns the timer and the dialog
    HINSTANCE Instance;  // the library's own instance handle
    Environ* Settings;   // owned settings record
    SHORT LastHour;      // local time seen by the minute gate at the last tick;
    SHORT LastMinute;    // -1 before the first tick
    SHORT LastSecond;
    HWND TimerWindow;    // the window the minute timer is armed on; null while
                         // none is armed. Set and cleared on the GUI thread only.
    volatile DWORD DueTick;  // GetTickCount() at which the armed timer is due
    volatile LONG Ticks;     // ticks begun so far; read by the module's releaser
    BOOL DialogOpen;     // nonzero while Setting runs the settings dialog
    BOOL TimerWanted;    // while the dialog is open: whether the host wants
                         // the timer running when the dialog is cancelled
    BOOL StoppedInDialog;  // while the dialog is open: the host's last word
                           // was StopModule, which OK keeps

    // Creates the settings record (which loads it) for the given instance.
    // Settings is null when the record could not be allocated.
    explicit VTAdModule(HINSTANCE instance);
    // Kills the timer, if one is armed, and destroys the record, which saves it.
    ~VTAdModule();

    // The host's StartModule and StopModule. While the dialog is open the
    // timer stays stopped: the request is only noted, for the dialog's end
    // to follow, and answered as it would be outside the dialog.
    int Start();
    BOOL Stop();
    // Runs the settings dialog and what follows its end; the flow of Setting.
    int RunSettings();

    // Scheduler (scheduler.cpp).
    BOOL CanArmTimer() const;
    BOOL TickMayComeSoon() const;
    int ArmMinuteTimer();
    BOOL KillMinuteTimer();
    void OnTick();
    int IsSignalMinute();
    void StrikeHour(const char* path);
};

// The process-wide module object; null before attach, after detach, or when
// it could not be created.
extern VTAdModule* ProcessModule;

#endif

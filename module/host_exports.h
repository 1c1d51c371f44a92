// The seven exports through which the host drives the module.
#ifndef CHIMORA_HOST_EXPORTS_H
#define CHIMORA_HOST_EXPORTS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Always 1: tells the host that this library is one of its modules.
int WINAPI QueryVTAModule(void);
// Hands over the host's main window, which owns the timer and the dialog.
// Must come before StartModule and Setting.
void WINAPI SetParentWindow(HWND window);
// The stored Enable value as it is; nonzero means enabled.
int WINAPI IsModuleEnable(void);
// Copies the module title into title (at least 80 bytes) and returns its
// length, 0 when it cannot be loaded or title is null.
int WINAPI GetTitleName(char* title);
// Runs the settings dialog over the host window; returns its end code
// (1 after OK, 0 after Cancel or close). While the dialog is open, a
// further call opens none, changes nothing and returns 0.
int WINAPI Setting(void);
// Arms the minute timer on the window handed over; 1 when armed, 0 when the
// module is disabled or no window has been handed over.
int WINAPI StartModule(void);
// Kills the minute timer, on the window it was armed on; nonzero when a
// timer was removed. Call it before FreeLibrary.
int WINAPI StopModule(void);

#ifdef __cplusplus
}
#endif

#endif

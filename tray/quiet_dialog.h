// The quiet-hours dialog of the tray program.
#ifndef CHIMORA_TRAY_QUIET_DIALOG_H
#define CHIMORA_TRAY_QUIET_DIALOG_H

#include <windows.h>

#include "quiet_hours.h"

// Runs the modal quiet-hours dialog (template IDD_QUIET of instance, from
// quiet_dialog.rc) owned by owner, showing *quiet as LoadQuietHours gives
// it. On OK, with quiet hours on and a start equal to the end refused by a
// message and the dialog kept open, stores the choice in *quiet and in the
// registry (SaveQuietHours) and returns IDOK; with quiet hours off, equal
// times give way to the ones shown at first. Otherwise leaves both as they
// were and returns IDCANCEL. fullScreenAvailable FALSE (Windows XP) greys
// the full-screen option, which keeps its stored state.
INT_PTR RunQuietDialog(HINSTANCE instance, HWND owner, QuietHours* quiet, BOOL fullScreenAvailable);

#endif

// The quiet-hours dialog of the tray program.
#ifndef CHIMORA_TRAY_QUIET_DIALOG_H
#define CHIMORA_TRAY_QUIET_DIALOG_H

#include <windows.h>

#include "quiet_hours.h"

// Runs the modal quiet-hours dialog (template IDD_QUIET of instance) owned by
// owner, showing *quiet. On OK, with a start equal to the end refused by a
// message and the dialog kept open, stores the choice in *quiet and in the
// registry (SaveQuietHours) and returns IDOK; otherwise leaves both as they
// were and returns IDCANCEL. fullScreenAvailable FALSE (Windows XP) greys
// the full-screen option.
INT_PTR RunQuietDialog(HINSTANCE instance, HWND owner, QuietHours* quiet, BOOL fullScreenAvailable);

#endif

// The settings dialog: one modal run over the host window per Setting call.
#ifndef CHIMORA_SETTINGS_DIALOG_H
#define CHIMORA_SETTINGS_DIALOG_H

#include <windows.h>

class VTAdModule;

// One row of an interval list. A list ends with a row whose label is empty.
struct IntervalChoice {
    char Label[16];  // shown in the interval combo box, in minutes
    LONG Seconds;    // stored into Environ::Interval; -1 = none
};

// The intervals offered while "once per interval" (104) is chosen.
extern const IntervalChoice IntervalModeList[];
// The intervals offered while "strike the hour" (105) is chosen.
extern const IntervalChoice StrikeModeList[];

// Reads the file-name edit into path (MAX_PATH bytes): at most 259 bytes,
// cut before a double-byte character that would not fit whole. Returns the
// length.
int ReadWaveName(HWND dialog, char* path);

class SettingsDialog {
public:
    HINSTANCE Instance;   // the module's instance: template, strings, file name
    VTAdModule* Module;   // the module whose settings are edited (not owned)

    // Runs dialog 3000 modally over the module's ParentWindow. Returns the
    // end code: 1 after OK, 0 after Cancel or close, -1 when it cannot be
    // created. The module's record changes only on OK.
    int Run(VTAdModule& module);

    // Actions of the dialog's buttons and context help (dialog_actions.cpp).
    // Each runs inside the one message that called it and keeps no state.

    // Lets the user choose a .wav file and puts its path into the edit.
    // Nonzero when a file was chosen.
    int BrowseSoundFile(HWND dialog);
    // Plays what the edit names, asynchronously. Returns 1.
    int TestSound(HWND dialog);
    // Opens the help file beside the module at its default topic. Returns 1.
    int ShowHelp(HWND dialog);
    // Shows the popup topic of the control that help was asked for. Returns
    // 1 when a popup was requested, 0 when the control has none.
    int ShowContextHelp(HWND dialog, const HELPINFO* help);
};

#endif

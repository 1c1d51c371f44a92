// The settings dialog: one modal run over the host window per Setting call.
#ifndef CHIMORA_SETTINGS_DIALOG_H
#define CHIMORA_SETTINGS_DIALOG_H

#include <windows.h>

class VTAdModule;

class SettingsDialog {
public:
    HINSTANCE Instance;   // the module's instance: template, strings, file name
    VTAdModule* Module;   // the module whose settings are edited (not owned)

    // Runs dialog 3000 modally over the module's ParentWindow. Returns the
    // end code: 1 after OK, 0 after Cancel or close, -1 when it cannot be
    // created.
    int Run(VTAdModule& module);
};

#endif

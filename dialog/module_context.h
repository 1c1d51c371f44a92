// The module's own manifest as the activation context of the windows it
// makes. Windows reads a DLL's manifest for no window of its own, so
// without this the dialog's controls take the host's look: in a host
// without a manifest, the classic controls of user32 under a themed frame.
#ifndef CHIMORA_MODULE_CONTEXT_H
#define CHIMORA_MODULE_CONTEXT_H

#include <windows.h>

#include <commdlg.h>

// DialogBoxParamA with the module's manifest active around it: the dialog
// and every window made while it runs get Common Controls 6.
INT_PTR DialogBoxInModuleContext(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure,
                                 LPARAM param);

// GetOpenFileNameA with the module's manifest active around it.
BOOL OpenFileNameInModuleContext(HINSTANCE instance, OPENFILENAMEA* ofn);

// Releases the context at the module's unload; nothing when none was made.
void ReleaseModuleContext(void);

#endif

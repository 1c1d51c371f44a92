// References that keep the module's image mapped while its code may still
// run: a chime runner's strokes, and the settings dialog, during which a
// host may call FreeLibrary from a message that the dialog's loop
// dispatches.
#ifndef CHIMORA_MODULE_REFERENCE_H
#define CHIMORA_MODULE_REFERENCE_H

#include <windows.h>

// Takes a reference on this module; the image stays mapped until it is
// given back. FALSE, and module null, when none could be taken.
BOOL HoldThisModule(HMODULE* module);

// Gives back a reference from a short thread of its own, once the thread
// that owns window has left the module's code: a message sent to window is
// handled only when that thread waits for messages again. When window does
// not answer within a few seconds, the reference is given back anyway.
// Call it as the last thing before returning to the host. Returns 1 when
// the thread started; 0 when it could not, and the reference is then kept
// until the process ends rather than given back under running code.
int ReleaseThisModuleLater(HMODULE module, HWND window);

#endif

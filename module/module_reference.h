// References that keep the module's image mapped while its code may still
// run: a chime runner's strokes, and the settings dialog, during which a
// host may call FreeLibrary from a message that the dialog's loop
// dispatches. And the pins that keep a system library that the module
// imports in the process, for workers of it that outlive the module.
#ifndef CHIMORA_MODULE_REFERENCE_H
#define CHIMORA_MODULE_REFERENCE_H

#include <windows.h>

// Takes a reference on this module; the image stays mapped until it is
// given back. FALSE, and module null, when none could be taken.
BOOL HoldThisModule(HMODULE* module);

// Gives back a reference from a short thread of its own, once the thread
// that owns window has left the module's code (a message sent to window is
// handled only when that thread waits for messages again) and no tick of
// the minute timer can start before the unload kills it. A window that is
// gone took its timers with it: the reference is then given back after a
// pause. Call it as the last thing before returning to the host. Returns 1
// when the thread started; 0 when it could not, and the reference is then
// kept until the process ends rather than given back under running code.
int ReleaseThisModuleLater(HMODULE module, HWND window);

// Ends the calling thread, a worker of the module's that holds module, by
// giving the reference back once the thread that owns window has left the
// module's code and no tick of the minute timer can start before the
// unload kills it; see ReleaseThisModuleLater. Never returns.
void GiveBackWhenNoTickCanRun(HMODULE module, HWND window);

// Keeps name, a system library that the module imports, in the process
// until the process ends. Called before a call that may leave a thread of
// that library running after it returns (an asynchronous sound, the file
// chooser, the help viewer): the module's unload would otherwise unload the
// library under that thread in a host that does not load it itself. On the
// GUI thread or a runner's, never in DllMain.
void PinSystemLibrary(const char* name);

// The sound player's library, pinned before each asynchronous sound: the
// sound plays on a thread that the library starts and that holds no
// reference on it.
extern const char PlayerLibrary[];

#endif

// Lets a test watch the calls that a loaded module makes into another
// library, by redirecting one entry of the module's import address table.
#ifndef CHIMORA_IMPORT_HOOK_H
#define CHIMORA_IMPORT_HOOK_H

#include <windows.h>

// The import address table slot through which module calls the function
// imported from library (compared case-insensitively) by name, or by
// ordinal when name is null. Null when module has no such import.
void** FindImportSlot(HMODULE module, const char* library, const char* name, WORD ordinal);

// Points one import slot at a replacement for the object's lifetime.
class ImportHook {
public:
    void* original;  // what the slot held: the real function

    ImportHook();
    ~ImportHook();
    // Redirects the slot of that import to replacement; false when the
    // module has no such import.
    bool Install(HMODULE module, const char* library, const char* name, WORD ordinal,
                 void* replacement);
    // Puts the original back.
    void Remove();
    // Forgets the slot without writing it: for a module that has been
    // unloaded while hooked, whose table is gone.
    void Abandon();

private:
    void** slot;
};

#endif

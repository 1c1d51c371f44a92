// Loads a module file and binds the seven exports through which a host
// drives it. Shared by the stand-in host and the tray program; links no
// language runtime.
#ifndef CHIMORA_HOST_MODULE_LOADER_H
#define CHIMORA_HOST_MODULE_LOADER_H

#include <windows.h>

typedef int(WINAPI* ModuleIntCall)(void);
typedef void(WINAPI* ModuleWindowCall)(HWND);
typedef int(WINAPI* ModuleTitleCall)(char*);

// The seven exports of a module.
struct ModuleCalls {
    ModuleIntCall QueryVTAModule;
    ModuleWindowCall SetParentWindow;
    ModuleIntCall IsModuleEnable;
    ModuleTitleCall GetTitleName;
    ModuleIntCall Setting;
    ModuleIntCall StartModule;
    ModuleIntCall StopModule;
};

// How a load ended.
enum ModuleLoadResult {
    MODULE_LOADED = 0,    // mapped, exports bound, QueryVTAModule answered nonzero
    MODULE_MISSING,       // no file at that path
    MODULE_LOAD_FAILED,   // the file is there but the system would not load it
    MODULE_NOT_A_MODULE,  // loaded, but an export is missing or QueryVTAModule said 0
};

struct LoadedHostModule {
    HMODULE Handle;             // null unless MODULE_LOADED
    ModuleCalls Calls;
    DWORD Error;                // the system's error code for MODULE_LOAD_FAILED
    const char* MissingExport;  // the first export not found, for MODULE_NOT_A_MODULE
};

// Loads the module file at path, binds its seven exports and asks
// QueryVTAModule. On anything but MODULE_LOADED the file is unloaded again
// and loaded->Handle is null. The system shows no error box of its own.
ModuleLoadResult LoadHostModule(const WCHAR* path, LoadedHostModule* loaded);

#endif

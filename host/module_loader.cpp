#include "module_loader.h"

// The exports in the order of ModuleCalls' fields.
static const char* const kExportNames[] = {
    "QueryVTAModule", "SetParentWindow", "IsModuleEnable", "GetTitleName",
    "Setting",        "StartModule",     "StopModule",
};
enum { EXPORT_COUNT = sizeof(kExportNames) / sizeof(kExportNames[0]) };
// ModuleCalls is filled as an array of entry points, one per name above.
static_assert(sizeof(ModuleCalls) == EXPORT_COUNT * sizeof(FARPROC), "one field per export");

// Forgets every bound export.
static void ClearCalls(FARPROC* calls)
{
    for (int i = 0; i < EXPORT_COUNT; i++)
        calls[i] = NULL;
}

ModuleLoadResult LoadHostModule(const WCHAR* path, LoadedHostModule* loaded)
{
    FARPROC* calls = reinterpret_cast<FARPROC*>(&loaded->Calls);
    UINT oldMode;
    HMODULE module;
    int i;

    loaded->Handle = NULL;
    loaded->Error = 0;
    loaded->MissingExport = NULL;
    ClearCalls(calls);
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
        loaded->Error = GetLastError();
        return MODULE_MISSING;
    }

    // A file that is no image, or one for another processor, is answered
    // with an error code, not a box the user has to close.
    oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module = LoadLibraryW(path);
    loaded->Error = module ? 0 : GetLastError();
    SetErrorMode(oldMode);
    if (!module)
        return MODULE_LOAD_FAILED;

    for (i = 0; i < EXPORT_COUNT; i++) {
        calls[i] = GetProcAddress(module, kExportNames[i]);
        if (!calls[i]) {
            loaded->MissingExport = kExportNames[i];
            ClearCalls(calls);
            FreeLibrary(module);
            return MODULE_NOT_A_MODULE;
        }
    }
    if (loaded->Calls.QueryVTAModule() == 0) {
        ClearCalls(calls);
        FreeLibrary(module);
        return MODULE_NOT_A_MODULE;
    }
    loaded->Handle = module;
    return MODULE_LOADED;
}

// The utilities as a caller sees them: typed pointers to the exports of the
// loaded module, looked up by their undecorated names.
#ifndef CHIMORA_UTILITY_EXPORTS_H
#define CHIMORA_UTILITY_EXPORTS_H

#include <windows.h>

#include <string>

#include "tests/test_support.h"

struct UtilityExports {
    int(WINAPI* IsMultiByteChar)(const char*);
    int(WINAPI* lstrxcpy)(char*, const char*, int, int);
    int(WINAPI* lstrcpyspc)(char*, const char*, int);
    int(WINAPI* lstrcpyzc)(char*, const char*, int);
    int(WINAPI* StringArgCopy)(char*, const char*, int);
    void(__cdecl* SplitString)(const char*, int, int, int, ...);
    void(WINAPI* GetPointData)(const char*, POINT*);
    void(WINAPI* GetRectData)(const char*, RECT*);

    int(WINAPI* GetDriveNumber)(char*);
    int(WINAPI* GetPathName)(const char*, char*);
    int(WINAPI* GetFileName)(const char*, char*);
    int(WINAPI* GetPathNameOnly)(const char*, char*);
    int(WINAPI* GetFileNameExt)(const char*, char*);
    int(WINAPI* GetFileNameOnly)(const char*, char*);
    void(WINAPI* GetFileParam)(const char*, char*, char*);
    char*(WINAPI* SplitPath)(const char*, char*, char*, char*, char*);
    void(WINAPI* SeparatePath)(const char*, char*, char*);
    char*(WINAPI* SetSeparateSymbol)(const char*, char*);
    char*(WINAPI* DelSeparateSymbol)(const char*, char*);
    int(WINAPI* GetLongPathNameQv)(const char*, char*, int);

    const char*(WINAPI* GetStrToDate)(const char*, int*);
    const char*(WINAPI* GetStrToTime)(const char*, int*);
    long double(WINAPI* DLTime)(const char*);
    int(WINAPI* CheckDateArea)(const char*, const char*);

    int(WINAPI* GetCountArgument)(const char*);
    int(WINAPI* GetArgumentFileName)(const char*, int, char*);
    int(WINAPI* GetMultiSelectFileInfo)(const char*, char*, char*);
    int(WINAPI* GetMultiFileCount)(const char*);
    int(WINAPI* GetProductName)(const char*, char*, int);

    // Looks every export up in module; false when one is missing, and then
    // the missing names in *missing when it is given.
    bool Resolve(const LoadedModule& module, std::string* missing = nullptr)
    {
        std::string absent;
        Find(module, "IsMultiByteChar", &IsMultiByteChar, &absent);
        Find(module, "lstrxcpy", &lstrxcpy, &absent);
        Find(module, "lstrcpyspc", &lstrcpyspc, &absent);
        Find(module, "lstrcpyzc", &lstrcpyzc, &absent);
        Find(module, "StringArgCopy", &StringArgCopy, &absent);
        Find(module, "_SplitString", &SplitString, &absent);
        Find(module, "GetPointData", &GetPointData, &absent);
        Find(module, "GetRectData", &GetRectData, &absent);
        Find(module, "GetDriveNumber", &GetDriveNumber, &absent);
        Find(module, "GetPathName", &GetPathName, &absent);
        Find(module, "GetFileName", &GetFileName, &absent);
        Find(module, "GetPathNameOnly", &GetPathNameOnly, &absent);
        Find(module, "GetFileNameExt", &GetFileNameExt, &absent);
        Find(module, "GetFileNameOnly", &GetFileNameOnly, &absent);
        Find(module, "GetFileParam", &GetFileParam, &absent);
        Find(module, "SplitPath", &SplitPath, &absent);
        Find(module, "SeparatePath", &SeparatePath, &absent);
        Find(module, "SetSeparateSymbol", &SetSeparateSymbol, &absent);
        Find(module, "DelSeparateSymbol", &DelSeparateSymbol, &absent);
        Find(module, "GetLongPathNameQv", &GetLongPathNameQv, &absent);
        Find(module, "GetStrToDate", &GetStrToDate, &absent);
        Find(module, "GetStrToTime", &GetStrToTime, &absent);
        Find(module, "DLTime", &DLTime, &absent);
        Find(module, "CheckDateArea", &CheckDateArea, &absent);
        Find(module, "GetCountArgument", &GetCountArgument, &absent);
        Find(module, "GetArgumentFileName", &GetArgumentFileName, &absent);
        Find(module, "GetMultiSelectFileInfo", &GetMultiSelectFileInfo, &absent);
        Find(module, "GetMultiFileCount", &GetMultiFileCount, &absent);
        Find(module, "GetProductName", &GetProductName, &absent);
        if (missing)
            *missing = absent;
        return absent.empty();
    }

private:
    template <typename F>
    static void Find(const LoadedModule& module, const char* name, F* fn, std::string* absent)
    {
        *fn = module.Export<F>(name);
        if (!*fn)
            *absent += std::string(absent->empty() ? "" : ", ") + name;
    }
};

#endif

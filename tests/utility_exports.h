// The utilities as a caller sees them: pointers to the exports of the loaded
// module, looked up by their undecorated names and typed by the public header.
#ifndef CHIMORA_UTILITY_EXPORTS_H
#define CHIMORA_UTILITY_EXPORTS_H

#include <windows.h>

#include <string>

#include "include/chimora.h"
#include "tests/test_support.h"

struct UtilityExports {
    decltype(&::IsMultiByteChar) IsMultiByteChar;
    decltype(&::lstrxcpy) lstrxcpy;
    decltype(&::lstrcpyspc) lstrcpyspc;
    decltype(&::lstrcpyzc) lstrcpyzc;
    decltype(&::StringArgCopy) StringArgCopy;
    decltype(&::_SplitString) SplitString;
    decltype(&::GetPointData) GetPointData;
    decltype(&::GetRectData) GetRectData;

    decltype(&::GetDriveNumber) GetDriveNumber;
    decltype(&::GetPathName) GetPathName;
    decltype(&::GetFileName) GetFileName;
    decltype(&::GetPathNameOnly) GetPathNameOnly;
    decltype(&::GetFileNameExt) GetFileNameExt;
    decltype(&::GetFileNameOnly) GetFileNameOnly;
    decltype(&::GetFileParam) GetFileParam;
    decltype(&::SplitPath) SplitPath;
    decltype(&::SeparatePath) SeparatePath;
    decltype(&::SetSeparateSymbol) SetSeparateSymbol;
    decltype(&::DelSeparateSymbol) DelSeparateSymbol;
    decltype(&::GetLongPathNameQv) GetLongPathNameQv;

    decltype(&::GetStrToDate) GetStrToDate;
    decltype(&::GetStrToTime) GetStrToTime;
    decltype(&::DLTime) DLTime;
    decltype(&::CheckDateArea) CheckDateArea;

    decltype(&::GetCountArgument) GetCountArgument;
    decltype(&::GetArgumentFileName) GetArgumentFileName;
    decltype(&::GetMultiSelectFileInfo) GetMultiSelectFileInfo;
    decltype(&::GetMultiFileCount) GetMultiFileCount;
    decltype(&::GetProductName) GetProductName;

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

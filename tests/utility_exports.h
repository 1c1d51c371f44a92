// The string and path utilities as a caller sees them: typed pointers to the
// exports of the loaded module, looked up by their undecorated names.
#ifndef CHIMORA_UTILITY_EXPORTS_H
#define CHIMORA_UTILITY_EXPORTS_H

#include <windows.h>

#include <gtest/gtest.h>

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

    // Looks every export up in module; false when one is missing.
    bool Resolve(const LoadedModule& module)
    {
        bool all = true;
        Find(module, "IsMultiByteChar", &IsMultiByteChar, &all);
        Find(module, "lstrxcpy", &lstrxcpy, &all);
        Find(module, "lstrcpyspc", &lstrcpyspc, &all);
        Find(module, "lstrcpyzc", &lstrcpyzc, &all);
        Find(module, "StringArgCopy", &StringArgCopy, &all);
        Find(module, "_SplitString", &SplitString, &all);
        Find(module, "GetPointData", &GetPointData, &all);
        Find(module, "GetRectData", &GetRectData, &all);
        Find(module, "GetDriveNumber", &GetDriveNumber, &all);
        Find(module, "GetPathName", &GetPathName, &all);
        Find(module, "GetFileName", &GetFileName, &all);
        Find(module, "GetPathNameOnly", &GetPathNameOnly, &all);
        Find(module, "GetFileNameExt", &GetFileNameExt, &all);
        Find(module, "GetFileNameOnly", &GetFileNameOnly, &all);
        Find(module, "GetFileParam", &GetFileParam, &all);
        Find(module, "SplitPath", &SplitPath, &all);
        Find(module, "SeparatePath", &SeparatePath, &all);
        Find(module, "SetSeparateSymbol", &SetSeparateSymbol, &all);
        Find(module, "DelSeparateSymbol", &DelSeparateSymbol, &all);
        Find(module, "GetLongPathNameQv", &GetLongPathNameQv, &all);
        return all;
    }

private:
    template <typename F> static void Find(const LoadedModule& module, const char* name, F* fn, bool* all)
    {
        *fn = module.Export<F>(name);
        if (!*fn)
            *all = false;
    }
};

// The module loaded once for a whole test program, with its utilities.
class UtilityTest : public ::testing::Test {
protected:
    static inline LoadedModule* module = nullptr;
    static inline UtilityExports fn = {};

    static void SetUpTestSuite()
    {
        module = new LoadedModule;
        module->Load();
        ZeroMemory(&fn, sizeof(fn));
        fn.Resolve(*module);
    }
    static void TearDownTestSuite()
    {
        delete module;
        module = NULL;
    }
    void SetUp() override
    {
        ASSERT_NE(module->handle, nullptr) << "module not loaded";
        UtilityExports check;
        ASSERT_TRUE(check.Resolve(*module)) << "an export is missing";
    }
};

// The double-byte cases mean something only in code page 932, whose lead
// bytes are 81-9F and E0-FC.
inline void ExpectCodePage932()
{
    ASSERT_EQ(GetACP(), 932u);
    CPINFO info;
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    EXPECT_EQ(info.LeadByte[0], 0x81);
    EXPECT_EQ(info.LeadByte[1], 0x9F);
    EXPECT_EQ(info.LeadByte[2], 0xE0);
    EXPECT_EQ(info.LeadByte[3], 0xFC);
    EXPECT_EQ(info.LeadByte[4], 0);
}

#endif

// The module as the host sees it: its export and import tables, the host
// exports, and the settings it keeps in the registry across load and unload.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tests/dialog_driver.h"
#include "tests/import_hook.h"
#include "tests/pe_image.h"
#include "tests/test_support.h"

namespace {

// The mapped image's headers and one of its data directories.
const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int index)
{
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[index];
}

template <typename T> const T* At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

const char* const kHostExports[] = {
    "QueryVTAModule", "SetParentWindow", "IsModuleEnable", "GetTitleName",
    "Setting", "StartModule", "StopModule",
};

TEST(ExportTable, NamesTheDllAndHoldsUndecoratedHostExportsAtOrdinals1To7)
{
    LoadedModule module;
    ASSERT_TRUE(module.Load());
    const IMAGE_DATA_DIRECTORY& dir = Directory(module.handle, IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(dir.VirtualAddress, 0u);
    const IMAGE_EXPORT_DIRECTORY* exports = At<IMAGE_EXPORT_DIRECTORY>(module.handle, dir.VirtualAddress);

    EXPECT_STREQ(At<char>(module.handle, exports->Name), "Chimora.dll");

    const DWORD* names = At<DWORD>(module.handle, exports->AddressOfNames);
    const WORD* ordinals = At<WORD>(module.handle, exports->AddressOfNameOrdinals);
    std::set<std::string> seen;
    for (DWORD i = 0; i < exports->NumberOfNames; i++) {
        std::string name = At<char>(module.handle, names[i]);
        DWORD ordinal = exports->Base + ordinals[i];
        SCOPED_TRACE(name);
        EXPECT_EQ(name.find('@'), std::string::npos) << "decorated export";
        for (DWORD k = 0; k < 7; k++)
            if (name == kHostExports[k])
                EXPECT_EQ(ordinal, k + 1);
        seen.insert(name);
    }
    for (const char* name : kHostExports) {
        EXPECT_TRUE(seen.count(name)) << name << " not exported";
        EXPECT_NE(GetProcAddress(module.handle, name), nullptr) << name;
    }

    // The host's seven, then the utilities: every one by name, nothing else,
    // and no unused ordinal in between.
    const std::set<std::string> all = {
        "QueryVTAModule", "SetParentWindow", "IsModuleEnable", "GetTitleName", "Setting",
        "StartModule", "StopModule",
        "IsMultiByteChar", "lstrxcpy", "lstrcpyspc", "lstrcpyzc", "StringArgCopy", "_SplitString",
        "GetPointData", "GetRectData",
        "GetStrToDate", "GetStrToTime", "DLTime", "CheckDateArea",
        "GetDriveNumber", "GetPathName", "GetFileName", "GetPathNameOnly", "GetFileNameExt",
        "GetFileNameOnly", "GetFileParam", "SplitPath", "SeparatePath", "SetSeparateSymbol",
        "DelSeparateSymbol", "GetLongPathNameQv",
        "GetCountArgument", "GetArgumentFileName", "GetMultiSelectFileInfo", "GetMultiFileCount",
        "GetProductName",
    };
    EXPECT_EQ(seen, all);
    EXPECT_EQ(exports->Base, 1u);
    EXPECT_EQ(exports->NumberOfFunctions, all.size());
}

// Only Windows' own libraries may be imported: every one of them must have
// been loaded from the system folder, none from beside the module.
TEST(ImportTable, ImportsOnlySystemLibraries)
{
    LoadedModule module;
    ASSERT_TRUE(module.Load());
    char system[MAX_PATH];
    UINT systemLength = GetSystemDirectoryA(system, sizeof(system));
    ASSERT_GT(systemLength, 0u);

    const IMAGE_DATA_DIRECTORY& dir = Directory(module.handle, IMAGE_DIRECTORY_ENTRY_IMPORT);
    ASSERT_NE(dir.VirtualAddress, 0u);
    int count = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* d = At<IMAGE_IMPORT_DESCRIPTOR>(module.handle, dir.VirtualAddress);
         d->Name != 0; d++, count++) {
        const char* name = At<char>(module.handle, d->Name);
        SCOPED_TRACE(name);
        HMODULE imported = GetModuleHandleA(name);
        ASSERT_NE(imported, nullptr);
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(imported, path, sizeof(path));
        ASSERT_GT(length, systemLength);
        EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, systemLength, system, systemLength),
                  CSTR_EQUAL) << path;
        EXPECT_EQ(path[systemLength], '\\') << path;
    }
    EXPECT_GT(count, 0);
}

// Every function the module may import, library by library; an ordinal
// import is written "#n". Each one exists on Windows XP SP3. A new import
// fails the test below until it is judged fit for every Windows the module
// runs on and added here.
const AllowedImports kAllowedImports[] = {
    {"ADVAPI32.dll", {"RegCloseKey", "RegCreateKeyExA", "RegQueryValueExA", "RegSetValueExA"}},
    {"COMDLG32.DLL", {"GetOpenFileNameA"}},
    {"KERNEL32.dll",
     {// The module's own calls.
      "CloseHandle", "CreateThread", "FindClose", "FindFirstFileA", "FreeLibrary",
      "FreeLibraryAndExitThread", "GetCPInfo", "GetLastError", "GetLocalTime", "GetModuleFileNameA",
      "GetModuleHandleExA", "GetProcessHeap", "GetTickCount", "HeapAlloc", "HeapFree", "Sleep",
      "WideCharToMultiByte", "lstrcatA", "lstrcpyA", "lstrcpynA", "lstrlenA",
      // The dialog's activation context, made from the module's manifest.
      "ActivateActCtx", "CreateActCtxA", "DeactivateActCtx", "ReleaseActCtx",
      // The C runtime's DLL start-up: its lock, thread-local start-up data,
      // relocation of imported data, and the unwind-table registration that
      // looks for the compiler's runtime DLL already in the process.
      "DeleteCriticalSection", "EnterCriticalSection", "InitializeCriticalSection",
      "LeaveCriticalSection", "TlsGetValue", "VirtualProtect", "VirtualQuery", "GetModuleHandleA", "GetProcAddress", "LoadLibraryA"}},
    {"msvcrt.dll",
     {"atoi", "memchr", "time",
      // The C runtime's DLL start-up and its error report.
      "_amsg_exit", "_initterm", "_iob", "_lock", "_unlock", "abort", "calloc", "free",
      "fwrite", "memmove", "realloc", "strlen", "strncmp", "vfprintf"}},
    {"SHFOLDER.DLL", {"SHGetFolderPathA"}},
    {"USER32.dll",
     {"CharToOemBuffA", "CharUpperA", "CheckRadioButton", "DialogBoxParamA", "EnableWindow",
      "EndDialog", "GetDlgItem", "GetDlgItemTextA", "GetWindowLongA", "IsDlgButtonChecked",
      "KillTimer", "LoadStringA", "SendDlgItemMessageA", "SendMessageTimeoutA", "SetDlgItemTextA",
      "SetRect", "SetTimer", "SetWindowLongA", "SetWindowPos"}},
    {"VERSION.dll", {"GetFileVersionInfoA", "GetFileVersionInfoSizeA", "VerQueryValueA"}},
    {"WINMM.DLL", {"PlaySoundA"}},
    // HtmlHelpA, exported by ordinal only.
    {"hhctrl.ocx", {"#14"}},
};

TEST(ImportTable, ImportsOnlyAllowedFunctionsThatWindowsXPHas)
{
    LoadedModule module;
    ASSERT_TRUE(module.Load());
    ExpectOnlyAllowedImports(module.handle, kAllowedImports,
                             sizeof(kAllowedImports) / sizeof(kAllowedImports[0]));
}

// What the user installs: small, stripped, nothing for a debugger.
TEST(ModuleFile, IsAtMost32KiBWithoutDebugSections)
{
    ExpectSmallAndStripped(ModulePath());
}

// What a Windows 10 or 11 host may check of a module before it trusts it,
// within what Windows XP SP3 still loads: ASLR with the relocations it
// needs, NX, no exception handlers (NO_SEH), and no version newer than 5.01.
TEST(ModuleFile, HeaderAsksForASLRAndNXAndLoadsOnWindowsXP)
{
    ExpectXPLoadableHardenedHeader(ModulePath());
}

// A fresh key, then the module loaded as the host loads it.
class HostCalls : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override
    {
        module.Unload();
        PumpUntilUnmapped();
        DeleteSettingsKey();
    }
    void Load() { ASSERT_TRUE(module.Load()); }
    int Call(const char* name) { return module.Export<IntFn>(name)(); }

    LoadedModule module;
};

TEST_F(HostCalls, TitleIsTheCodePage932Text)
{
    ASSERT_EQ(GetACP(), 932u) << "tests must run in code page 932";
    Load();
    GetTitleNameFn getTitle = module.Export<GetTitleNameFn>("GetTitleName");
    char title[80];
    memset(title, 0x55, sizeof(title));
    ASSERT_EQ(getTitle(title), 27);
    // 時報モジュール, an ideographic space, Version3.00
    const char expected[] = "\x8E\x9E\x95\xF1\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B\x81\x40"
                            "Version3.00";
    EXPECT_EQ(std::string(title, 28), std::string(expected, 28));
}

TEST_F(HostCalls, AnswersBeforeTheParentWindowIsKnown)
{
    Load();
    EXPECT_EQ(Call("QueryVTAModule"), 1);
    EXPECT_EQ(Call("IsModuleEnable"), 0);
}

TEST_F(HostCalls, StartAndStopFollowEnableAndTheTimer)
{
    HostWindow host;
    ASSERT_NE(host.handle, nullptr);

    Load();
    module.Export<SetParentWindowFn>("SetParentWindow")(host.handle);
    EXPECT_EQ(Call("StopModule"), 0) << "no timer armed yet";
    EXPECT_EQ(Call("StartModule"), 0) << "disabled module";
    EXPECT_EQ(Call("StopModule"), 0) << "a disabled start arms nothing";
    module.Unload();

    WriteSettingsDword("Enable", 1);
    Load();
    module.Export<SetParentWindowFn>("SetParentWindow")(host.handle);
    EXPECT_EQ(Call("StartModule"), 1);
    EXPECT_NE(Call("StopModule"), 0) << "the start armed the timer";
    EXPECT_EQ(Call("StopModule"), 0) << "and the stop removed it";
}

TEST_F(HostCalls, TitleIntoANullBufferIsZero)
{
    Load();
    GetTitleNameFn getTitle = module.Export<GetTitleNameFn>("GetTitleName");
    EXPECT_EQ(getTitle(nullptr), 0);
    char title[80];
    EXPECT_EQ(getTitle(title), 27) << "a real buffer still gets the title";
}

// --- Hosts that break the calling order ----------------------------------

const UINT_PTR kMinuteTimer = 5000;

// What the host does after it changed windows while the timer was armed.
enum WindowChangeKill { STOP_MODULE, SETTING_CANCEL, SETTING_OK, UNLOAD };

struct WindowChangeCase {
    const char* name;
    WindowChangeKill kill;
    bool runningOnSecond;  // afterwards the timer runs on the second window
};

class HostOrder : public HostCalls {
protected:
    void HandOver(HWND window) { module.Export<SetParentWindowFn>("SetParentWindow")(window); }

    // Setting over owner, ended with the button.
    int SettingEndedWith(HWND owner, int button)
    {
        return RunWithDialog(owner, module.Export<IntFn>("Setting"),
                             [&](HWND dialog) { Click(dialog, button); });
    }
};

TEST_F(HostOrder, EveryKillUsesTheWindowTheTimerWasArmedOn)
{
    const WindowChangeCase cases[] = {
        {"StopModule", STOP_MODULE, false},
        {"Setting ended with Cancel", SETTING_CANCEL, true},
        {"Setting ended with OK", SETTING_OK, true},
        {"unload", UNLOAD, false},
    };
    for (const WindowChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        HostWindow first;
        HostWindow second;
        ASSERT_TRUE(first.handle && second.handle);
        DeleteSettingsKey();
        WriteSettingsDword("Enable", 1);
        Load();
        HandOver(first.handle);
        ASSERT_EQ(Call("StartModule"), 1);
        HandOver(second.handle);
        switch (c.kill) {
        case STOP_MODULE:
            EXPECT_NE(Call("StopModule"), 0) << "it removed the timer";
            break;
        case SETTING_CANCEL:
            EXPECT_EQ(SettingEndedWith(second.handle, IDCANCEL), 0);
            break;
        case SETTING_OK:
            EXPECT_EQ(SettingEndedWith(second.handle, IDOK), 1);
            break;
        case UNLOAD:
            module.Unload();
            break;
        }
        EXPECT_EQ(KillTimer(first.handle, kMinuteTimer), 0) << "the first window's timer was left";
        if (module.handle)
            EXPECT_EQ(Call("StopModule") != 0, c.runningOnSecond);
        module.Unload();
        // The next round loads the module afresh.
        EXPECT_TRUE(PumpUntilUnmapped());
    }
}

// Pumps this thread's messages for timeMs. Timer messages without a window
// (thread timers) are counted, not dispatched: their callback may lie in a
// module that is gone. Returns their count.
int PumpCountingThreadTimers(DWORD timeMs)
{
    DWORD start = GetTickCount();
    int count = 0;
    MSG msg;
    while (GetTickCount() - start < timeMs) {
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == NULL) {
                count++;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    }
    return count;
}

// A start, and a Setting ended with OK, before any window was handed over
// arm nothing; then a timer armed on one window and ticking after the host
// changed to another is moved there by the tick. Waits for one minute
// boundary.
TEST_F(HostOrder, NoTimerWithoutAWindowAndTheTickMovesToTheNewWindow)
{
    HostWindow first;
    HostWindow second;
    ASSERT_TRUE(first.handle && second.handle);
    WriteSettingsDword("Enable", 1);
    Load();
    EXPECT_EQ(Call("StartModule"), 0) << "no window handed over";
    EXPECT_EQ(SettingEndedWith(NULL, IDOK), 1);
    EXPECT_EQ(Call("IsModuleEnable"), 1);

    HandOver(first.handle);
    ASSERT_EQ(Call("StartModule"), 1);
    HandOver(second.handle);

    EXPECT_EQ(PumpCountingThreadTimers(PastNextBoundaryMs()), 0) << "a timer without a window";
    EXPECT_EQ(KillTimer(first.handle, kMinuteTimer), 0) << "the tick left the first window's timer";
    EXPECT_NE(Call("StopModule"), 0) << "the tick re-armed on the second window";
}

// --- Unload finished on another thread --------------------------------------

std::mutex killLock;
struct KillCall {
    DWORD thread;
    HWND window;
};
std::vector<KillCall> killCalls;
ImportHook* killTimerHook;

BOOL WINAPI RecordKillTimer(HWND window, UINT_PTR id)
{
    {
        std::lock_guard<std::mutex> hold(killLock);
        killCalls.push_back({GetCurrentThreadId(), window});
    }
    typedef BOOL(WINAPI * KillTimerFn)(HWND, UINT_PTR);
    return reinterpret_cast<KillTimerFn>(killTimerHook->original)(window, id);
}

// Holds a reference to the module as a chime runner does, taken before the
// thread starts, and gives it back as its last act once released.
struct HeldReference {
    HMODULE module;
    HANDLE release;
};

DWORD WINAPI HoldLikeAChimeRunner(LPVOID parameter)
{
    HeldReference* held = static_cast<HeldReference*>(parameter);
    WaitForSingleObject(held->release, 10000);
    FreeLibraryAndExitThread(held->module, 0);
    return 0;
}

struct DetachCase {
    const char* name;
    bool stoppedFirst;
    size_t killsFromTheRunner;
};

// The host frees the module while a chime runner still holds it, so process
// detach runs on the runner's thread. A host that stopped the module first
// gets no call on its window from that thread.
TEST_F(HostOrder, DetachOnTheRunnersThreadTouchesTheWindowOnlyWhileATimerIsArmed)
{
    const DetachCase cases[] = {
        {"StopModule before FreeLibrary", true, 0},
        {"FreeLibrary without StopModule", false, 1},
    };
    HostWindow host;
    ASSERT_NE(host.handle, nullptr);
    for (const DetachCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        WriteSettingsDword("Enable", 1);
        Load();
        ImportHook hook;
        ASSERT_TRUE(hook.Install(module.handle, "user32.dll", "KillTimer", 0,
                                 reinterpret_cast<void*>(RecordKillTimer)));
        killTimerHook = &hook;
        HandOver(host.handle);
        ASSERT_EQ(Call("StartModule"), 1);

        HeldReference held = {NULL, CreateEventA(NULL, TRUE, FALSE, NULL)};
        ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                       module.Export<LPCSTR>("StartModule"), &held.module));
        DWORD runnerId = 0;
        HANDLE runner = CreateThread(NULL, 0, HoldLikeAChimeRunner, &held, 0, &runnerId);
        ASSERT_NE(runner, nullptr);
        if (c.stoppedFirst)
            EXPECT_NE(Call("StopModule"), 0);
        module.Unload();
        EXPECT_NE(GetModuleHandleA(ModulePath().c_str()), nullptr) << "the runner keeps it mapped";

        SetEvent(held.release);
        EXPECT_EQ(WaitForSingleObject(runner, 10000), WAIT_OBJECT_0);
        CloseHandle(runner);
        CloseHandle(held.release);
        EXPECT_EQ(GetModuleHandleA(ModulePath().c_str()), nullptr) << "unmapped on the runner's thread";
        hook.Abandon();

        size_t fromRunner = 0;
        {
            std::lock_guard<std::mutex> hold(killLock);
            for (const KillCall& call : killCalls)
                if (call.thread == runnerId)
                    fromRunner++;
            killCalls.clear();
        }
        EXPECT_EQ(fromRunner, c.killsFromTheRunner);
        KillTimer(host.handle, kMinuteTimer);  // what a runner's thread cannot remove
    }
}

// --- Settings kept in the registry --------------------------------------

struct Saved {
    DWORD type;
    std::vector<BYTE> data;
};

Saved ReadSaved(const char* name)
{
    Saved saved = {REG_NONE, {}};
    EXPECT_TRUE(ReadSettingsValue(name, &saved.type, &saved.data)) << name << " missing";
    return saved;
}

void ExpectSavedDword(const char* name, DWORD value)
{
    SCOPED_TRACE(name);
    Saved saved = ReadSaved(name);
    EXPECT_EQ(saved.type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(saved.data.size(), 4u);
    DWORD stored;
    memcpy(&stored, saved.data.data(), 4);
    EXPECT_EQ(stored, value);
}

// WaveName as another writer stored it, with its own length, which the
// unload leaves as it is.
void ExpectWaveAsStored(const char* path)
{
    Saved saved = ReadSaved("WaveName");
    EXPECT_EQ(saved.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(saved.data, std::vector<BYTE>(path, path + strlen(path) + 1));
}

// WaveName as the module writes it: the whole 260-byte field, the path,
// then zeros.
void ExpectSavedWave(const char* path)
{
    Saved saved = ReadSaved("WaveName");
    EXPECT_EQ(saved.type, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(saved.data.size(), 260u);
    std::vector<BYTE> expected(260, 0);
    memcpy(expected.data(), path, strlen(path));
    EXPECT_EQ(saved.data, expected);
}

// text in a field of size bytes, zeros after it.
std::vector<BYTE> Bytes(const char* text, size_t size)
{
    std::vector<BYTE> bytes(size, 0);
    memcpy(bytes.data(), text, strlen(text) < size ? strlen(text) : size);
    return bytes;
}

class SettingsStore : public HostCalls {
protected:
    // Load and unload without any other call: the unload writes the record.
    void LoadAndUnload()
    {
        Load();
        module.Unload();
    }
};

TEST_F(SettingsStore, EmptyRegistryGetsTheKeyAndAllFiveDefaults)
{
    Load();
    EXPECT_TRUE(SettingsKeyExists()) << "loading creates the key";
    EXPECT_EQ(Call("IsModuleEnable"), 0);
    module.Unload();

    ExpectSavedDword("Enable", 0);
    ExpectSavedDword("SignalType", 0);
    ExpectSavedDword("Interval", 0xFFFFFFFF);
    ExpectSavedDword("TimeType", 0);
    ExpectSavedWave("");
}

// A value stored well formed is never written by the unload, whatever its
// form: the path stored with its own length stays so.
TEST_F(SettingsStore, StoredValuesSurviveAndAMissingIntervalIsNone)
{
    const char path[] = "C:\\Sounds\\chime.wav";  // short: stored with its own length
    WriteSettingsDword("Enable", 1);
    WriteSettingsDword("SignalType", 1);
    WriteSettingsDword("TimeType", 1);
    WriteSettingsValue("WaveName", REG_SZ, path, sizeof(path));

    Load();
    EXPECT_EQ(Call("IsModuleEnable"), 1);
    module.Unload();

    ExpectSavedDword("Enable", 1);
    ExpectSavedDword("SignalType", 1);
    ExpectSavedDword("Interval", 0xFFFFFFFF);
    ExpectSavedDword("TimeType", 1);
    ExpectWaveAsStored(path);

    LoadAndUnload();
    ExpectWaveAsStored(path);

    // And the 260-byte form reads back as the same path.
    WriteSettingsValue("WaveName", REG_SZ, Bytes(path, 260).data(), 260);
    Load();
    EXPECT_EQ(Call("IsModuleEnable"), 1);
    module.Unload();
    ExpectSavedWave(path);
}

TEST_F(SettingsStore, EnableIsReportedExactlyAsStored)
{
    WriteSettingsDword("Enable", 5);
    WriteSettingsDword("Interval", 900);
    Load();
    EXPECT_EQ(Call("IsModuleEnable"), 5);
    module.Unload();
    ExpectSavedDword("Enable", 5);
    ExpectSavedDword("Interval", 900);
}

// Values of the right name that cannot be used as they stand.
struct MalformedCase {
    const char* name;
    const char* value;     // value name written
    DWORD type;
    std::vector<BYTE> data;
    DWORD expectEnable;    // what the key holds after the unload
    DWORD expectInterval;
    const char* expectWave;  // null: the value as written, which was well formed
};

std::vector<BYTE> Dword(DWORD value)
{
    return std::vector<BYTE>(reinterpret_cast<BYTE*>(&value), reinterpret_cast<BYTE*>(&value) + 4);
}

TEST_F(SettingsStore, MalformedValuesLoadAsTheirDefaults)
{
    std::vector<BYTE> unterminated(260, 'a');
    std::vector<BYTE> tooLong = Bytes("", 300);
    memset(tooLong.data(), 'b', 299);
    std::vector<BYTE> tail = Bytes("C:\\a.wav", 260);
    memset(tail.data() + 20, 'X', 200);  // leftovers after the terminator

    const MalformedCase cases[] = {
        {"path without terminator", "WaveName", REG_SZ, unterminated, 0, 0xFFFFFFFF, ""},
        {"path longer than the field", "WaveName", REG_SZ, tooLong, 0, 0xFFFFFFFF, ""},
        {"path as binary", "WaveName", REG_BINARY, Bytes("C:\\a.wav", 9), 0, 0xFFFFFFFF, ""},
        {"path as expandable string", "WaveName", REG_EXPAND_SZ, Bytes("C:\\a.wav", 9), 0, 0xFFFFFFFF, ""},
        {"bytes after the terminator", "WaveName", REG_SZ, tail, 0, 0xFFFFFFFF, nullptr},
        {"enable as binary", "Enable", REG_BINARY, Dword(1), 0, 0xFFFFFFFF, ""},
        {"enable as string", "Enable", REG_SZ, Bytes("1", 2), 0, 0xFFFFFFFF, ""},
        {"enable of two bytes", "Enable", REG_DWORD, Bytes("\x01", 2), 0, 0xFFFFFFFF, ""},
        {"interval as binary", "Interval", REG_BINARY, Dword(900), 0, 0xFFFFFFFF, ""},
        {"interval of eight bytes", "Interval", REG_QWORD, Bytes("\x84\x03", 8), 0, 0xFFFFFFFF, ""},
        {"interval stored as none", "Interval", REG_DWORD, Dword(0xFFFFFFFF), 0, 0xFFFFFFFF, ""},
        {"well-formed enable", "Enable", REG_DWORD, Dword(1), 1, 0xFFFFFFFF, ""},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        WriteSettingsValue(c.value, c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        Load();
        EXPECT_EQ(static_cast<DWORD>(Call("IsModuleEnable")), c.expectEnable);
        module.Unload();
        ExpectSavedDword("Enable", c.expectEnable);
        ExpectSavedDword("Interval", c.expectInterval);
        if (c.expectWave) {
            ExpectSavedWave(c.expectWave);
        } else {
            Saved wave = ReadSaved("WaveName");
            EXPECT_EQ(wave.data, c.data) << "a well-formed path was written over";
        }
    }
}

// What happens to the key while the module is loaded (another host process
// saving through its own dialog, or a user editing the registry), and what
// the unload leaves there.
struct MeanwhileCase {
    const char* name;
    std::function<void()> meanwhile;
    DWORD enable, signalType, interval, timeType;
    const char* wave;
    bool waveAsStored;  // left with its own length, as Store wrote it
};

void DeleteValue(const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, CHIMORA_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}

// The unload never writes over a value that the key holds well formed, so
// each one saved meanwhile stays; the others come from the record loaded
// before.
TEST_F(SettingsStore, UnloadKeepsWhatWasSavedMeanwhile)
{
    const MeanwhileCase cases[] = {
        {"nothing changed", [] {}, 1, 1, 900, 1, "C:\\a.wav", true},
        {"every value saved anew", [] { Store({0, 0, 60, 0, "C:\\b.wav"}); }, 0, 0, 60, 0, "C:\\b.wav", true},
        {"key deleted", DeleteSettingsKey, 1, 1, 900, 1, "C:\\a.wav", false},
        {"one value saved, another deleted",
         [] {
             WriteSettingsDword("Interval", 1800);
             DeleteValue("WaveName");
         },
         1, 1, 1800, 1, "C:\\a.wav", false},
        {"malformed values",
         [] {
             WriteSettingsValue("Enable", REG_SZ, "0", 2);
             std::vector<BYTE> unterminated(260, 'a');
             WriteSettingsValue("WaveName", REG_SZ, unterminated.data(), 260);
             WriteSettingsDword("TimeType", 0);
         },
         1, 1, 900, 0, "C:\\a.wav", false},
    };
    for (const MeanwhileCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        Store({1, 1, 900, 1, "C:\\a.wav"});
        Load();
        c.meanwhile();
        module.Unload();
        ExpectSavedDword("Enable", c.enable);
        ExpectSavedDword("SignalType", c.signalType);
        ExpectSavedDword("Interval", c.interval);
        ExpectSavedDword("TimeType", c.timeType);
        if (c.waveAsStored)
            ExpectWaveAsStored(c.wave);
        else
            ExpectSavedWave(c.wave);
    }
}

// Gives the settings key a list of access that lets everyone do what
// access allows, and nothing else. False when it cannot be set.
bool LimitSettingsKey(REGSAM access)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = NULL;
    BYTE list[256];
    PACL acl = reinterpret_cast<PACL>(list);
    SECURITY_DESCRIPTOR descriptor;
    HKEY key;
    bool done = false;

    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    if (InitializeAcl(acl, sizeof(list), ACL_REVISION) && AddAccessAllowedAce(acl, ACL_REVISION, access, everyone)
        && InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)
        && SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)
        && RegOpenKeyExA(HKEY_CURRENT_USER, CHIMORA_KEY, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        done = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    FreeSid(everyone);
    return done;
}

// A locked-down profile: the key may be read but not written. The module
// still runs on what is stored, and its unload writes nothing.
TEST_F(SettingsStore, AKeyThatMayOnlyBeReadGivesItsValues)
{
    Store({1, 0, 900, 0, "C:\\a.wav"});
    ASSERT_TRUE(LimitSettingsKey(KEY_READ));
    HKEY key;
    bool writable = RegOpenKeyExA(HKEY_CURRENT_USER, CHIMORA_KEY, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS;
    if (writable)
        RegCloseKey(key);
    ASSERT_FALSE(writable) << "the key can still be written";

    Load();
    EXPECT_EQ(Call("IsModuleEnable"), 1) << "the stored Enable was not read";
    module.Unload();
    ExpectSavedDword("Enable", 1);
    ExpectSavedDword("Interval", 900);
    ExpectWaveAsStored("C:\\a.wav");
    EXPECT_TRUE(LimitSettingsKey(KEY_ALL_ACCESS));
}

}  // namespace

// Hosts that let go of the module at the worst moment, each a process of
// its own so that a crash or a hang is seen from outside:
// - a host that does not load the sound player's library itself unloads
//   the module at once after a sound started (the tick's, the Test
//   button's): the player's thread must not lose its library;
// - a host frees the module, without stopping it, in the tick that started
//   a strike: the strike's runner must give the module back cleanly;
// - a host stops and frees the module from a message that the dialog's
//   loop dispatches, the user presses OK just before a minute boundary, and
//   the host is busy for two seconds after Setting returns: no tick may run
//   in the module while it is unloaded, and no timer may be left armed;
// - a host loads and unloads the module over and over while another
//   process saves new settings: the unload must never undo a save.
//
// Run with --host CASE [ARG], the program is that host; it prints what it
// did and ends with 0 when it got through to its normal end.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/dialog_driver.h"
#include "tests/host_session.h"
#include "tests/import_hook.h"
#include "tests/test_support.h"

namespace {

const UINT_PTR kMinuteTimer = 5000;

// A hung host is killed after this; under load Wine takes a minute or more
// to start a process, and a host may wait a minute for its moment.
const DWORD kHostLimitMs = 300000;

const char kEndedNormally[] = "the host ended normally";

void Say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

// Timer callbacks' faults are swallowed by default; a careful host turns
// that off (Windows 7 with its update and later), so that such a fault ends
// it. Bound at run time: older systems and Wine may not know it.
void StopSwallowingTimerFaults()
{
    typedef BOOL(WINAPI * SetInformationFn)(HANDLE, int, PVOID, DWORD);
    const int kTimerProcExceptionSuppression = 7;  // UOI_TIMERPROC_EXCEPTION_SUPPRESSION
    SetInformationFn set = reinterpret_cast<SetInformationFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetUserObjectInformationW")));
    BOOL suppress = FALSE;
    BOOL done = set && set(GetCurrentProcess(), kTimerProcExceptionSuppression, &suppress, sizeof(suppress));
    Say("timer callback faults are %s", done ? "no longer swallowed" : "swallowed (not supported)");
}

bool PlayerLoaded()
{
    return GetModuleHandleA("winmm.dll") != NULL;
}

// True when the host has not loaded the player's library itself, as the
// player cases need: only the module's import then holds it.
bool PlayerLeftToTheModule()
{
    if (!PlayerLoaded())
        return true;
    Say("the host loaded the player's library itself");
    return false;
}

// The module loaded by a host window, as a host does; false when either
// cannot be had.
bool StartHost(const HostWindow& host, LoadedModule* module)
{
    if (!host.handle || !module->Load()) {
        Say("cannot load %s", ModulePath().c_str());
        return false;
    }
    module->Export<SetParentWindowFn>("SetParentWindow")(host.handle);
    return true;
}

// What every host checks at its end: no fault anywhere in the process, no
// timer of the module left on its window, the module unmapped. Returns the
// exit code.
int EndHost(const HostWindow& host, const AccessViolationWatch& watch)
{
    bool unmapped = GetModuleHandleA(ModulePath().c_str()) == NULL;
    bool timerLeft = KillTimer(host.handle, kMinuteTimer) != 0;
    Say("access violations: %ld; module %s; module timer %s", watch.Count(),
        unmapped ? "unmapped" : "still mapped", timerLeft ? "left armed" : "gone");
    if (watch.Count() != 0 || !unmapped || timerLeft)
        return 3;
    Say(kEndedNormally);
    return 0;
}

// Set while the host's loop dispatches the module's tick.
volatile bool dispatchingTick;

// A host's own message loop, GetMessage and DispatchMessage, for timeMs;
// a host timer of its own wakes it. A sent message and a due timer are
// then fetched by the same GetMessage call.
void RunHostLoop(HWND host, DWORD timeMs)
{
    const UINT_PTR hostTimer = 1;
    SetTimer(host, hostTimer, 50, NULL);
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < timeMs && GetMessageA(&msg, NULL, 0, 0) > 0) {
        dispatchingTick = msg.message == WM_TIMER && msg.hwnd == host && msg.wParam == kMinuteTimer;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        dispatchingTick = false;
    }
    KillTimer(host, hostTimer);
}

// StartHost, then StartModule; false when the module armed no timer.
bool StartHostRunning(const HostWindow& host, LoadedModule* module)
{
    if (!StartHost(host, module))
        return false;
    if (module->Export<IntFn>("StartModule")() != 1) {
        Say("StartModule armed no timer");
        return false;
    }
    return true;
}

// Pumps until the loop has dispatched the module's tick, then in that same
// turn frees the module, after StopModule when stop is set. False when no
// tick came.
bool FreeInTheTicksTurn(const HostWindow& host, LoadedModule* module, bool stop)
{
    Say("waiting for the tick");
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < 150000) {
        if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_TIMER && msg.hwnd == host.handle && msg.wParam == kMinuteTimer) {
            if (stop)
                module->Export<IntFn>("StopModule")();
            module->Unload();
            return true;
        }
    }
    Say("no tick came");
    return false;
}

// --- The sound outlives the module ------------------------------------------

// Runs the module's minute timer and, in the same message loop turn that
// dispatched the tick that started the sound, stops and frees the module.
int RunTickThenUnload()
{
    if (!PlayerLeftToTheModule())
        return 2;
    HostWindow host;
    LoadedModule module;
    AccessViolationWatch watch;
    if (!StartHostRunning(host, &module))
        return 2;
    if (!FreeInTheTicksTurn(host, &module, true))
        return 2;
    Say("unloaded at once after the tick; the player's library is %s",
        PlayerLoaded() ? "still loaded" : "gone");
    // The player's thread starts and plays meanwhile.
    PumpMessages(3000);
    return EndHost(host, watch);
}

// Strikes the hour on the tick, then frees the module without StopModule,
// as a host that ends abruptly does: the strike's runner keeps the module
// mapped with its timer armed, and must give it back (the unload killing
// the timer) once the strike has played and no tick can come meanwhile.
int RunStrikeThenFree()
{
    HostWindow host;
    LoadedModule module;
    AccessViolationWatch watch;
    if (!StartHostRunning(host, &module))
        return 2;
    if (!FreeInTheTicksTurn(host, &module, false))
        return 2;
    Say("freed during the strike; the module is %s",
        GetModuleHandleA(ModulePath().c_str()) ? "still mapped" : "unmapped");
    // Twelve strokes of tick.wav at most, then the runner lets go.
    RunHostLoop(host.handle, 10000);
    return EndHost(host, watch);
}

// The threads that the player's library started while held back.
std::vector<HANDLE> heldThreads;
ImportHook* playerThreadHook;

// Stands in for the player library's CreateThread: the thread is made
// suspended, as on a busy machine where it has not run yet.
HANDLE WINAPI CreateThreadHeldBack(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                   LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                   LPDWORD id)
{
    typedef HANDLE(WINAPI * CreateThreadFn)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE,
                                            LPVOID, DWORD, LPDWORD);
    HANDLE thread = reinterpret_cast<CreateThreadFn>(playerThreadHook->original)(
        security, stack, start, parameter, flags | CREATE_SUSPENDED, id);
    HANDLE held;
    if (thread && DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &held, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS))
        heldThreads.push_back(held);
    return thread;
}

// Presses Test in the dialog and closes it with Cancel in the same turn of
// the dialog's loop; the host then stops and frees the module at once. The
// Test's player thread starts only after the unload: in Wine it runs so
// soon that the device is open before the module can be unloaded, which
// keeps the library loaded; a busy machine lets the unload come first.
int RunTestThenUnload()
{
    if (!PlayerLeftToTheModule())
        return 2;
    HostWindow host;
    LoadedModule module;
    AccessViolationWatch watch;
    if (!StartHost(host, &module))
        return 2;
    ImportHook hold;
    playerThreadHook = &hold;
    if (!hold.Install(GetModuleHandleA("winmm.dll"), "kernel32.dll", "CreateThread", 0,
                      reinterpret_cast<void*>(CreateThreadHeldBack))) {
        Say("the player's library imports no CreateThread");
        return 2;
    }
    int result = RunWithDialog(host.handle, module.Export<IntFn>("Setting"), [&](HWND dialog) {
        PostClick(dialog, IDC_TEST);
        PostClick(dialog, IDCANCEL);
    });
    module.Export<IntFn>("StopModule")();
    module.Unload();
    bool unmapped = PumpUntilUnmapped();
    bool playerLoaded = PlayerLoaded();
    Say("Setting returned %d; the module is %s; the player's library is %s; %d player thread(s) held",
        result, unmapped ? "unmapped" : "still mapped", playerLoaded ? "still loaded" : "gone",
        (int)heldThreads.size());
    if (playerLoaded)
        hold.Remove();
    else
        hold.Abandon();
    for (HANDLE thread : heldThreads) {
        ResumeThread(thread);
        CloseHandle(thread);
    }
    PumpMessages(3000);
    return EndHost(host, watch);
}

// --- OK after the host let go -------------------------------------------------

// An unlucky scheduling, made certain: Under Wine the unload that gives
// back the dialog's reference mostly runs before the host's thread has got
// into the tick that came due while it was busy; on a loaded machine the
// host's thread may get there first. The module's own calls are delayed so
// that it does: the thread that gives back a reference waits (a few seconds
// at most) until the host's thread is inside the tick, and the tick's first
// call out of the module waits (as long at most) until the module is
// unmapped.
DWORD hostThread;
HANDLE tickEntered;
ImportHook* killTimerHook;
ImportHook* freeAndExitHook;

// Set when the module was unmapped while the host's thread was in its tick.
volatile bool unloadedUnderTheTick;

BOOL WINAPI KillTimerAfterTheUnload(HWND window, UINT_PTR id)
{
    if (GetCurrentThreadId() == hostThread && dispatchingTick) {
        SetEvent(tickEntered);
        DWORD start = GetTickCount();
        while (GetModuleHandleA(ModulePath().c_str()) && GetTickCount() - start < 3000)
            Sleep(1);
        unloadedUnderTheTick = GetModuleHandleA(ModulePath().c_str()) == NULL;
    }
    typedef BOOL(WINAPI * KillTimerFn)(HWND, UINT_PTR);
    return reinterpret_cast<KillTimerFn>(killTimerHook->original)(window, id);
}

void WINAPI FreeLibraryAndExitThreadInTheTick(HMODULE module, DWORD code)
{
    WaitForSingleObject(tickEntered, 4000);
    typedef void(WINAPI * FreeAndExitFn)(HMODULE, DWORD);
    reinterpret_cast<FreeAndExitFn>(freeAndExitHook->original)(module, code);
}

// Waits until the local clock reads second 59 and at least ms milliseconds
// into it.
void AwaitSecond59(int ms)
{
    SYSTEMTIME now;
    for (;;) {
        GetLocalTime(&now);
        if (now.wSecond == 59 && now.wMilliseconds >= ms)
            return;
        Sleep(5);
    }
}

// The WaveName that the host's OK saves: a copy of tick.wav of the host's
// own, so that a tick that should not have run is heard.
std::string SavedWave(const char* tag)
{
    return TestFolder() + "saved by " + tag + ".wav";
}

// A host that frees the module (after StopModule, when stop is true) from
// a message that the dialog's loop dispatches, while the user changes the
// file name; the user presses OK at second 59, ms milliseconds into it, and
// the host is busy for two seconds after Setting returns, then pumps. The
// tick the old timer would run comes due while the host is busy.
int RunOkAfterTheHostLetGo(bool stop, const char* tag, int ms)
{
    HostWindow host;
    LoadedModule module;
    AccessViolationWatch watch;
    if (!CopyFileA((TestFolder() + "tick.wav").c_str(), SavedWave(tag).c_str(), FALSE)
        || !StartHost(host, &module))
        return 2;
    StopSwallowingTimerFaults();
    ImportHook killTimer;
    ImportHook freeAndExit;
    hostThread = GetCurrentThreadId();
    tickEntered = CreateEventA(NULL, TRUE, FALSE, NULL);
    killTimerHook = &killTimer;
    freeAndExitHook = &freeAndExit;
    if (!killTimer.Install(module.handle, "user32.dll", "KillTimer", 0,
                           reinterpret_cast<void*>(KillTimerAfterTheUnload))
        || !freeAndExit.Install(module.handle, "kernel32.dll", "FreeLibraryAndExitThread", 0,
                                reinterpret_cast<void*>(FreeLibraryAndExitThreadInTheTick))) {
        Say("the module imports no KillTimer or FreeLibraryAndExitThread");
        return 2;
    }
    if (module.Export<IntFn>("StartModule")() != 1) {
        Say("StartModule armed no timer");
        return 2;
    }
    IntFn stopModule = module.Export<IntFn>("StopModule");
    HMODULE handle = module.handle;
    int stopped = -1;
    SYSTEMTIME ok = {};
    int result = RunWithDialog(host.handle, module.Export<IntFn>("Setting"), [&](HWND dialog) {
        CallFromTheDialogLoop(host.handle, [&] {
            if (stop)
                stopped = stopModule();
            FreeLibrary(handle);
        });
        ClearEdit(dialog, IDC_WAVE_NAME);
        Type(dialog, IDC_WAVE_NAME, SavedWave(tag));
        AwaitSecond59(ms);
        GetLocalTime(&ok);
        Click(dialog, IDOK);
    });
    module.handle = NULL;  // the host freed it in the dialog's loop

    // Read at once: another host process may save a second later.
    DWORD type = 0;
    std::vector<BYTE> wave;
    bool saved = ReadSettingsValue("WaveName", &type, &wave) && type == REG_SZ
        && std::string(reinterpret_cast<const char*>(wave.data())) == SavedWave(tag);
    Say("OK pressed at second %d.%03d; Setting returned %d; StopModule returned %d; settings %s",
        ok.wSecond, ok.wMilliseconds, result, stopped, saved ? "saved" : "not saved");

    Sleep(2000);  // the host is busy
    RunHostLoop(host.handle, 15000);
    bool tickRan = WaitForSingleObject(tickEntered, 0) == WAIT_OBJECT_0;
    Say("the host ran its loop again; %s",
        !tickRan ? "no tick ran" : unloadedUnderTheTick ? "a tick ran while the module was unloaded"
                                                        : "a tick ran in the mapped module");
    if (GetModuleHandleA(ModulePath().c_str()) == NULL) {
        // Gone with the module's import table.
        killTimer.Abandon();
        freeAndExit.Abandon();
    }
    if (result != 1 || !saved || unloadedUnderTheTick)
        return 4;
    return EndHost(host, watch);
}

// --- Another process's saves ---------------------------------------------------

// Loads and unloads the module for seconds seconds. The libraries it
// imports are loaded once up front, as a host's own, so that each cycle
// maps and unmaps the module alone.
int RunLoadCycles(int seconds)
{
    const char* const imports[] = {"winmm.dll", "comdlg32.dll", "shfolder.dll", "version.dll",
                                   "hhctrl.ocx"};
    for (const char* name : imports)
        LoadLibraryA(name);
    int cycles = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < (DWORD)seconds * 1000) {
        LoadedModule module;
        if (!module.Load()) {
            Say("cannot load %s", ModulePath().c_str());
            return 2;
        }
        module.Unload();
        cycles++;
    }
    Say("load cycles: %d", cycles);
    Say(kEndedNormally);
    return 0;
}

// --- The tests ------------------------------------------------------------------

// Launches count hosts of one case at once and waits for them all.
std::vector<ProcessRun> LaunchHosts(const char* name, const std::vector<std::vector<std::string>>& args)
{
    std::vector<ProcessRun> runs(args.size());
    for (size_t i = 0; i < args.size(); i++) {
        std::string runName = std::string(name) + "-" + std::to_string(i + 1);
        std::vector<std::string> hostArgs = {"--host"};
        hostArgs.insert(hostArgs.end(), args[i].begin(), args[i].end());
        EXPECT_TRUE(Launch(&runs[i], runName.c_str(), "host_lifetime_test.exe", hostArgs, 0, kHostLimitMs));
    }
    std::vector<ProcessRun*> all;
    for (ProcessRun& run : runs)
        all.push_back(&run);
    EXPECT_TRUE(AwaitEnd(all, kHostLimitMs + 10000)) << "a host did not end";
    return runs;
}

void ExpectEndedNormally(const ProcessRun& run)
{
    std::string log = LogText(run);
    SCOPED_TRACE(run.name);
    EXPECT_EQ(ExitCode(run), 0) << log;
    EXPECT_NE(log.find(kEndedNormally), std::string::npos) << log;
}

const int kRunsEach = 3;

// Runs three hosts of the case at once (those of the tick unload at the
// same minute boundary): each must log unloaded, end normally, and have
// played the sound that the unload followed.
void ExpectThePlayerToOutliveTheUnload(const char* hostCase, const char* unloaded)
{
    DeleteSettingsKey();
    WriteHostSettings({0, 0, 60, "long.wav"});
    std::vector<ProcessRun> runs =
        LaunchHosts(hostCase, std::vector<std::vector<std::string>>(kRunsEach, {hostCase}));
    for (const ProcessRun& run : runs) {
        ExpectEndedNormally(run);
        std::string log = LogText(run);
        EXPECT_NE(log.find(unloaded), std::string::npos) << log;
        EXPECT_EQ(log.find(" 0 player thread(s) held"), std::string::npos) << log;
        EXPECT_GT(SinkBytes(run), 0) << "the sound did not play: " << log;
    }
    DeleteSettingsKey();
}

TEST(PlayerThread, OutlivesAnUnloadRightAfterTheTicksSound)
{
    ExpectThePlayerToOutliveTheUnload("tick-unload", "unloaded at once after the tick");
}

TEST(PlayerThread, OutlivesAnUnloadRightAfterTest)
{
    ExpectThePlayerToOutliveTheUnload("test-unload", "Setting returned 0; the module is unmapped");
}

// Three hosts free the module in the tick that started a strike, without
// stopping it: each ends normally, the strike heard, with the module
// unmapped and its timer gone once the strike has played.
TEST(StrikeRunner, GivesTheModuleBackAfterAHostFreedItMidStrike)
{
    DeleteSettingsKey();
    WriteHostSettings({1, 0, 60, "tick.wav"});
    std::vector<ProcessRun> runs =
        LaunchHosts("strike-free", std::vector<std::vector<std::string>>(kRunsEach, {"strike-free"}));
    for (const ProcessRun& run : runs) {
        ExpectEndedNormally(run);
        std::string log = LogText(run);
        EXPECT_NE(log.find("freed during the strike; the module is still mapped"), std::string::npos) << log;
        EXPECT_GT(SinkBytes(run), 0) << "the strike did not play: " << log;
    }
    DeleteSettingsKey();
}

// Four hosts, their OKs spread over second 59 of the same minute: two
// stopped the module before freeing it, two did not. The hour is struck
// every minute (an interval that the dialog's list for striking lacks, and
// OK keeps). Every one ends normally with its settings saved, no timer
// armed and the module unmapped; no tick sounds after a StopModule.
TEST(OkAfterTheHostLetGo, RunsNoTickInTheUnloadedModuleAndLeavesNoTimer)
{
    DeleteSettingsKey();
    WriteHostSettings({1, 0, 60, "tick.wav"});
    struct OkCase {
        const char* tag;
        const char* ms;
        bool stopped;
    };
    const OkCase cases[] = {
        {"stop-1", "50", true}, {"free-1", "250", false}, {"stop-2", "450", true}, {"free-2", "650", false},
    };
    std::vector<std::vector<std::string>> args;
    for (const OkCase& c : cases)
        args.push_back({c.stopped ? "ok-after-stop-and-free" : "ok-after-free", c.tag, c.ms});
    std::vector<ProcessRun> runs = LaunchHosts("ok-after", args);
    for (size_t i = 0; i < runs.size(); i++) {
        ExpectEndedNormally(runs[i]);
        std::string log = LogText(runs[i]);
        EXPECT_NE(log.find("OK pressed at second 59."), std::string::npos) << log;
        EXPECT_NE(log.find("settings saved"), std::string::npos) << log;
        if (cases[i].stopped) {
            EXPECT_NE(log.find("no tick ran"), std::string::npos) << log;
            EXPECT_EQ(SinkBytes(runs[i]), 0) << "a tick sounded after StopModule: " << log;
        }
        DeleteFileA(SavedWave(cases[i].tag).c_str());
    }
    DeleteSettingsKey();
}

// The five values a saving host writes for save number n, as the module
// stores them.
StoredSettings NthSave(int n)
{
    return {1, (DWORD)(n & 1), 60 * (n % 60 + 1), (DWORD)((n >> 1) & 1),
            "C:\\save " + std::to_string(n) + ".wav"};
}

void SaveAsTheModuleDoes(const StoredSettings& s)
{
    WriteSettingsDword("Enable", s.enable);
    WriteSettingsDword("SignalType", s.signalType);
    WriteSettingsDword("Interval", (DWORD)s.interval);
    WriteSettingsDword("TimeType", s.timeType);
    char wave[MAX_PATH] = {};
    lstrcpynA(wave, s.wave.c_str(), MAX_PATH);
    WriteSettingsValue("WaveName", REG_SZ, wave, sizeof(wave));
}

DWORD StoredDword(const char* name)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadSettingsValue(name, &type, &data) || type != REG_DWORD || data.size() != 4)
        return 0xBADBAD;
    return *reinterpret_cast<const DWORD*>(data.data());
}

bool StillStored(const StoredSettings& s)
{
    DWORD type = 0;
    std::vector<BYTE> wave;
    return StoredDword("Enable") == s.enable && StoredDword("SignalType") == s.signalType
        && StoredDword("Interval") == (DWORD)s.interval && StoredDword("TimeType") == s.timeType
        && ReadSettingsValue("WaveName", &type, &wave) && type == REG_SZ
        && std::string(reinterpret_cast<const char*>(wave.data())) == s.wave;
}

// This process saves new values over and over, and looks after each save
// that they are still there before it saves the next; a host process loads
// and unloads the module meanwhile for 40 seconds.
TEST(UnloadWhileAnotherProcessSaves, NeverRevertsASave)
{
    DeleteSettingsKey();
    int saves = 0;
    SaveAsTheModuleDoes(NthSave(saves));
    ProcessRun host;
    ASSERT_TRUE(Launch(&host, "load-cycles", "host_lifetime_test.exe", {"--host", "load-cycles", "40"}, 0,
                       kHostLimitMs));
    int reverted = 0;
    std::string first;
    DWORD start = GetTickCount();
    while (ExitCode(host) == -1 && GetTickCount() - start < kHostLimitMs) {
        if (!StillStored(NthSave(saves))) {
            if (reverted++ == 0)
                first = "save " + std::to_string(saves) + " was written over";
        }
        saves++;
        SaveAsTheModuleDoes(NthSave(saves));
    }
    std::string log = LogText(host);
    printf("saves: %d, reverted: %d; %s", saves, reverted, log.c_str());
    ExpectEndedNormally(host);
    EXPECT_NE(log.find("load cycles: "), std::string::npos) << log;
    EXPECT_GT(saves, 100);
    EXPECT_EQ(reverted, 0) << first;
    DeleteSettingsKey();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && strcmp(argv[1], "--host") == 0) {
        const char* name = argv[2];
        if (strcmp(name, "tick-unload") == 0)
            return RunTickThenUnload();
        if (strcmp(name, "test-unload") == 0)
            return RunTestThenUnload();
        if (strcmp(name, "strike-free") == 0)
            return RunStrikeThenFree();
        if (argc == 5 && strcmp(name, "ok-after-stop-and-free") == 0)
            return RunOkAfterTheHostLetGo(true, argv[3], atoi(argv[4]));
        if (argc == 5 && strcmp(name, "ok-after-free") == 0)
            return RunOkAfterTheHostLetGo(false, argv[3], atoi(argv[4]));
        if (argc == 4 && strcmp(name, "load-cycles") == 0)
            return RunLoadCycles(atoi(argv[3]));
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

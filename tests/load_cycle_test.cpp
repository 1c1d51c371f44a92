// A host that loads and unloads the module over and over: a module manager,
// or a settings page that reloads its modules. Every round must give back
// what it took: no thread-local-storage index and no heap memory may stay
// behind, and the process must survive.
#include <gtest/gtest.h>

#include <stdio.h>

#include "tests/test_support.h"

namespace {

const int kRounds = 3000;
// Heap bytes a round may leave behind on average; the platform's own caches
// grow a little now and then.
const double kHeapBytesPerRound = 64.0;

// The free thread-local-storage indices of the process, counted by taking
// every one of them and giving them all back.
int FreeTlsIndices()
{
    static DWORD taken[4096];
    int count = 0;
    DWORD index;

    while (count < 4096 && (index = TlsAlloc()) != TLS_OUT_OF_INDEXES)
        taken[count++] = index;
    for (int i = 0; i < count; i++)
        TlsFree(taken[i]);
    return count;
}

// The busy bytes of every heap of the process.
long long BusyHeapBytes()
{
    HANDLE heaps[256];
    DWORD count = GetProcessHeaps(256, heaps);
    long long busy = 0;

    for (DWORD i = 0; i < count && i < 256; i++) {
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = NULL;
        if (!HeapLock(heaps[i]))
            continue;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                busy += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return busy;
}

// One round as a host makes it: load, hand over the window, start, stop,
// unload. False when the module cannot be loaded.
bool HostRound(HWND window)
{
    HMODULE module = LoadLibraryA(ModulePath().c_str());
    if (!module)
        return false;
    reinterpret_cast<SetParentWindowFn>(GetProcAddress(module, "SetParentWindow"))(window);
    reinterpret_cast<IntFn>(GetProcAddress(module, "StartModule"))();
    reinterpret_cast<IntFn>(GetProcAddress(module, "StopModule"))();
    return FreeLibrary(module) != FALSE;
}

TEST(LoadCycle, ThousandsOfRoundsLeaveNoTlsIndexAndNoHeapBehind)
{
    // Enabled, so every round really arms and kills the timer.
    DeleteSettingsKey();
    WriteSettingsDword("Enable", 1);
    WriteSettingsDword("Interval", 60);
    HostWindow host;
    ASSERT_NE(host.handle, nullptr);

    // The module's system libraries stay loaded, as in a real host, so that
    // each round loads and unloads the module alone.
    const char* const systemLibraries[] = {
        "advapi32.dll", "comdlg32.dll", "kernel32.dll", "msvcrt.dll", "shfolder.dll",
        "user32.dll", "version.dll", "winmm.dll", "hhctrl.ocx",
    };
    for (const char* library : systemLibraries)
        ASSERT_NE(LoadLibraryA(library), nullptr) << library;
    // A few rounds first, so that one-time caches of the platform are full.
    for (int i = 0; i < 10; i++)
        ASSERT_TRUE(HostRound(host.handle));

    int freeBefore = FreeTlsIndices();
    long long busyBefore = BusyHeapBytes();
    for (int i = 0; i < kRounds; i++)
        ASSERT_TRUE(HostRound(host.handle)) << "round " << i;
    int freeAfter = FreeTlsIndices();
    long long busyAfter = BusyHeapBytes();

    double tlsPerRound = double(freeBefore - freeAfter) / kRounds;
    double heapPerRound = double(busyAfter - busyBefore) / kRounds;
    printf("%d rounds: free TLS indices %d -> %d (%.3f per round), "
           "busy heap bytes %lld -> %lld (%.1f per round)\n",
           kRounds, freeBefore, freeAfter, tlsPerRound, busyBefore, busyAfter, heapPerRound);
    EXPECT_EQ(freeAfter, freeBefore) << "thread-local-storage indices leaked";
    EXPECT_LE(heapPerRound, kHeapBytesPerRound) << "heap bytes left behind per round";

    DeleteSettingsKey();
}

}  // namespace

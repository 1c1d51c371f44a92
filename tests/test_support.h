// Shared by the test programs: load the built module the way the host does,
// and set up or read its registry key.
#ifndef CHIMORA_TEST_SUPPORT_H
#define CHIMORA_TEST_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

// The settings key under HKEY_CURRENT_USER.
#define CHIMORA_KEY "Software\\Quillet\\TimeSignal"

// The folder of a loaded module's file, with its trailing backslash; for
// NULL, the test program's own.
std::string FolderOf(HMODULE module);
// The test program's folder, with its trailing backslash.
std::string TestFolder();
// The installable module file, in the test program's own folder.
std::string ModulePath();

// The module loaded with LoadLibraryA; exports found by undecorated name.
class LoadedModule {
public:
    HMODULE handle;

    LoadedModule();
    ~LoadedModule();
    bool Load();     // loads ModulePath(); false on failure
    void Unload();   // FreeLibrary, if loaded

    // The export of that name, or null.
    template <typename F> F Export(const char* name) const
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
    }
};

// Pumps this thread's messages, as a host's loop does, for timeMs.
void PumpMessages(DWORD timeMs);

// Milliseconds from now to a little after the next minute boundary of the
// local clock: by then every timer armed before now has fired once.
DWORD PastNextBoundaryMs();

// Pumps this thread's messages, as a host's loop does, until the module
// file is no longer mapped in the process; false when it still is after
// limitMs. After Setting the module gives back a reference of its own once
// the host's thread waits for messages again.
bool PumpUntilUnmapped(DWORD limitMs = 5000);

// Host exports, for typed look-ups.
typedef int(WINAPI* IntFn)(void);
typedef void(WINAPI* SetParentWindowFn)(HWND);
typedef int(WINAPI* GetTitleNameFn)(char*);

// Registry helpers on CHIMORA_KEY.
void DeleteSettingsKey();
bool SettingsKeyExists();
void WriteSettingsValue(const char* name, DWORD type, const void* data, DWORD size);
void WriteSettingsDword(const char* name, DWORD value);
// Reads a value: false when missing; type and raw bytes otherwise.
bool ReadSettingsValue(const char* name, DWORD* type, std::vector<BYTE>* data);

// The five settings as a host's module stores them.
struct StoredSettings {
    DWORD enable;
    DWORD signalType;
    LONG interval;
    DWORD timeType;
    std::string wave;
};

// Writes the five values, WaveName with its own length.
void Store(const StoredSettings& s);

// A plain top-level window on the calling thread, standing in for the
// host's main window; destroyed with the object.
class HostWindow {
public:
    HWND handle;
    HostWindow();
    ~HostWindow();
};

// Counts the access violations raised anywhere in the process while it
// lives, handled or not: a fault in a timer callback, which the platform
// swallows, is counted too.
class AccessViolationWatch {
public:
    AccessViolationWatch();
    ~AccessViolationWatch();
    long Count() const;

private:
    PVOID handler;
};

// Bytes of a UTF-8 text converted to the ANSI code page.
std::string Ansi(const char* utf8);

#endif

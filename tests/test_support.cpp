#include "test_support.h"

std::string FolderOf(HMODULE module)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, path, sizeof(path));
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string TestFolder() { return FolderOf(NULL); }

std::string ModulePath() { return TestFolder() + "Chimora.vxm"; }

LoadedModule::LoadedModule() : handle(NULL) {}

LoadedModule::~LoadedModule() { Unload(); }

bool LoadedModule::Load()
{
    handle = LoadLibraryA(ModulePath().c_str());
    return handle != NULL;
}

void LoadedModule::Unload()
{
    if (handle)
        FreeLibrary(handle);
    handle = NULL;
}

// Waits up to waitMs for a message, then handles all that are there.
static void PumpOnce(DWORD waitMs)
{
    MSG msg;

    MsgWaitForMultipleObjects(0, NULL, FALSE, waitMs, QS_ALLINPUT);
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpMessages(DWORD timeMs)
{
    DWORD start = GetTickCount();

    while (GetTickCount() - start < timeMs)
        PumpOnce(20);
}

DWORD PastNextBoundaryMs()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return 60000 - (now.wSecond * 1000 + now.wMilliseconds) + 2500;
}

bool PumpUntilUnmapped(DWORD limitMs)
{
    DWORD start = GetTickCount();

    while (GetModuleHandleA(ModulePath().c_str())) {
        if (GetTickCount() - start >= limitMs)
            return false;
        PumpOnce(20);
    }
    return true;
}

void DeleteSettingsKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, CHIMORA_KEY);
    RegDeleteKeyA(HKEY_CURRENT_USER, CHIMORA_KEY);
}

bool SettingsKeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, CHIMORA_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteSettingsValue(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, CHIMORA_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL)
        != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void WriteSettingsDword(const char* name, DWORD value)
{
    WriteSettingsValue(name, REG_DWORD, &value, sizeof(value));
}

bool ReadSettingsValue(const char* name, DWORD* type, std::vector<BYTE>* data)
{
    HKEY key;
    DWORD size = 0;
    bool found = false;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, CHIMORA_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    if (RegQueryValueExA(key, name, NULL, type, NULL, &size) == ERROR_SUCCESS) {
        data->assign(size, 0);
        found = RegQueryValueExA(key, name, NULL, type, data->data(), &size) == ERROR_SUCCESS;
        data->resize(size);
    }
    RegCloseKey(key);
    return found;
}

void Store(const StoredSettings& s)
{
    WriteSettingsDword("Enable", s.enable);
    WriteSettingsDword("SignalType", s.signalType);
    WriteSettingsDword("Interval", (DWORD)s.interval);
    WriteSettingsDword("TimeType", s.timeType);
    WriteSettingsValue("WaveName", REG_SZ, s.wave.c_str(), (DWORD)s.wave.size() + 1);
}

static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HostWindow::HostWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "ChimoraTestHost";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    handle = CreateWindowA("ChimoraTestHost", "host", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240,
                           NULL, NULL, wc.hInstance, NULL);
}

HostWindow::~HostWindow()
{
    if (handle)
        DestroyWindow(handle);
}

std::string Ansi(const char* utf8)
{
    wchar_t wide[1024];
    char narrow[2048];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 1024);
    int m = WideCharToMultiByte(CP_ACP, 0, wide, n, narrow, sizeof(narrow), NULL, NULL);
    return std::string(narrow, m > 0 ? m - 1 : 0);
}

static volatile LONG accessViolations;

static LONG CALLBACK CountAccessViolation(EXCEPTION_POINTERS* info)
{
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        InterlockedIncrement(&accessViolations);
    return EXCEPTION_CONTINUE_SEARCH;
}

AccessViolationWatch::AccessViolationWatch()
{
    accessViolations = 0;
    handler = AddVectoredExceptionHandler(1, CountAccessViolation);
}

AccessViolationWatch::~AccessViolationWatch()
{
    RemoveVectoredExceptionHandler(handler);
}

long AccessViolationWatch::Count() const
{
    return accessViolations;
}

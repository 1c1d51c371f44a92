// Start with Windows: a value under the user's Run key that names this
// program's quoted full path. No administrator rights are needed.
#include "tray.h"

static const WCHAR kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const WCHAR kRunValue[] = L"Chimora";

enum { COMMAND_SIZE = MAX_PATH + 2 };

// This program's command for the Run value: its full path in quotes.
static void RunCommand(WCHAR* command)
{
    DWORD length;

    command[0] = L'"';
    length = GetModuleFileNameW(NULL, command + 1, MAX_PATH);
    if (length >= MAX_PATH)
        length = 0;
    command[1 + length] = L'"';
    command[2 + length] = L'\0';
}

BOOL IsAutostartSet(void)
{
    WCHAR command[COMMAND_SIZE + 1];
    WCHAR stored[COMMAND_SIZE + 1];
    DWORD size = sizeof(stored) - sizeof(WCHAR);
    DWORD type;
    HKEY key;
    LONG status;

    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return FALSE;
    status = RegQueryValueExW(key, kRunValue, NULL, &type, reinterpret_cast<BYTE*>(stored), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return FALSE;
    // The data need not end in a terminator.
    stored[size / sizeof(WCHAR)] = L'\0';
    RunCommand(command);
    return lstrcmpiW(stored, command) == 0;
}

LONG SetAutostart(BOOL on)
{
    WCHAR command[COMMAND_SIZE + 1];
    HKEY key;
    LONG status;

    status = RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
    if (status != ERROR_SUCCESS)
        return status;
    if (on) {
        RunCommand(command);
        status = RegSetValueExW(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                (lstrlenW(command) + 1) * sizeof(WCHAR));
    } else {
        status = RegDeleteValueW(key, kRunValue);
    }
    RegCloseKey(key);
    return status;
}

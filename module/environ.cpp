// The settings record and its registry store.
#include "environ.h"

#include <string.h>

#include "../resources/resource_ids.h"

// Buffer limits for the names loaded from the string table.
enum { KEY_PART_LIMIT = 65, VALUE_NAME_LIMIT = 257 };

// Defaults for values that are missing or cannot be used.
enum { DEFAULT_ENABLE = 0, DEFAULT_SIGNALTYPE = 0, DEFAULT_INTERVAL = -1, DEFAULT_TIMETYPE = 0 };

Environ::Environ(HINSTANCE instance)
{
    Instance = instance;
    LoadFromRegistry();
}

// Another host process may have saved through its own dialog since this
// record was loaded: what the key holds well formed is newer than the
// record, and is written back as it is.
Environ::~Environ()
{
    HKEY key;

    if (OpenKey(&key) != ERROR_SUCCESS)
        return;
    ReadStoredValues(key);
    WriteValues(key);
    RegCloseKey(key);
}

// Opens (creating it if need be) HKCU\ + string 600 + string 601.
LONG Environ::OpenKey(HKEY* key)
{
    char path[KEY_PART_LIMIT * 2];
    char name[KEY_PART_LIMIT];
    DWORD disposition;

    path[0] = 0;
    name[0] = 0;
    LoadStringA(Instance, IDS_REG_KEY_BASE, path, KEY_PART_LIMIT);
    LoadStringA(Instance, IDS_REG_KEY_NAME, name, KEY_PART_LIMIT);
    lstrcatA(path, name);
    return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, (LPSTR)"", REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, NULL, key, &disposition);
}

void Environ::LoadValueName(UINT id, char* name)
{
    name[0] = 0;
    LoadStringA(Instance, id, name, VALUE_NAME_LIMIT);
}

// Reads one REG_DWORD value; anything else (missing, another type, fewer
// than 4 bytes) gives the fallback.
LONG Environ::QueryNumber(HKEY key, UINT nameId, LONG fallback)
{
    char name[VALUE_NAME_LIMIT];
    DWORD type = REG_NONE;
    DWORD size = sizeof(DWORD);
    LONG value = 0;

    LoadValueName(nameId, name);
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)&value, &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof(DWORD))
        return fallback;
    return value;
}

// Reads the five values over the record; a value that is missing or
// malformed leaves its field as it is.
void Environ::ReadStoredValues(HKEY key)
{
    char name[VALUE_NAME_LIMIT];
    char wave[MAX_PATH];
    DWORD type = REG_NONE;
    DWORD size = sizeof(wave);

    Enable = QueryNumber(key, IDS_REG_ENABLE, Enable);
    SignalType = QueryNumber(key, IDS_REG_SIGNALTYPE, SignalType);
    Interval = QueryNumber(key, IDS_REG_INTERVAL, Interval);
    TimeType = QueryNumber(key, IDS_REG_TIMETYPE, TimeType);

    // REG_SZ data need not carry a terminator: a path that does not end
    // within the field is no path at all.
    LoadValueName(IDS_REG_WAVENAME, name);
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)wave, &size) == ERROR_SUCCESS
        && type == REG_SZ && memchr(wave, 0, size) != NULL)
        lstrcpynA(WaveName, wave, sizeof(WaveName));
}

void Environ::LoadFromRegistry()
{
    // Defined contents even if the key cannot be opened below.
    ZeroMemory(WaveName, sizeof(WaveName));
    Enable = DEFAULT_ENABLE;
    SignalType = DEFAULT_SIGNALTYPE;
    Interval = DEFAULT_INTERVAL;
    TimeType = DEFAULT_TIMETYPE;
    RefreshFromRegistry();
}

void Environ::RefreshFromRegistry()
{
    HKEY key;

    if (OpenKey(&key) != ERROR_SUCCESS)
        return;
    ReadStoredValues(key);
    RegCloseKey(key);
}

// Writes one REG_DWORD value; the result is not examined, so a failed
// write does not stop the ones after it.
void Environ::SaveNumber(HKEY key, UINT nameId, LONG value)
{
    char name[VALUE_NAME_LIMIT];

    LoadValueName(nameId, name);
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

// Writes the five values into the open key; a failed write does not stop
// the ones after it.
void Environ::WriteValues(HKEY key)
{
    char name[VALUE_NAME_LIMIT];
    char wave[MAX_PATH];

    SaveNumber(key, IDS_REG_ENABLE, Enable);
    SaveNumber(key, IDS_REG_SIGNALTYPE, SignalType);
    SaveNumber(key, IDS_REG_INTERVAL, Interval);
    SaveNumber(key, IDS_REG_TIMETYPE, TimeType);

    // The whole field is stored; what follows the path's terminator is
    // written as zeros rather than whatever the field happened to hold.
    ZeroMemory(wave, sizeof(wave));
    lstrcpynA(wave, WaveName, sizeof(wave));
    LoadValueName(IDS_REG_WAVENAME, name);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)wave, sizeof(wave));
}

LONG Environ::SaveToRegistry()
{
    HKEY key;
    LONG error;

    error = OpenKey(&key);
    if (error != ERROR_SUCCESS)
        return error;
    WriteValues(key);
    return RegCloseKey(key);
}

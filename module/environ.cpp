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
// record was loaded, or may save while this one unloads: a value that the
// key holds well formed is never written, so that no save of another
// process is undone; only values missing or malformed are written from the
// record. A first unload so writes all five.
Environ::~Environ()
{
    HKEY key;

    if (OpenKey(KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    WriteMissingValues(key);
    RegCloseKey(key);
}

// Opens (creating it if need be) HKCU\ + string 600 + string 601 with the
// access asked for, no more: a key that may be read but not written still
// gives its values.
LONG Environ::OpenKey(REGSAM access, HKEY* key)
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
                           access, NULL, key, &disposition);
}

void Environ::LoadValueName(UINT id, char* name)
{
    name[0] = 0;
    LoadStringA(Instance, id, name, VALUE_NAME_LIMIT);
}

// Reads one REG_DWORD value into value; anything else (missing, another
// type, fewer than 4 bytes) leaves it as it is. Nonzero when read.
BOOL Environ::QueryNumber(HKEY key, UINT nameId, LONG* value)
{
    char name[VALUE_NAME_LIMIT];
    DWORD type = REG_NONE;
    DWORD size = sizeof(DWORD);
    LONG stored = 0;

    LoadValueName(nameId, name);
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)&stored, &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof(DWORD))
        return FALSE;
    *value = stored;
    return TRUE;
}

// Reads WaveName into path (MAX_PATH bytes); anything but a REG_SZ path
// that ends within the field leaves it as it is. Nonzero when read.
BOOL Environ::QueryWaveName(HKEY key, char* path)
{
    char name[VALUE_NAME_LIMIT];
    char wave[MAX_PATH];
    DWORD type = REG_NONE;
    DWORD size = sizeof(wave);

    // REG_SZ data need not carry a terminator: a path that does not end
    // within the field is no path at all.
    LoadValueName(IDS_REG_WAVENAME, name);
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE*)wave, &size) != ERROR_SUCCESS
        || type != REG_SZ || memchr(wave, 0, size) == NULL)
        return FALSE;
    lstrcpynA(path, wave, MAX_PATH);
    return TRUE;
}

// Reads the five values over the record; a value that is missing or
// malformed leaves its field as it is.
void Environ::ReadStoredValues(HKEY key)
{
    QueryNumber(key, IDS_REG_ENABLE, &Enable);
    QueryNumber(key, IDS_REG_SIGNALTYPE, &SignalType);
    QueryNumber(key, IDS_REG_INTERVAL, &Interval);
    QueryNumber(key, IDS_REG_TIMETYPE, &TimeType);
    QueryWaveName(key, WaveName);
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

    if (OpenKey(KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
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

// Writes WaveName as the whole field; what follows the path's terminator
// is written as zeros rather than whatever the field happened to hold.
void Environ::SaveWaveName(HKEY key)
{
    char name[VALUE_NAME_LIMIT];
    char wave[MAX_PATH];

    ZeroMemory(wave, sizeof(wave));
    lstrcpynA(wave, WaveName, sizeof(wave));
    LoadValueName(IDS_REG_WAVENAME, name);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)wave, sizeof(wave));
}

// Writes the five values into the open key; a failed write does not stop
// the ones after it.
void Environ::WriteValues(HKEY key)
{
    SaveNumber(key, IDS_REG_ENABLE, Enable);
    SaveNumber(key, IDS_REG_SIGNALTYPE, SignalType);
    SaveNumber(key, IDS_REG_INTERVAL, Interval);
    SaveNumber(key, IDS_REG_TIMETYPE, TimeType);
    SaveWaveName(key);
}

// Writes value as the number nameId names unless the key holds that number
// well formed already.
void Environ::SaveNumberIfMissing(HKEY key, UINT nameId, LONG value)
{
    LONG stored;

    if (!QueryNumber(key, nameId, &stored))
        SaveNumber(key, nameId, value);
}

// Writes from the record each of the five values that the key does not hold
// well formed; the others stay as they are stored.
void Environ::WriteMissingValues(HKEY key)
{
    char wave[MAX_PATH];

    SaveNumberIfMissing(key, IDS_REG_ENABLE, Enable);
    SaveNumberIfMissing(key, IDS_REG_SIGNALTYPE, SignalType);
    SaveNumberIfMissing(key, IDS_REG_INTERVAL, Interval);
    SaveNumberIfMissing(key, IDS_REG_TIMETYPE, TimeType);
    if (!QueryWaveName(key, wave))
        SaveWaveName(key);
}

LONG Environ::SaveToRegistry()
{
    HKEY key;
    LONG error;

    error = OpenKey(KEY_SET_VALUE, &key);
    if (error != ERROR_SUCCESS)
        return error;
    WriteValues(key);
    return RegCloseKey(key);
}

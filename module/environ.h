// The settings record and its registry store.
#ifndef CHIMORA_ENVIRON_H
#define CHIMORA_ENVIRON_H

#include <windows.h>

// The user's five settings, kept under HKCU\Software\Quillet\TimeSignal.
// Created once at load (which reads them), saved after OK, and at unload
// written where the key lacks them. When the dialog opens, values that
// another process saved meanwhile win over the record; at unload no value
// stored well formed is written over.
class Environ {
public:
    char WaveName[MAX_PATH];  // .wav to play, system code page; empty = silent
    LONG Interval;            // seconds; -1 = none
    LONG Enable;              // nonzero: the timer runs
    LONG SignalType;          // 0: once per interval step; nonzero: strike the hour
    LONG TimeType;            // 0: twelve-hour count; nonzero: twenty-four-hour
    HINSTANCE Instance;       // where the key and value names are loaded from

    // Stores the instance handle and loads the settings from the registry.
    explicit Environ(HINSTANCE instance);
    // Saves the settings to the registry: each value that the key holds
    // well formed by then is left as it is, the others are written from the
    // record.
    ~Environ();

    // Reads the five values; each missing or malformed one gets its default.
    void LoadFromRegistry();
    // Reads the five values over the record, as another host process may
    // have saved them: each missing or malformed one keeps the record's.
    void RefreshFromRegistry();
    // Writes the five values. Returns the error of opening the key when that
    // fails, else the result of closing it (0 on success).
    LONG SaveToRegistry();

private:
    LONG OpenKey(REGSAM access, HKEY* key);
    void LoadValueName(UINT id, char* name);
    BOOL QueryNumber(HKEY key, UINT nameId, LONG* value);
    BOOL QueryWaveName(HKEY key, char* path);
    void ReadStoredValues(HKEY key);
    void WriteValues(HKEY key);
    void WriteMissingValues(HKEY key);
    void SaveNumber(HKEY key, UINT nameId, LONG value);
    void SaveNumberIfMissing(HKEY key, UINT nameId, LONG value);
    void SaveWaveName(HKEY key);
};

#endif

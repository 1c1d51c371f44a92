// The tray program's quiet-hours key, for the tests that set it up and read
// it back as the program's user would find it.
#ifndef CHIMORA_TESTS_QUIET_REGISTRY_H
#define CHIMORA_TESTS_QUIET_REGISTRY_H

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "tray/quiet_hours.h"

#define QUIET_KEY "Software\\Quillet\\TimeSignalTray"

// The five value names, and the fields of QuietHours they hold, in order.
extern const char* const kQuietValueNames[5];
extern DWORD QuietHours::* const kQuietFields[5];

// A choice as text, for failure messages; == and PrintTo for gtest.
std::string Describe(const QuietHours& quiet);
bool operator==(const QuietHours& a, const QuietHours& b);
void PrintTo(const QuietHours& quiet, std::ostream* out);

void DeleteQuietKey();
bool QuietKeyExists();
void WriteQuietValue(const char* name, DWORD type, const void* data, DWORD size);
void WriteQuietDword(const char* name, DWORD value);

// Writes the five fields as REG_DWORD values, whatever they hold.
void WriteQuietDwords(const QuietHours& quiet);

// Each of the five values as its type and bytes ("missing" for none), to
// show what a step changed or left alone.
std::vector<std::string> QuietRawValues();

// The five values when each is a REG_DWORD; false, with a failure named,
// when one is missing or of another type or size.
bool ReadQuietDwords(QuietHours* quiet);

#endif

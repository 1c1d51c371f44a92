// Date and time utilities: digit texts of dates, times and date-times.
#ifndef CHIMORA_DATETIME_H
#define CHIMORA_DATETIME_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Reads the 10-byte date text "YYYY?MM?DD" (any separator bytes) into
// date[0..2] as year, month, day. Each byte counts by its low four bits.
// Returns text + 10.
const char* WINAPI GetStrToDate(const char* text, int* date);

// Reads the 8-byte time text "hh?mm?ss" into time[0..2] as hour, minute,
// second, by position as GetStrToDate does. Returns text + 8.
const char* WINAPI GetStrToTime(const char* text, int* time);

// Seconds since 1970-01-01 00:00:00 UTC of the 14-digit text
// "YYYYMMDDhhmmss", read as wall-clock time nine hours ahead of UTC.
// Every year divisible by 4 is a leap year (2100 included).
long double WINAPI DLTime(const char* text);

// 1 when the current moment lies between 00:00:00 of the day text first
// and 23:59:59 of the day text last ("YYYYMMDD"), both ends included, in
// the zone nine hours ahead of UTC; otherwise 0.
int WINAPI CheckDateArea(const char* first, const char* last);

#ifdef __cplusplus
}
#endif

#endif

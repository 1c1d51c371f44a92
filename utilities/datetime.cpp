// Date and time utilities: digit texts of dates, times and date-times.
#include "../include/chimora.h"

#include <stdlib.h>
#include <time.h>

#define SECONDS_PER_DAY 86400
// Date-time texts are wall-clock time of a fixed zone nine hours ahead of
// UTC, whatever the system's own zone.
#define ZONE_OFFSET (9 * 3600)

#define DATETIME_TEXT_LENGTH 14
// Room for a day text of up to 25 bytes, six digits of time and the
// terminator.
#define DAY_WORK_SIZE 32

// Month lengths, January first: normal year, then leap year.
static const int MonthDays[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

// Fields of a date-time text: first byte and length, in the order year,
// month, day, hour, minute, second.
static const struct {
    int offset;
    int length;
} DateTimeFields[6] = {
    {0, 4}, {4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 2},
};

// Every year divisible by 4, century years too.
static int IsLeapYear(int year)
{
    return year % 4 == 0;
}

// The value of a digit byte: its low four bits, whatever the byte is.
static int DigitValue(char c)
{
    return c & 0x0F;
}

// The number written by the count digit bytes at text.
static int DigitsValue(const char* text, int count)
{
    int value = 0, i;

    for (i = 0; i < count; i++)
        value = value * 10 + DigitValue(text[i]);
    return value;
}

const char* WINAPI GetStrToDate(const char* text, int* date)
{
    date[0] = DigitsValue(text, 4);
    date[1] = DigitsValue(text + 5, 2);
    date[2] = DigitsValue(text + 8, 2);
    return text + 10;
}

const char* WINAPI GetStrToTime(const char* text, int* time)
{
    time[0] = DigitsValue(text, 2);
    time[1] = DigitsValue(text + 3, 2);
    time[2] = DigitsValue(text + 6, 2);
    return text + 8;
}

long double WINAPI DLTime(const char* text)
{
    char work[DATETIME_TEXT_LENGTH + 1], field[5];
    int value[6], year, month, i;
    LONGLONG total = 0;

    // Take the text up to its terminator: fields past the end read as empty.
    ZeroMemory(work, sizeof(work));
    for (i = 0; i < DATETIME_TEXT_LENGTH && text[i]; i++)
        work[i] = text[i];

    for (i = 0; i < 6; i++) {
        lstrcpynA(field, work + DateTimeFields[i].offset, DateTimeFields[i].length + 1);
        value[i] = atoi(field);
    }
    year = value[0];
    month = value[1];

    for (i = 1970; i < year; i++)
        total += (IsLeapYear(i) ? 366 : 365) * (LONGLONG)SECONDS_PER_DAY;
    // A month beyond 12 counts the twelve months of its year, no more.
    for (i = 1; i < month && i <= 12; i++)
        total += MonthDays[IsLeapYear(year)][i - 1] * (LONGLONG)SECONDS_PER_DAY;
    total += (value[2] - 1) * (LONGLONG)SECONDS_PER_DAY;
    total += value[3] * 3600 - ZONE_OFFSET;
    total += value[4] * 60;
    total += value[5];
    return (long double)total;
}

// Writes the day text, cut to the room the work text leaves, followed by
// the six digits of a time of day.
static void BuildDayText(char* work, const char* day, const char* clock)
{
    lstrcpynA(work, day, DAY_WORK_SIZE - 6);
    lstrcatA(work, clock);
}

int WINAPI CheckDateArea(const char* first, const char* last)
{
    char firstText[DAY_WORK_SIZE], lastText[DAY_WORK_SIZE];
    long double start, end, now;

    BuildDayText(firstText, first, "000000");
    BuildDayText(lastText, last, "235959");
    start = DLTime(firstText);
    end = DLTime(lastText);
    // The C library's calendar time is a signed 32-bit count of seconds.
    now = (long double)(INT32)time(NULL);
    return start <= now && now <= end;
}

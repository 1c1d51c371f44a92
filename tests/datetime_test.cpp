// Date and time utilities, called through the module's exports.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

#include <string>

#include "tests/utility_test.h"

typedef const char*(WINAPI* FieldsFn)(const char*, int*);
typedef int(WINAPI* CheckDateAreaFn)(const char*, const char*);

namespace {

const long long kDay = 86400;
const long long kZone = 9 * 3600;

// Days from 1970-01-01 to the given Gregorian date (proleptic calendar,
// the civil-days algorithm), independent of the module's month tables.
long long DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The Gregorian date of a day count from 1970-01-01.
void CivilFromDays(long long z, int* y, int* m, int* d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

// The 14-digit text of a calendar time as wall-clock time nine hours ahead
// of UTC, worked out without the C library's time zone.
std::string ZoneText(long long t)
{
    long long local = t + kZone;
    long long days = local >= 0 ? local / kDay : (local - kDay + 1) / kDay;
    long long secs = local - days * kDay;
    int y, m, d;
    char text[32];

    CivilFromDays(days, &y, &m, &d);
    snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02d", y, m, d,
             static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
             static_cast<int>(secs % 60));
    return text;
}

std::string DayText(long long t) { return ZoneText(t).substr(0, 8); }

class DateTime : public UtilityTest {};

struct FieldsCase {
    const char* name;
    const char* text;
    int want[3];
};

// Reads the case's three fields with read, which must stop after length
// bytes and leave a fourth field alone.
void ExpectFields(FieldsFn read, const FieldsCase& c, size_t length)
{
    SCOPED_TRACE(c.name);
    int fields[4] = {-1, -1, -1, -7};
    EXPECT_EQ(read(c.text, fields), c.text + length);
    EXPECT_EQ(fields[0], c.want[0]);
    EXPECT_EQ(fields[1], c.want[1]);
    EXPECT_EQ(fields[2], c.want[2]);
    EXPECT_EQ(fields[3], -7) << "wrote past the three fields";
}

TEST_F(DateTime, GetStrToDateReadsByPosition)
{
    const FieldsCase cases[] = {
        {"slashes", "2005/04/10", {2005, 4, 10}},
        {"hyphens", "2005-04-10", {2005, 4, 10}},
        {"time follows", "1999.12.31 23:59", {1999, 12, 31}},
        {"spaces count 0", "  05/ 4/ 1", {5, 4, 1}},
        {"colon counts 10", "200:/1:/3:", {2010, 20, 40}},
    };
    for (const auto& c : cases)
        ExpectFields(fn.GetStrToDate, c, 10);
}

TEST_F(DateTime, GetStrToTimeReadsByPosition)
{
    const FieldsCase cases[] = {
        {"colons", "09:05:30", {9, 5, 30}},
        {"periods", "23.59.59", {23, 59, 59}},
        {"position, not separator", "9:5:3000", {100, 103, 0}},
        {"date follows", "00:00:00 2005", {0, 0, 0}},
    };
    for (const auto& c : cases)
        ExpectFields(fn.GetStrToTime, c, 8);
}

struct SecondsCase {
    const char* name;
    const char* text;
    long long want;
};

TEST_F(DateTime, DLTimeCountsSecondsNineHoursAheadOfUtc)
{
    const SecondsCase cases[] = {
        {"epoch at 09:00", "19700101090000", 0},
        {"epoch midnight", "19700101000000", -32400},
        {"early morning", "20050410000000", 1113058800},
        {"last second of that day", "20050410235959", 1113145199},
        {"leap day 2000", "20000229120000", 951793200},
        {"day after leap day 2000", "20000301000000", 951836400},
        {"last second of 1999", "19991231235959", 946652399},
        {"largest 32-bit value", "20380119121407", 2147483647},
        {"2100-02-28 is still Gregorian", "21000228235959", 4107509999},
        {"2100 has a 29th of February", "21000229000000", 4107510000},
        {"2100 counted as a leap year", "21000301000000", 4107596400},
        {"2101 one day ahead", "21010101000000", 4133948400 + 86400},
        {"bytes after the fourteenth ignored", "19700101090000999", 0},
        {"year before 1970 adds no years", "19690101090000", 0},
        {"month 0 adds no months", "20050001000000", 1104505200},
        {"month 13 counts twelve months", "20051301000000", 1136041200},
        {"month 99 counts twelve months", "20059901000000", 1136041200},
        {"text ends early: missing fields are 0", "19700101", -32400},
        {"fields read like atoi", "1970 1 1 9 0 5", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        long double got = fn.DLTime(c.text);
        EXPECT_EQ(got, static_cast<long double>(c.want))
            << "got " << static_cast<long long>(got);
    }
}

// Every day from 1970 through 2100-02-28, each at another time of day,
// against an independent Gregorian count.
TEST_F(DateTime, DLTimeMatchesGregorianCountThrough2100)
{
    const long long last = DaysFromCivil(2100, 2, 28);
    int failures = 0;

    for (long long day = 0; day <= last && failures < 5; day++) {
        long long t = day * kDay + (day * 7919) % kDay - kZone;
        std::string text = ZoneText(t);
        long double got = fn.DLTime(text.c_str());
        if (got != static_cast<long double>(t)) {
            ADD_FAILURE() << text << ": got " << static_cast<long long>(got) << ", want " << t;
            failures++;
        }
    }
}

// The largest year the text can hold still gives a whole, exact count.
TEST_F(DateTime, DLTimeIsExactUpToYear9999)
{
    long double got = fn.DLTime("99991231235959");
    long long want = (DaysFromCivil(9999, 12, 31) + 1) * kDay - 1 - kZone;
    // Years 2100, 2200, 2300, 2500, ... up to 9900 count as leap years too.
    int extra = 0;
    for (int y = 2100; y < 9999; y += 100)
        extra += y % 400 != 0;
    EXPECT_EQ(got, static_cast<long double>(want + extra * kDay));
    EXPECT_EQ(got - static_cast<long long>(got), 0.0L);
}

struct RangeCase {
    const char* name;
    long long firstOffset;  // seconds from now
    long long lastOffset;
    int want;
};

// Calls CheckDateArea with texts made from the current time; repeats when
// the clock moved during the call, so the texts and the module saw the
// same second.
template <typename MakeFirst, typename MakeLast>
int CheckAroundNow(CheckDateAreaFn check, const RangeCase& c, MakeFirst firstText,
                   MakeLast lastText)
{
    for (;;) {
        time_t before = time(NULL);
        std::string first = firstText(before + c.firstOffset);
        std::string last = lastText(before + c.lastOffset);
        int result = check(first.c_str(), last.c_str());
        if (time(NULL) == before)
            return result;
    }
}

TEST_F(DateTime, CheckDateAreaTakesWholeDaysNineHoursAheadOfUtc)
{
    const RangeCase cases[] = {
        {"today only", 0, 0, 1},
        {"yesterday only", -kDay, -kDay, 0},
        {"tomorrow only", kDay, kDay, 0},
        {"yesterday through today", -kDay, 0, 1},
        {"today through tomorrow", 0, kDay, 1},
        {"yesterday through tomorrow", -kDay, kDay, 1},
        {"first day after last day", kDay, -kDay, 0},
        {"today after yesterday", 0, -kDay, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckAroundNow(fn.CheckDateArea, c, DayText, DayText), c.want);
    }
}

// A full 14-byte text brings its own time of day, so both ends can be
// placed to the second.
TEST_F(DateTime, CheckDateAreaIncludesBothEnds)
{
    const RangeCase cases[] = {
        {"starts and ends now", 0, 0, 1},
        {"starts one second ago", -1, 0, 1},
        {"ends in one second", 0, 1, 1},
        {"starts in one second", 1, 60, 0},
        {"ended one second ago", -60, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckAroundNow(fn.CheckDateArea, c, ZoneText, ZoneText), c.want);
    }
}

// Day texts longer than the work texts hold are cut, not copied whole: only
// their first 14 bytes count, here the day and a time of day of their own.
TEST_F(DateTime, CheckDateAreaCutsLongDayTexts)
{
    const RangeCase cases[] = {
        {"long texts on today", 0, 0, 1},
        {"long texts on tomorrow", kDay, kDay, 0},
        {"long texts on yesterday", -kDay, -kDay, 0},
    };
    auto first = [](long long t) { return DayText(t) + "000000" + std::string(400, '7'); };
    auto last = [](long long t) { return DayText(t) + "235959" + std::string(400, '7'); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckAroundNow(fn.CheckDateArea, c, first, last), c.want);
    }
}

}  // namespace

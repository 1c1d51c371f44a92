// The tray program's quiet hours: the schedule arithmetic as tables of local
// times, and the stored choice in the real registry under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>

#include <string>

#include "tests/quiet_registry.h"
#include "tray/quiet_hours.h"

namespace {

const QuietHours kDefaults = { 0, QUIET_DEFAULT_START, QUIET_DEFAULT_END, 0, 0 };

// "hh:mm:ss.mmm" as a local time on some day.
SYSTEMTIME At(const char* clock)
{
    SYSTEMTIME time = {};
    unsigned hour = 0, minute = 0, second = 0, ms = 0;
    EXPECT_EQ(sscanf(clock, "%u:%u:%u.%u", &hour, &minute, &second, &ms), 4) << clock;
    time.wYear = 2026;
    time.wMonth = 12;
    time.wDay = 11;
    time.wDayOfWeek = 5;
    time.wHour = (WORD)hour;
    time.wMinute = (WORD)minute;
    time.wSecond = (WORD)second;
    time.wMilliseconds = (WORD)ms;
    return time;
}

DWORD MsOfDay(const SYSTEMTIME& t)
{
    return ((t.wHour * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
}

const DWORD kMsPerDay = 24 * 60 * 60 * 1000;

// ------------------------------------------------------------ minutes

struct MinuteCase {
    const char* name;
    DWORD enable, start, end;
    int minute;
    BOOL quiet;
};

TEST(QuietHoursTest, MinuteInsideTheRange)
{
    const MinuteCase cases[] = {
        { "night range, at start", 1, 1320, 420, 1320, TRUE },
        { "night range, a minute before start", 1, 1320, 420, 1319, FALSE },
        { "night range, last minute of the day", 1, 1320, 420, 1439, TRUE },
        { "night range, midnight", 1, 1320, 420, 0, TRUE },
        { "night range, a minute before end", 1, 1320, 420, 419, TRUE },
        { "night range, at end: the signal sounds", 1, 1320, 420, 420, FALSE },
        { "night range, noon", 1, 1320, 420, 720, FALSE },
        { "day range, at start", 1, 540, 1020, 540, TRUE },
        { "day range, at end", 1, 540, 1020, 1020, FALSE },
        { "day range, midnight", 1, 540, 1020, 0, FALSE },
        { "day range, a minute before start", 1, 540, 1020, 539, FALSE },
        { "one minute, that minute", 1, 720, 721, 720, TRUE },
        { "one minute, the next", 1, 720, 721, 721, FALSE },
        { "one minute, the one before", 1, 720, 721, 719, FALSE },
        { "last minute of the day only, 23:59", 1, 1439, 0, 1439, TRUE },
        { "last minute of the day only, midnight", 1, 1439, 0, 0, FALSE },
        { "last minute of the day only, 23:58", 1, 1439, 0, 1438, FALSE },
        { "all but 23:59, midnight", 1, 0, 1439, 0, TRUE },
        { "all but 23:59, 23:58", 1, 0, 1439, 1438, TRUE },
        { "all but 23:59, 23:59", 1, 0, 1439, 1439, FALSE },
        { "all but 07:00, 07:00", 1, 421, 420, 420, FALSE },
        { "all but 07:00, 07:01", 1, 421, 420, 421, TRUE },
        { "all but 07:00, 06:59", 1, 421, 420, 419, TRUE },
        { "off", 0, 1320, 420, 0, FALSE },
        { "start equal to end is no range", 1, 600, 600, 600, FALSE },
        { "start out of the day", 1, 1440, 420, 0, FALSE },
        { "end out of the day", 1, 1320, 0xFFFFFFFF, 1400, FALSE },
    };
    for (const MinuteCase& c : cases) {
        SCOPED_TRACE(c.name);
        QuietHours quiet = { c.enable, c.start, c.end, 0, 0 };
        EXPECT_EQ(IsQuietMinute(&quiet, c.minute), c.quiet);
    }
}

// ------------------------------------------------------------ schedule

// The program's view from the local time now: what it applies at once, and
// when (act, a local time within the next 24 hours) it acts next, to what.
struct ScheduleCase {
    const char* name;
    DWORD start, end;
    const char* now;
    BOOL quietNow;
    const char* act;
    BOOL quietAfter;
};

TEST(QuietHoursTest, WhenTheProgramActsNext)
{
    const ScheduleCase cases[] = {
        // 22:00 to 07:00.
        { "evening, before the range", 1320, 420, "20:00:00.000", FALSE, "21:59:55.000", TRUE },
        { "milliseconds count", 1320, 420, "21:00:00.250", FALSE, "21:59:55.000", TRUE },
        { "the minute before the lead's minute", 1320, 420, "21:58:59.999", FALSE,
          "21:59:55.000", TRUE },
        { "start's boundary next, before the lead", 1320, 420, "21:59:00.000", TRUE,
          "06:59:55.000", FALSE },
        { "at the lead before start", 1320, 420, "21:59:55.000", TRUE, "06:59:55.000", FALSE },
        { "inside the lead before start", 1320, 420, "21:59:57.000", TRUE, "06:59:55.000", FALSE },
        { "the last millisecond before start", 1320, 420, "21:59:59.999", TRUE,
          "06:59:55.000", FALSE },
        { "exactly at start", 1320, 420, "22:00:00.000", TRUE, "06:59:55.000", FALSE },
        { "inside, before midnight", 1320, 420, "23:30:10.500", TRUE, "06:59:55.000", FALSE },
        { "the last millisecond of the day", 1320, 420, "23:59:59.999", TRUE, "06:59:55.000", FALSE },
        { "midnight", 1320, 420, "00:00:00.000", TRUE, "06:59:55.000", FALSE },
        { "inside, after midnight", 1320, 420, "03:00:00.000", TRUE, "06:59:55.000", FALSE },
        { "end's boundary next, before the lead", 1320, 420, "06:59:54.000", FALSE,
          "21:59:55.000", TRUE },
        { "at the lead before end", 1320, 420, "06:59:55.000", FALSE, "21:59:55.000", TRUE },
        { "inside the lead before end", 1320, 420, "06:59:58.000", FALSE, "21:59:55.000", TRUE },
        { "exactly at end", 1320, 420, "07:00:00.000", FALSE, "21:59:55.000", TRUE },
        // 09:00 to 17:00, within one day.
        { "day range, morning", 540, 1020, "08:00:00.000", FALSE, "08:59:55.000", TRUE },
        { "day range, inside", 540, 1020, "12:00:00.000", TRUE, "16:59:55.000", FALSE },
        { "day range, inside the lead before end", 540, 1020, "16:59:56.000", FALSE,
          "08:59:55.000", TRUE },
        { "day range, night", 540, 1020, "23:00:00.000", FALSE, "08:59:55.000", TRUE },
        // Times at the edges of the day.
        { "00:00 to 23:59, before 23:59", 0, 1439, "23:58:30.000", FALSE, "23:59:55.000", TRUE },
        { "00:00 to 23:59, inside the lead before midnight", 0, 1439, "23:59:56.000", TRUE,
          "23:58:55.000", FALSE },
        { "00:00 to 23:59, at midnight", 0, 1439, "00:00:00.000", TRUE, "23:58:55.000", FALSE },
        { "23:59 to 00:00, noon", 1439, 0, "12:00:00.000", FALSE, "23:58:55.000", TRUE },
        { "23:59 to 00:00, inside the lead before 23:59", 1439, 0, "23:58:57.000", TRUE,
          "23:59:55.000", FALSE },
        { "23:59 to 00:00, inside the lead before midnight", 1439, 0, "23:59:57.000", FALSE,
          "23:58:55.000", TRUE },
        // A range of one minute, and one of all minutes but one.
        { "12:00 to 12:01, at the lead", 720, 721, "11:59:55.000", TRUE, "12:00:55.000", FALSE },
        { "12:00 to 12:01, at the lead before end", 720, 721, "12:00:55.000", FALSE,
          "11:59:55.000", TRUE },
        { "07:01 to 07:00, at the lead before 07:00", 421, 420, "06:59:55.000", FALSE,
          "07:00:55.000", TRUE },
        { "07:01 to 07:00, just after 07:00", 421, 420, "07:00:30.000", TRUE, "06:59:55.000", FALSE },
    };
    for (const ScheduleCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at " + c.now);
        QuietHours quiet = { 1, c.start, c.end, 0, 0 };
        SYSTEMTIME now = At(c.now);
        DWORD want = (MsOfDay(At(c.act)) - MsOfDay(now) + kMsPerDay) % kMsPerDay;
        BOOL quietAfter = !c.quietAfter;
        EXPECT_EQ(IsQuietAtNextBoundary(&quiet, &now), c.quietNow);
        EXPECT_EQ(MsUntilQuietChange(&quiet, &now, &quietAfter), want);
        EXPECT_EQ(quietAfter, c.quietAfter);
    }
}

// Acting at the time it was given, the program finds itself in the state it
// was told, and is sent on to the other boundary: once round the day, each
// act lands QUIET_LEAD_MS before a boundary that the module's timer, up to
// a second late, has not yet reached.
TEST(QuietHoursTest, ActingOnTimeAlternatesTwiceADay)
{
    const QuietHours ranges[] = {
        { 1, 1320, 420, 0, 0 }, { 1, 540, 1020, 0, 0 }, { 1, 720, 721, 0, 0 },
        { 1, 1439, 0, 0, 0 },   { 1, 0, 1439, 0, 0 },  { 1, 421, 420, 0, 0 },
    };
    for (const QuietHours& quiet : ranges) {
        SCOPED_TRACE(Describe(quiet));
        SYSTEMTIME now = At("12:34:56.789");
        DWORD elapsed = 0;
        BOOL expected = IsQuietAtNextBoundary(&quiet, &now);
        for (int step = 0; step < 4; step++) {
            BOOL quietAfter = expected;
            DWORD ms = MsUntilQuietChange(&quiet, &now, &quietAfter);
            ASSERT_GT(ms, 0u);
            EXPECT_NE(quietAfter, expected) << "step " << step;
            DWORD at = (MsOfDay(now) + ms) % kMsPerDay;
            elapsed += ms;
            now.wHour = (WORD)(at / 3600000);
            now.wMinute = (WORD)(at / 60000 % 60);
            now.wSecond = (WORD)(at / 1000 % 60);
            now.wMilliseconds = (WORD)(at % 1000);
            EXPECT_EQ(at % 60000, 60000u - QUIET_LEAD_MS) << "step " << step;
            int boundary = (int)((at / 60000 + 1) % MINUTES_PER_DAY);
            EXPECT_EQ(boundary, (int)(quietAfter ? quiet.Start : quiet.End)) << "step " << step;
            EXPECT_EQ(IsQuietAtNextBoundary(&quiet, &now), quietAfter) << "step " << step;
            expected = quietAfter;
        }
        EXPECT_GT(elapsed, kMsPerDay) << "four acts span more than a day";
        EXPECT_LT(elapsed, 2 * kMsPerDay + 60000) << "and about two at the most";
    }
}

TEST(QuietHoursTest, NothingToDoWithoutARange)
{
    const struct { const char* name; QuietHours quiet; } cases[] = {
        { "off", { 0, 1320, 420, 1, 1 } },
        { "start equal to end", { 1, 600, 600, 0, 0 } },
        { "start out of the day", { 1, 1440, 420, 0, 0 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* clock : { "00:00:00.000", "09:59:57.000", "21:59:57.000" }) {
            SCOPED_TRACE(clock);
            SYSTEMTIME now = At(clock);
            BOOL quietAfter = TRUE;
            EXPECT_FALSE(IsQuietAtNextBoundary(&c.quiet, &now));
            EXPECT_EQ(MsUntilQuietChange(&c.quiet, &now, &quietAfter), 0u);
            EXPECT_FALSE(quietAfter);
        }
    }
}

// ------------------------------------------------------------ full screen

TEST(QuietHoursTest, FullScreenStates)
{
    const struct { const char* name; int state; BOOL fullScreen; } cases[] = {
        { "not present: screen saver, locked, other session", 1, FALSE },
        { "busy: a full-screen program", 2, TRUE },
        { "Direct3D full screen", 3, TRUE },
        { "presentation mode", 4, TRUE },
        { "accepts notifications", 5, FALSE },
        { "quiet time after a first sign-in", 6, FALSE },
        { "a Store app", 7, FALSE },
        { "zero: the call failed", 0, FALSE },
        { "a state not known yet", 8, FALSE },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsFullScreenState(c.state), c.fullScreen);
    }
}

// ------------------------------------------------------------ registry

// What LoadQuietHours gives, over a choice that holds none of its answers.
QuietHours Loaded()
{
    QuietHours quiet = { 7, 7, 7, 7, 7 };
    LoadQuietHours(&quiet);
    return quiet;
}

class QuietRegistryTest : public testing::Test {
protected:
    void SetUp() override { DeleteQuietKey(); }
    void TearDown() override { DeleteQuietKey(); }
};

TEST_F(QuietRegistryTest, MissingKeyGivesTheDefaultsAndStaysMissing)
{
    EXPECT_EQ(Loaded(), kDefaults);
    EXPECT_FALSE(QuietKeyExists()) << "reading created the key";
}

TEST_F(QuietRegistryTest, EmptyKeyGivesTheDefaults)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, QUIET_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                              NULL),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Loaded(), kDefaults);
}

// One value stored other than as a REG_DWORD of four bytes in range, the
// other four stored well and unlike their defaults.
struct MalformedCase {
    const char* name;
    int value;  // index into kQuietValueNames
    DWORD type;
    std::vector<BYTE> data;  // empty with type REG_NONE: the value is missing
};

std::vector<BYTE> Dword(DWORD value)
{
    return std::vector<BYTE>((BYTE*)&value, (BYTE*)&value + 4);
}

const DWORD kLimits[5] = { 2, MINUTES_PER_DAY, MINUTES_PER_DAY, 2, 2 };

TEST_F(QuietRegistryTest, EachMalformedValueTakesItsDefault)
{
    const QuietHours stored = { 1, 60, 120, 1, 1 };
    std::vector<MalformedCase> cases;
    for (int i = 0; i < 5; i++) {
        const std::vector<BYTE> text = { '1', 0 };
        cases.push_back({ "missing", i, REG_NONE, {} });
        cases.push_back({ "REG_SZ", i, REG_SZ, text });
        cases.push_back({ "REG_BINARY of 2 bytes", i, REG_BINARY, { 1, 0 } });
        cases.push_back({ "REG_BINARY of 4 bytes", i, REG_BINARY, Dword(1) });
        cases.push_back({ "REG_DWORD of 2 bytes", i, REG_DWORD, { 1, 0 } });
        cases.push_back({ "REG_DWORD of 8 bytes", i, REG_DWORD, { 1, 0, 0, 0, 0, 0, 0, 0 } });
        cases.push_back({ "REG_DWORD of no bytes", i, REG_DWORD, {} });
        cases.push_back({ "REG_DWORD_BIG_ENDIAN", i, REG_DWORD_BIG_ENDIAN, Dword(1) });
        cases.push_back({ "REG_QWORD", i, REG_QWORD, { 1, 0, 0, 0, 0, 0, 0, 0 } });
        cases.push_back({ "the first number out of range (2 or 1440)", i, REG_DWORD,
                          Dword(kLimits[i]) });
        cases.push_back({ "0xFFFFFFFF", i, REG_DWORD, Dword(0xFFFFFFFF) });
        cases.push_back({ "0x80000000", i, REG_DWORD, Dword(0x80000000) });
    }
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(std::string(kQuietValueNames[c.value]) + ": " + c.name);
        DeleteQuietKey();
        WriteQuietDwords(stored);
        if (c.type == REG_NONE)
            RegDeleteKeyValueA(HKEY_CURRENT_USER, QUIET_KEY, kQuietValueNames[c.value]);
        else
            WriteQuietValue(kQuietValueNames[c.value], c.type, c.data.data(), (DWORD)c.data.size());
        QuietHours want = stored;
        want.*kQuietFields[c.value] = kDefaults.*kQuietFields[c.value];
        EXPECT_EQ(Loaded(), want);
    }
}

struct StoredCase {
    const char* name;
    QuietHours stored;  // written as five REG_DWORD values
    QuietHours want;
};

TEST_F(QuietRegistryTest, WellFormedValuesAndEqualTimes)
{
    const StoredCase cases[] = {
        { "all on", { 1, 1380, 360, 1, 1 }, { 1, 1380, 360, 1, 1 } },
        { "all off, unusual times", { 0, 5, 6, 0, 0 }, { 0, 5, 6, 0, 0 } },
        { "the first and last minute of the day", { 1, 0, 1439, 0, 1 }, { 1, 0, 1439, 0, 1 } },
        { "the last and first minute of the day", { 1, 1439, 0, 1, 0 }, { 1, 1439, 0, 1, 0 } },
        { "start equal to end: both take their defaults", { 1, 600, 600, 1, 1 },
          { 1, 1320, 420, 1, 1 } },
        { "both at midnight", { 1, 0, 0, 0, 0 }, { 1, 1320, 420, 0, 0 } },
        { "start out of range, end at the default start", { 1, 1440, 1320, 0, 0 },
          { 1, 1320, 420, 0, 0 } },
        { "end out of range, start at the default end", { 1, 420, 5000, 0, 0 },
          { 1, 1320, 420, 0, 0 } },
        { "both out of range", { 1, 1440, 1440, 1, 0 }, { 1, 1320, 420, 1, 0 } },
        { "end out of range, start elsewhere", { 0, 60, 1440, 0, 0 }, { 0, 60, 420, 0, 0 } },
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteQuietKey();
        WriteQuietDwords(c.stored);
        EXPECT_EQ(Loaded(), c.want);
    }
}

TEST_F(QuietRegistryTest, SaveThenLoadRoundTrip)
{
    const QuietHours choices[] = {
        { 1, 1320, 420, 0, 0 }, { 0, 1320, 420, 1, 1 }, { 1, 0, 1439, 1, 0 },
        { 1, 1439, 0, 0, 1 },   { 1, 720, 721, 1, 1 },  { 0, 421, 420, 0, 0 },
    };
    for (const QuietHours& choice : choices) {
        SCOPED_TRACE(Describe(choice));
        ASSERT_EQ(SaveQuietHours(&choice), ERROR_SUCCESS);
        QuietHours raw = {};
        ASSERT_TRUE(ReadQuietDwords(&raw));
        EXPECT_EQ(raw, choice);
        EXPECT_EQ(Loaded(), choice);
    }
}

TEST_F(QuietRegistryTest, SaveReplacesMalformedValues)
{
    WriteQuietValue("QuietEnable", REG_SZ, "1", 2);
    WriteQuietValue("QuietStart", REG_BINARY, "\x01\x02", 2);
    WriteQuietDword("QuietEnd", 0xFFFFFFFF);
    WriteQuietValue("QuietFullScreen", REG_DWORD, "\x01\0\0\0\0\0\0\0", 8);
    const QuietHours choice = { 1, 30, 90, 1, 0 };
    ASSERT_EQ(SaveQuietHours(&choice), ERROR_SUCCESS);
    QuietHours raw = {};
    ASSERT_TRUE(ReadQuietDwords(&raw));
    EXPECT_EQ(raw, choice);
}

// What LoadQuietHours would not read back as given is not written at all.
TEST_F(QuietRegistryTest, SaveRefusesWhatCannotBeReadBack)
{
    const struct { const char* name; QuietHours choice; } cases[] = {
        { "start equal to end", { 1, 600, 600, 0, 0 } },
        { "start of 1440", { 1, 1440, 420, 0, 0 } },
        { "end of 0xFFFFFFFF", { 1, 1320, 0xFFFFFFFF, 0, 0 } },
        { "enable of 2", { 2, 1320, 420, 0, 0 } },
        { "locked of 2", { 1, 1320, 420, 2, 0 } },
        { "full screen of 0xFFFFFFFF", { 1, 1320, 420, 0, 0xFFFFFFFF } },
    };
    const QuietHours before = { 1, 60, 120, 1, 1 };
    ASSERT_EQ(SaveQuietHours(&before), ERROR_SUCCESS);
    const std::vector<std::string> raw = QuietRawValues();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SaveQuietHours(&c.choice), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(QuietRawValues(), raw);
    }
    DeleteQuietKey();
    EXPECT_EQ(SaveQuietHours(&cases[0].choice), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(QuietKeyExists()) << "a refused save created the key";
}

}  // namespace

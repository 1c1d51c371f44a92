// The string copy and parsing utilities, called through the module's exports
// in code page 932. Hex escapes are closed by splitting the literal ("\x83"
// "b"), since a following hex digit would extend them.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "tests/utility_test.h"

namespace {

TEST(CodePage, ProcessRunsInCodePage932)
{
    ExpectCodePage932();
}

class Strings : public UtilityTest {};

// ---------------------------------------------------------------- IsMultiByteChar

struct LeadCase {
    const char* name;
    const char* text;
    int at;
    int want;
};

const LeadCase kLeadCases[] = {
    {"lead then letter", "\x83" "A", 0, 1},
    {"lead then backslash (katakana so)", "\x83\x5C", 0, 1},
    {"lead then space", "\x83 ", 0, 1},
    {"lead then double quote", "\x83\"", 0, 1},
    {"lead then 0x01", "\x83\x01", 0, 1},
    {"lead then 0xFE", "\xE0\xFE", 0, 1},
    {"lead then 0xFF", "\x83\xFF", 0, 0},
    {"lead as the last byte", "ab\x83", 2, 0},
    {"letter as the last byte", "ab", 1, 0},
    {"at the terminator", "ab", 2, 0},
    {"empty string", "", 0, 0},
    {"letter then letter", "ab", 0, 0},
    {"second byte position is tested on its own", "\x83\x83" "A", 1, 1},
    {"half-width katakana is single-byte", "\xB1\xB2", 0, 0},
};

TEST_F(Strings, IsMultiByteCharCases)
{
    for (const LeadCase& c : kLeadCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fn.IsMultiByteChar(c.text + c.at), c.want);
    }
}

TEST_F(Strings, IsMultiByteCharKnowsExactlyTheLeadBytesOfCodePage932)
{
    for (int b = 1; b < 256; b++) {
        char text[3] = {(char)b, 'A', 0};
        int lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        SCOPED_TRACE(b);
        EXPECT_EQ(fn.IsMultiByteChar(text), lead);
    }
}

// ---------------------------------------------------------------- lstrxcpy

struct StopCopyCase {
    const char* name;
    const char* src;
    int stop;
    int count;
    const char* want;
};

const StopCopyCase kStopCopyCases[] = {
    {"ends at the stop byte", "ab\\cd", '\\', 10, "ab"},
    {"ends at the terminator", "abc", '\\', 10, "abc"},
    {"count 3 of a 10-byte text", "abcdefghij", '\\', 3, "abc"},
    {"count equal to the length", "abc", '\\', 3, "abc"},
    {"count 0", "abc", '\\', 0, ""},
    {"negative count", "abc", '\\', -5, ""},
    {"stop byte first", "\\abc", '\\', 10, ""},
    {"lead 0x95 copied alone before its 0x5C", "\x95\x5C" "x", '\\', 10, "\x95"},
    {"second byte space ends a space copy", "\x83 x y", ' ', 10, "\x83"},
    {"lead-valued stop byte: the character is kept", "a\x83" "A" "b\x83", 0x83, 10, "a\x83" "Ab"},
    {"only the low byte of stop counts", "ab\\cd", 0x15C, 10, "ab"},
    {"stop byte zero: copies to the end", "abc", 0, 10, "abc"},
};

TEST_F(Strings, LstrxcpyCases)
{
    for (const StopCopyCase& c : kStopCopyCases) {
        SCOPED_TRACE(c.name);
        std::string dest = Marked(32);
        int len = fn.lstrxcpy(&dest[0], c.src, c.stop, c.count);
        EXPECT_STREQ(dest.c_str(), c.want);
        EXPECT_EQ(len, (int)strlen(c.want));
        // Nothing beyond the copy and its terminator.
        EXPECT_EQ(FirstWritten(dest, len + 1), std::string::npos);
    }
}

// ---------------------------------------------------------------- lstrcpyspc, lstrcpyzc

struct TrimCase {
    const char* name;
    bool zeros;  // lstrcpyzc rather than lstrcpyspc
    const char* src;
    int limit;
    const char* want;
};

const TrimCase kTrimCases[] = {
    {"two letters, three spaces", false, "ab   ", 100, "ab"},
    {"limit 0 keeps one byte", false, "ab   ", 0, "a"},
    {"limit cuts before the spaces", false, "abcdef  ", 2, "abc"},
    {"spaces only", false, "   ", 100, ""},
    {"empty", false, "", 100, ""},
    {"inner spaces stay", false, " a b  ", 100, " a b"},
    {"no trailing space", false, "abc", 100, "abc"},
    {"character ending in 0x5C before the spaces", false, "\x83\x5C  ", 100, "\x83\x5C"},
    {"character ending in 0x40 before the spaces", false, "\x83\x40  ", 100, "\x83\x40"},
    {"character ending in 0x20 is kept whole", false, "\x83   ", 100, "\x83 "},
    {"limit cut between the two bytes", false, "\x83\x41\x83\x42", 2, "\x83\x41\x83"},
    {"zeros: 0", true, "0", 10, ""},
    {"zeros: 000", true, "000", 10, ""},
    {"zeros: 10.50", true, "10.50", 10, "10.5"},
    {"zeros: 1.500", true, "1.500", 10, "1.5"},
    {"zeros: the point stays", true, "2.000", 10, "2."},
    {"zeros: 100", true, "100", 10, "1"},
    {"zeros: spaces are kept", true, "5 ", 10, "5 "},
    {"zeros: character ending in 0x30 is kept whole", true, "\x83" "00", 10, "\x83" "0"},
};

TEST_F(Strings, TrimCopyCases)
{
    for (const TrimCase& c : kTrimCases) {
        SCOPED_TRACE(c.name);
        std::string dest = Marked(c.limit + 2 + 8);
        int len = c.zeros ? fn.lstrcpyzc(&dest[0], c.src, c.limit) : fn.lstrcpyspc(&dest[0], c.src, c.limit);
        EXPECT_STREQ(dest.c_str(), c.want);
        EXPECT_EQ(len, (int)strlen(c.want));
        // The caller provides limit + 2 bytes: nothing past them is written.
        EXPECT_EQ(FirstWritten(dest, c.limit + 2), std::string::npos);
    }
}

// ---------------------------------------------------------------- StringArgCopy

struct ArgCase {
    const char* name;
    const char* src;
    int count;
    const char* want;
};

const ArgCase kArgCases[] = {
    {"quoted path with a space", "\"C:\\Program Files\\x.exe\" /s", 260, "\"C:\\Program Files\\x.exe\""},
    {"plain argument", "abc def", 260, "abc"},
    {"last argument", "abc", 260, "abc"},
    {"unmatched quote runs to the end", "\"abc def", 260, "\"abc def"},
    {"unmatched quote cut by count", "\"abc def", 4, "\"abc"},
    {"count cuts a plain argument", "abcdef", 3, "abc"},
    {"space inside quotes in the middle", "a\"b c\"d e", 260, "a\"b c\"d"},
    {"leading space gives an empty argument", " abc", 260, ""},
    {"second byte 0x5C", "\x83\x5C.txt arg", 260, "\x83\x5C.txt"},
    {"second byte 0x20 still ends the argument", "\x83 x y", 260, "\x83"},
    {"second byte 0x22 still opens a quote", "\x83\" a\" b", 260, "\x83\" a\""},
};

TEST_F(Strings, StringArgCopyCases)
{
    for (const ArgCase& c : kArgCases) {
        SCOPED_TRACE(c.name);
        std::string dest = Marked(300);
        int len = fn.StringArgCopy(&dest[0], c.src, c.count);
        EXPECT_STREQ(dest.c_str(), c.want);
        EXPECT_EQ(len, (int)strlen(c.want));
    }
}

TEST_F(Strings, StringArgCopyWalksACommandLineArgumentByArgument)
{
    const char* line = "\"C:\\My Files\\a.wav\" /q \x83\x5C.txt";
    const char* want[] = {"\"C:\\My Files\\a.wav\"", "/q", "\x83\x5C.txt"};
    const char* at = line;
    char arg[261];
    for (const char* w : want) {
        int len = fn.StringArgCopy(arg, at, 260);
        EXPECT_STREQ(arg, w);
        at += len + 1;
    }
    EXPECT_EQ(at, line + strlen(line) + 1);
}

// ---------------------------------------------------------------- _SplitString

struct SplitCase {
    const char* name;
    const char* src;
    int delim;
    int limit;
    int count;
    const char* want[3];  // null: the buffer is not written
};

const SplitCase kSplitCases[] = {
    {"cut field, empty field, rest ignored", "a,bcdefg,,h", ',', 4, 3, {"a", "bcde", ""}},
    {"source ends early", "a,b", ',', 4, 3, {"a", "b", nullptr}},
    {"empty source", "", ',', 4, 3, {"", nullptr, nullptr}},
    {"count 1 fills the first field only", "a,b", ',', 4, 1, {"a", nullptr, nullptr}},
    {"count 0 fills the first field only", "a,b", ',', 4, 0, {"a", nullptr, nullptr}},
    {"no delimiter", "abc", ',', 4, 3, {"abc", nullptr, nullptr}},
    {"trailing delimiter", "a,b,", ',', 4, 3, {"a", "b", ""}},
    {"limit 0 gives empty fields", "ab,cd", ',', 0, 3, {"", "", nullptr}},
    {"second byte splits", "\x83\x5C" "a\\b", '\\', 4, 3, {"\x83", "a", "b"}},
    {"only the low byte of the delimiter", "a;b", 0x13B, 4, 3, {"a", "b", nullptr}},
};

TEST_F(Strings, SplitStringCases)
{
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.name);
        std::string field[3] = {Marked(16), Marked(16), Marked(16)};
        fn.SplitString(c.src, c.delim, c.limit, c.count, &field[0][0], &field[1][0], &field[2][0]);
        for (int i = 0; i < 3; i++) {
            SCOPED_TRACE(i + 1);
            if (c.want[i]) {
                EXPECT_STREQ(field[i].c_str(), c.want[i]);
                EXPECT_EQ(FirstWritten(field[i], c.limit + 1), std::string::npos);
            } else {
                EXPECT_EQ(field[i], Marked(16));
            }
        }
    }
}

// ---------------------------------------------------------------- GetPointData, GetRectData

struct NumbersCase {
    const char* name;
    const char* text;
    LONG want[4];
};

const NumbersCase kPointCases[] = {
    {"two numbers", "10 20", {10, 20}},
    {"two spaces: y reads the second space", "10  20", {10, 0}},
    {"leading space", " 10 20", {0, 10}},
    {"signs", "+7 -3", {7, -3}},
    {"not a number", "ab 5", {0, 5}},
    {"digits then letters", "12ab 5", {12, 5}},
    {"a comma does not end a field", "1,2", {1, 0}},
    {"field cut at 8 bytes, ninth skipped", "123456789876 5", {12345678, 876}},
    {"text ends after x", "10", {10, 0}},
    {"empty text", "", {0, 0}},
    {"text ends right after the separator", "10 ", {10, 0}},
    {"second byte 0x20 separates", "\x83 7", {0, 7}},
};

TEST_F(Strings, GetPointDataCases)
{
    for (const NumbersCase& c : kPointCases) {
        SCOPED_TRACE(c.name);
        POINT pt = {-99, -99};
        fn.GetPointData(c.text, &pt);
        EXPECT_EQ(pt.x, c.want[0]);
        EXPECT_EQ(pt.y, c.want[1]);
    }
}

const NumbersCase kRectCases[] = {
    {"four numbers", "-5 0 640 480", {-5, 0, 640, 480}},
    {"eight-digit fields", "12345678 -1234567 99999999 0", {12345678, -1234567, 99999999, 0}},
    {"text ends after two fields", "1 2", {1, 2, 0, 0}},
    {"long field shifts the rest", "1234567890 2 3 4", {12345678, 0, 2, 3}},
};

TEST_F(Strings, GetRectDataCases)
{
    for (const NumbersCase& c : kRectCases) {
        SCOPED_TRACE(c.name);
        RECT rc = {-99, -99, -99, -99};
        fn.GetRectData(c.text, &rc);
        EXPECT_EQ(rc.left, c.want[0]);
        EXPECT_EQ(rc.top, c.want[1]);
        EXPECT_EQ(rc.right, c.want[2]);
        EXPECT_EQ(rc.bottom, c.want[3]);
    }
}

}  // namespace

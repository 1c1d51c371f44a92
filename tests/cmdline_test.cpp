// Command-line, multiple-selection and product-name utilities, called
// through the module's exports.
#include <gtest/gtest.h>

#include <string>

#include "tests/guarded_memory.h"
#include "tests/utility_test.h"

namespace {

// Room the routines are given, and bytes after it that must stay untouched.
const int kSlot = MAX_PATH;
const int kGuard = 64;
const char kFill = '#';

// A caller's buffer of kSlot bytes, fenced with guard bytes.
struct OutBuffer : FencedBuffer {
    OutBuffer() : FencedBuffer(kSlot, kGuard, kFill) {}
};

// Relative paths are taken in the test folder.
std::string InTestFolder(const std::string& path)
{
    return path.find('\\') == std::string::npos ? TestFolder() + path : path;
}

// A text built from pieces that may hold NUL bytes.
std::string Bytes(const char* text, size_t size) { return std::string(text, size); }
#define NULS(literal) Bytes(literal, sizeof(literal) - 1)

class CommandLine : public UtilityTest {};

struct CountCase {
    const char* name;
    std::string command;
    int want;
};

TEST_F(CommandLine, GetCountArgumentCountsSeparatingSpaces)
{
    const CountCase cases[] = {
        {"empty", "", 0},
        {"one word", "chime", 1},
        {"two words", "chime.exe /s", 2},
        {"two spaces enclose an empty argument", "a  b", 3},
        {"trailing space separates nothing", "a ", 1},
        {"leading space makes an empty first argument", " a", 2},
        {"space alone", " ", 1},
        {"two spaces alone", "  ", 2},
        {"quoted path with spaces", "\"C:\\Program Files\\x.exe\" /s", 2},
        {"quote inside an argument", "a\" \"b c", 2},
        {"unbalanced quote takes the rest", "a \"b c d", 2},
        {"space after a closing quote at the end", "\"a b\" ", 1},
        {"double-byte text", Ansi("時報 チャイム.wav 第二"), 3},
        {"full-width space is no separator", Ansi("時報　チャイム"), 1},
        {"space after a lead byte counts", "\x82 x", 2},
        {"quote after a lead byte counts", "\x82\" x\" y", 2},
        {"lead byte at the end", "a \x82", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fn.GetCountArgument(c.command.c_str()), c.want);
    }
}

struct ArgumentCase {
    const char* name;
    std::string command;
    int index;
    std::string want;
};

TEST_F(CommandLine, GetArgumentFileNameCopiesOneArgument)
{
    const std::string longArg(300, 'x');
    const ArgumentCase cases[] = {
        {"quoted program keeps its quotes", "\"C:\\Program Files\\x.exe\" /s", 0,
         "\"C:\\Program Files\\x.exe\""},
        {"parameter after a quoted program", "\"C:\\Program Files\\x.exe\" /s", 1, "/s"},
        {"empty argument between two spaces", "a  b", 1, ""},
        {"argument after the empty one", "a  b", 2, "b"},
        {"empty first argument", " a", 0, ""},
        {"argument after a leading space", " a", 1, "a"},
        {"unbalanced quote takes the rest", "a \"b c", 1, "\"b c"},
        {"double-byte path", Ansi("\"C:\\時報\\ソフト.wav\" 第二"), 0,
         Ansi("\"C:\\時報\\ソフト.wav\"")},
        {"double-byte argument", Ansi("\"C:\\時報\\ソフト.wav\" 第二"), 1, Ansi("第二")},
        {"space after a lead byte ends the argument", "\x82 x", 0, "\x82"},
        {"argument after a lead byte and space", "\x82 x", 1, "x"},
        {"index at the count", "a b", 2, ""},
        {"index beyond the count", "a b", 5, ""},
        {"negative index", "a b", -1, ""},
        {"trailing space gives no argument", "a ", 1, ""},
        {"empty command", "", 0, ""},
        {"259 bytes fit", std::string(259, 'y') + " z", 0, std::string(259, 'y')},
        {"260 bytes are cut to 259", std::string(260, 'y') + " z", 0, std::string(259, 'y')},
        {"long argument cut to 259", longArg + " next", 0, std::string(259, 'x')},
        {"argument after a long one", longArg + " next", 1, "next"},
        {"long quoted argument cut", "\"" + longArg + " q\" next", 0, "\"" + std::string(258, 'x')},
        {"argument after a long quoted one", "\"" + longArg + " q\" next", 1, "next"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OutBuffer out;
        EXPECT_EQ(fn.GetArgumentFileName(c.command.c_str(), c.index, out.data()), 1);
        EXPECT_EQ(std::string(out.data()), c.want);
        EXPECT_EQ(out.FirstWrittenFrom(kSlot), -1) << "wrote past the 260-byte slot";
    }
}

// Every argument that GetCountArgument counts comes back, and together with
// single spaces they rebuild the command.
TEST_F(CommandLine, ArgumentsRebuildTheCommand)
{
    const std::string commands[] = {
        "\"C:\\Program Files\\x.exe\"  /a \"b c\" d",
        Ansi(" 時報") + "\x82 " + Ansi("\"ソ フト\"  "),
        "a\"b c\"d e",
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command);
        int count = fn.GetCountArgument(command.c_str());
        std::string rebuilt;
        for (int i = 0; i < count; i++) {
            OutBuffer out;
            fn.GetArgumentFileName(command.c_str(), i, out.data());
            rebuilt += (i ? " " : "") + std::string(out.data());
        }
        // A trailing space separates nothing and so is not rebuilt.
        std::string want = command;
        if (!want.empty() && want.back() == ' ' && count > 0)
            want.pop_back();
        EXPECT_EQ(rebuilt, want);
    }
}

struct SelectionCase {
    const char* name;
    std::string buffer;
    int want;
    std::string dir;    // written directory
    std::string names;  // written list, its closing NULs included
};

TEST_F(CommandLine, GetMultiSelectFileInfoSplitsTheDialogsBuffer)
{
    // A single path of 259 bytes: its NUL is the last byte of the window.
    const std::string longDir = "C:\\" + std::string(250, 'd') + "\\";
    const std::string longPath = longDir + "a.wav";
    const SelectionCase cases[] = {
        {"one file", NULS("C:\\Work\\a.wav\0\0"), 1, "C:\\Work\\", NULS("a.wav\0\0")},
        {"one file in the root", NULS("C:\\a.wav\0\0"), 1, "C:\\", NULS("a.wav\0\0")},
        {"two files", NULS("C:\\Work\0a.wav\0b.wav\0\0"), 2, "C:\\Work", NULS("a.wav\0b.wav\0\0")},
        {"root keeps its backslash", NULS("C:\\\0a\0b\0c\0\0"), 3, "C:\\", NULS("a\0b\0c\0\0")},
        {"one double-byte file", Ansi("C:\\ソ\\時報.wav") + NULS("\0\0"), 1, Ansi("C:\\ソ\\"),
         Ansi("時報.wav") + NULS("\0\0")},
        {"double-byte files", Ansi("C:\\表示") + NULS("\0") + Ansi("時報.wav") + NULS("\0") +
                                  Ansi("ソ.wav") + NULS("\0\0"),
         2, Ansi("C:\\表示"), Ansi("時報.wav") + NULS("\0") + Ansi("ソ.wav") + NULS("\0\0")},
        {"path of 259 bytes", longPath + NULS("\0\0"), 1, longDir, NULS("a.wav\0\0")},
        {"nothing chosen", NULS("\0\0"), 0, "", NULS("\0")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OutBuffer dir, names;
        EXPECT_EQ(fn.GetMultiSelectFileInfo(c.buffer.data(), dir.data(), names.data()), c.want);
        EXPECT_EQ(std::string(dir.data()), c.dir);
        EXPECT_EQ(std::string(names.data(), c.names.size()), c.names);
        EXPECT_EQ(dir.FirstWrittenFrom(static_cast<int>(c.dir.size()) + 1), -1);
        EXPECT_EQ(names.FirstWrittenFrom(static_cast<int>(c.names.size())), -1);
    }
}

// Only the first 260 bytes are read: the bytes are placed right before an
// unreadable page.
TEST_F(CommandLine, GetMultiSelectFileInfoReadsOnlyItsWindow)
{
    struct Case {
        const char* name;
        std::string buffer;
        int want;
    };
    const Case cases[] = {
        {"no NUL in 260 bytes", std::string(260, 'x'), 0},
        {"double-byte text without NUL", [] {
             std::string text;
             for (int i = 0; i < 130; i++)
                 text += Ansi("時");
             return text;
         }(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedPage page;
        OutBuffer dir, names;
        EXPECT_EQ(fn.GetMultiSelectFileInfo(page.PlaceBytes(c.buffer), dir.data(), names.data()), c.want);
        EXPECT_EQ(dir.FirstWrittenFrom(0), -1) << "dir written";
        EXPECT_EQ(names.FirstWrittenFrom(0), -1) << "names written";
    }
}

// A selection longer than the window gives the names that end within it.
TEST_F(CommandLine, GetMultiSelectFileInfoKeepsWholeNamesOfALongSelection)
{
    // "C:\Work" and its NUL take 8 bytes, each name 11: names 0 to 21 end
    // within the first 260 bytes, name 22 does not.
    std::string all = NULS("C:\\Work\0"), within;
    for (int i = 0; i < 30; i++) {
        char name[16];
        wsprintfA(name, "chime%02d.wv", i);
        all += Bytes(name, 11);
        if (i < 22)
            within += Bytes(name, 11);
    }
    all += NULS("\0");
    within += NULS("\0");

    for (int guarded = 0; guarded < 2; guarded++) {
        SCOPED_TRACE(guarded ? "window before an unreadable page" : "whole buffer readable");
        GuardedPage page;
        const char* window = page.PlaceBytes(all.substr(0, 260));
        OutBuffer dir, names;
        const char* buffer = guarded ? window : all.data();
        EXPECT_EQ(fn.GetMultiSelectFileInfo(buffer, dir.data(), names.data()), 22);
        EXPECT_STREQ(dir.data(), "C:\\Work");
        EXPECT_EQ(std::string(names.data(), within.size()), within);
        EXPECT_EQ(fn.GetMultiFileCount(names.data()), 22);
        EXPECT_EQ(names.FirstWrittenFrom(static_cast<int>(within.size())), -1);
    }
}

struct ListCase {
    const char* name;
    std::string list;
    int want;
};

TEST_F(CommandLine, GetMultiFileCountCountsNames)
{
    std::string fullWindow;  // 26 names of 9 bytes and their NULs: 260 bytes
    for (int i = 0; i < 26; i++)
        fullWindow += std::string(9, static_cast<char>('a' + i)) + NULS("\0");
    const ListCase cases[] = {
        {"empty list", NULS("\0"), 0},
        {"empty list, first byte NUL", NULS("\0a\0\0"), 0},
        {"one name", NULS("a.wav\0\0"), 1},
        {"three names", NULS("a\0b.wav\0c\0\0"), 3},
        {"double-byte names", Ansi("時報") + NULS("\0") + Ansi("ソ") + NULS("\0\0"), 2},
        {"no pair within 260 bytes: every NUL counts", fullWindow, 26},
        {"no NUL within 260 bytes", std::string(260, 'x'), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Lists that fill the window sit before an unreadable page.
        GuardedPage page;
        EXPECT_EQ(fn.GetMultiFileCount(page.PlaceBytes(c.list)), c.want);
    }
}

struct ProductCase {
    const char* name;
    std::string path;  // relative paths are taken in the test folder
    int maxLen;
    std::string want;
    int found;  // nonzero when the version resource answered
};

TEST_F(CommandLine, GetProductNameReadsTheVersionResource)
{
    const std::string self = "cmdline_test.exe";
    const ProductCase cases[] = {
        {"Japanese code page 932 wins over English", "version_ja_en.dll", 259,
         Ansi("時報テスト製品"), 1},
        {"Japanese Unicode wins over English", "version_jaw_en.dll", 259,
         Ansi("時報ユニコード製品"), 1},
        {"Japanese code page 932 wins over Japanese Unicode", "version_all.dll", 259,
         Ansi("時報テスト製品"), 1},
        {"English code page 1252 wins over English Unicode", "version_en.dll", 259,
         "Chime Test Product", 1},
        {"English Unicode alone", "version_en_unicode.dll", 259, "Chime Unicode Product", 1},
        {"cut to maxLen", "version_ja_en.dll", 4, Ansi("時報"), 1},
        {"maxLen 0", "version_ja_en.dll", 0, "", 1},
        {"another language only", "version_other.dll", 259, "version_other", 0},
        {"tables without a product name", "version_no_name.dll", 259, "version_no_name", 0},
        {"no version resource", self, 259, "cmdline_test", 0},
        {"missing file", "C:\\Work\\Tool.exe", 259, "Tool", 0},
        {"missing file, maxLen 3", "C:\\Work\\Tool.exe", 3, "Too", 0},
        {"missing file, maxLen 0", "C:\\Work\\Tool.exe", 0, "", 0},
        {"missing double-byte file", Ansi("C:\\作業\\ソフト.exe"), 259, Ansi("ソフト"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = InTestFolder(c.path);
        OutBuffer out;
        int result = fn.GetProductName(path.c_str(), out.data(), c.maxLen);
        EXPECT_EQ(result != 0, c.found != 0);
        EXPECT_EQ(std::string(out.data()), c.want);
        EXPECT_EQ(out.FirstWrittenFrom(c.maxLen + 1), -1) << "wrote past maxLen + 1 bytes";
    }
}

// A negative maxLen leaves no room, so nothing is written.
TEST_F(CommandLine, GetProductNameWithNegativeMaxLenWritesNothing)
{
    const ProductCase cases[] = {
        {"from the version resource", "version_ja_en.dll", -1, "", 1},
        {"from the file name", "C:\\Work\\Tool.exe", -5, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = InTestFolder(c.path);
        OutBuffer out;
        EXPECT_EQ(fn.GetProductName(path.c_str(), out.data(), c.maxLen) != 0, c.found != 0);
        EXPECT_EQ(out.FirstWrittenFrom(0), -1);
    }
}

}  // namespace

// Every string and path utility fed many random byte strings within its
// limits (fixed seed). Each input ends on the last byte of a committed page
// followed by an inaccessible one, so a read past its terminator faults; each
// output buffer has exactly the size the caller must provide, fenced with
// guard bytes that must stay as they were.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <random>
#include <string>

#include "tests/guarded_memory.h"
#include "tests/utility_test.h"

namespace {

// Guard byte value; random inputs never contain it, so a copy of input
// bytes past the end of a buffer cannot go unnoticed.
const unsigned char kGuard = 0xA5;
const size_t kFence = 16;

// A caller buffer of an exact size between two fences of guard bytes.
class Fenced : public FencedBuffer {
public:
    explicit Fenced(size_t size) : FencedBuffer(size, kFence, kGuard) {}
};

GuardedPage* guard;
std::string currentCase;  // routine and input, for a fault report

// A read of the no-access page ends the program with the case that did it.
LONG CALLBACK ReportOverRead(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && guard && record->NumberParameters >= 2 &&
        guard->InGuard(record->ExceptionInformation[1])) {
        fprintf(stderr, "\nAccess past the terminator: %s\n", currentCase.c_str());
        fflush(stderr);
        ExitProcess(3);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

std::string Hex(const std::string& text)
{
    std::string out;
    char byte[4];
    for (unsigned char c : text) {
        sprintf(byte, "%02X ", c);
        out += byte;
    }
    return out;
}

// Random byte strings, weighted towards the bytes the utilities look at:
// separators, quotes, spaces, zeros, lead bytes and second bytes.
class TextSource {
public:
    explicit TextSource(unsigned seed) : rng(seed) {}

    std::string Text(size_t maxLength)
    {
        static const unsigned char kSpecial[] = {
            '\\', '\\', ':', '.', '.', ' ', ' ', '"', '"', '0', '0', 'a', 'C', '*', '?', ',', '-', '5',
            0x83, 0x95, 0x81, 0x9F, 0xE0, 0xFC, 0x5C, 0xFF, 0xFE, 0x01, 0x80, 0xA0, 0xFD,
        };
        // Short strings often, long ones up to the limit sometimes.
        size_t length = Below(4) ? Below(maxLength + 1) : Below(maxLength < 24 ? maxLength + 1 : 25);
        std::string text;
        while (text.size() < length) {
            unsigned char c;
            if (Below(3))
                c = (unsigned char)(1 + Below(255));
            else
                c = kSpecial[Below(sizeof(kSpecial))];
            if (c != kGuard)
                text += (char)c;
        }
        return text;
    }

    // Digits, signs and spaces, with now and then any other byte.
    std::string Numbers(size_t maxLength)
    {
        static const char kBytes[] = "0123456789012345678901234567890123456789  +-\t\x83x";
        size_t length = Below(maxLength + 1);
        std::string text;
        for (size_t i = 0; i < length; i++)
            text += kBytes[Below(sizeof(kBytes) - 1)];
        return text;
    }

    // A path-like string: sometimes a real root or folder, then random bytes.
    std::string Path(size_t maxLength)
    {
        static const char* const kStarts[] = {"", "C:\\", "C:", "C:\\windows\\", "\\\\", "\\", "c:\\windows\\system32\\"};
        std::string text = kStarts[Below(sizeof(kStarts) / sizeof(kStarts[0]))];
        text += Text(maxLength - text.size());
        return text.substr(0, maxLength);
    }

    size_t Below(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

private:
    std::mt19937 rng;
};

class Robustness : public UtilityTest {
protected:
    static void SetUpTestSuite()
    {
        UtilityTest::SetUpTestSuite();
        guard = new GuardedPage;
        handler = AddVectoredExceptionHandler(1, ReportOverRead);
    }
    static void TearDownTestSuite()
    {
        RemoveVectoredExceptionHandler(handler);
        delete guard;
        guard = NULL;
        UtilityTest::TearDownTestSuite();
    }
    void SetUp() override
    {
        UtilityTest::SetUp();
        ASSERT_NE(guard->base, nullptr);
    }

    // Places text at the end of the guarded page and names the case.
    static char* Input(const char* routine, const std::string& text)
    {
        currentCase = std::string(routine) + " on [" + Hex(text) + "]";
        return guard->PlaceString(text);
    }

    static inline PVOID handler = NULL;
};

#define EXPECT_WHOLE(buffer) \
    EXPECT_TRUE((buffer).FencesIntact()) << "written outside: " << currentCase; \
    EXPECT_TRUE((buffer).Terminated()) << "no terminator: " << currentCase

// A length result matches the string it describes.
#define EXPECT_LENGTH(len, buffer) \
    EXPECT_EQ((len), (int)strlen((buffer).data())) << currentCase

const int kRounds = 4000;

TEST_F(Robustness, GuardPageFaultsPastTheEnd)
{
    // The fence itself must work, or the tests below prove nothing.
    char* text = guard->PlaceString("ab");
    MEMORY_BASIC_INFORMATION info;
    ASSERT_NE(VirtualQuery(text + 3, &info, sizeof(info)), 0u);
    EXPECT_EQ(info.Protect, (DWORD)PAGE_NOACCESS);
    ASSERT_NE(VirtualQuery(text + 2, &info, sizeof(info)), 0u);
    EXPECT_EQ(info.Protect, (DWORD)PAGE_READWRITE);
}

TEST_F(Robustness, IsMultiByteCharStopsAtTheTerminator)
{
    TextSource source(1);
    for (int round = 0; round < kRounds; round++) {
        std::string text = source.Text(64);
        char* at = Input("IsMultiByteChar", text);
        for (size_t i = 0; i <= text.size(); i++)
            fn.IsMultiByteChar(at + i);
        // The last byte and the terminator never start a character.
        EXPECT_EQ(fn.IsMultiByteChar(at + text.size()), 0);
        if (!text.empty())
            EXPECT_EQ(fn.IsMultiByteChar(at + text.size() - 1), 0);
    }
}

TEST_F(Robustness, StringCopies)
{
    TextSource source(2);
    for (int round = 0; round < kRounds; round++) {
        std::string text = source.Text(300);
        int count = source.Between(-2, (int)text.size() + 4);
        int room = count > 0 ? count : 0;

        {
            Fenced dest(room + 1);
            int stop = (unsigned char)source.Text(1).c_str()[0];
            int len = fn.lstrxcpy(dest.data(), Input("lstrxcpy", text), stop, count);
            EXPECT_WHOLE(dest);
            EXPECT_LENGTH(len, dest);
        }
        {
            Fenced dest(room + 1);
            int len = fn.StringArgCopy(dest.data(), Input("StringArgCopy", text), count);
            EXPECT_WHOLE(dest);
            EXPECT_LENGTH(len, dest);
        }
        int limit = source.Between(0, (int)text.size() + 3);
        {
            Fenced dest(limit + 2);
            int len = fn.lstrcpyspc(dest.data(), Input("lstrcpyspc", text), limit);
            EXPECT_WHOLE(dest);
            EXPECT_LENGTH(len, dest);
        }
        {
            Fenced dest(limit + 2);
            int len = fn.lstrcpyzc(dest.data(), Input("lstrcpyzc", text), limit);
            EXPECT_WHOLE(dest);
            EXPECT_LENGTH(len, dest);
        }
    }
}

TEST_F(Robustness, SplitString)
{
    TextSource source(3);
    for (int round = 0; round < kRounds; round++) {
        std::string text = source.Text(80);
        int delim = source.Below(2) ? ',' : (unsigned char)source.Text(1).c_str()[0];
        int limit = source.Between(0, 12);
        int count = source.Between(0, 4);
        Fenced a(limit + 1), b(limit + 1), c(limit + 1), d(limit + 1);
        fn.SplitString(Input("_SplitString", text), delim, limit, count, a.data(), b.data(), c.data(), d.data());
        EXPECT_WHOLE(a);
        EXPECT_TRUE(b.FencesIntact()) << currentCase;
        EXPECT_TRUE(c.FencesIntact()) << currentCase;
        EXPECT_TRUE(d.FencesIntact()) << currentCase;
    }
}

TEST_F(Robustness, PointAndRectangle)
{
    TextSource source(4);
    for (int round = 0; round < kRounds; round++) {
        std::string text = source.Numbers(48);
        Fenced point(sizeof(POINT)), rect(sizeof(RECT));
        fn.GetPointData(Input("GetPointData", text), reinterpret_cast<POINT*>(point.data()));
        EXPECT_TRUE(point.FencesIntact()) << currentCase;
        fn.GetRectData(Input("GetRectData", text), reinterpret_cast<RECT*>(rect.data()));
        EXPECT_TRUE(rect.FencesIntact()) << currentCase;
    }
}

TEST_F(Robustness, PathParts)
{
    typedef int(WINAPI * PartFn)(const char*, char*);
    const struct {
        const char* name;
        PartFn routine;
    } parts[] = {
        {"GetPathName", fn.GetPathName},         {"GetFileName", fn.GetFileName},
        {"GetPathNameOnly", fn.GetPathNameOnly}, {"GetFileNameExt", fn.GetFileNameExt},
        {"GetFileNameOnly", fn.GetFileNameOnly},
    };
    TextSource source(5);
    for (int round = 0; round < kRounds; round++) {
        std::string path = source.Path(300);
        for (const auto& part : parts) {
            Fenced out(path.size() + 1);
            int len = part.routine(Input(part.name, path), out.data());
            EXPECT_WHOLE(out);
            EXPECT_LENGTH(len, out);
        }
        // The prefix routines in place, on the guarded page itself.
        for (int i = 0; i < 5; i += 2) {
            char* at = Input(parts[i].name, path);
            int len = parts[i].routine(at, at);
            EXPECT_EQ(len, (int)strlen(at)) << currentCase;
        }
    }
}

TEST_F(Robustness, DriveNumber)
{
    TextSource source(6);
    for (int round = 0; round < kRounds; round++) {
        std::string path = source.Path(259);
        char* at = Input("GetDriveNumber", path);
        int drive = fn.GetDriveNumber(at);
        EXPECT_TRUE(drive >= -64 && drive <= 191) << currentCase;
        EXPECT_EQ(at[path.size()], 0) << currentCase;
    }
}

TEST_F(Robustness, CommandSplits)
{
    TextSource source(7);
    for (int round = 0; round < kRounds; round++) {
        std::string command = source.Path(259);
        size_t size = command.size() + 1;
        {
            Fenced file(size), params(size);
            fn.GetFileParam(Input("GetFileParam", command), file.data(), params.data());
            EXPECT_WHOLE(file);
            EXPECT_WHOLE(params);
        }
        {
            Fenced first(size), rest(size);
            fn.SeparatePath(Input("SeparatePath", command), first.data(), source.Below(4) ? rest.data() : NULL);
            EXPECT_WHOLE(first);
            EXPECT_TRUE(rest.FencesIntact()) << currentCase;
        }
        {
            Fenced drive(3), dir(size), name(size), ext(size);
            char* result = fn.SplitPath(Input("SplitPath", command), drive.data(), dir.data(), name.data(), ext.data());
            EXPECT_EQ(result, ext.data());
            EXPECT_WHOLE(drive);
            EXPECT_WHOLE(dir);
            EXPECT_WHOLE(name);
            EXPECT_WHOLE(ext);
        }
    }
}

TEST_F(Robustness, Quotes)
{
    TextSource source(8);
    for (int round = 0; round < kRounds; round++) {
        std::string path = source.Path(257);
        {
            Fenced out(path.size() + 3);
            char* result = fn.SetSeparateSymbol(Input("SetSeparateSymbol", path), out.data());
            EXPECT_EQ(result, out.data());
            EXPECT_WHOLE(out);
        }
        std::string quoted = source.Below(2) ? "\"" + source.Path(258) + "\"" : source.Path(260);
        {
            Fenced out(quoted.size() + 1);
            char* result = fn.DelSeparateSymbol(Input("DelSeparateSymbol", quoted), out.data());
            EXPECT_EQ(result, out.data());
            EXPECT_WHOLE(out);
        }
    }
}

TEST_F(Robustness, LongPathName)
{
    // Each component is a file-system query: fewer rounds.
    TextSource source(9);
    for (int round = 0; round < kRounds / 8; round++) {
        std::string path = source.Path(259);
        int outSize = source.Between(0, 520);
        Fenced out(outSize);
        int len = fn.GetLongPathNameQv(Input("GetLongPathNameQv", path), out.data(), outSize);
        EXPECT_TRUE(out.FencesIntact()) << currentCase;
        if (outSize > 0) {
            EXPECT_TRUE(out.Terminated()) << currentCase;
            EXPECT_LENGTH(len, out);
            EXPECT_LT(len, outSize) << currentCase;
        } else {
            EXPECT_EQ(len, 0) << currentCase;
        }
    }
}

}  // namespace

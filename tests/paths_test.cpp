// The path and file-name utilities, called through the module's exports in
// code page 932. Katakana so is 0x83 0x5C: its second byte is a backslash.
// Hex escapes are closed by splitting the literal where a hex digit follows.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "tests/utility_test.h"

namespace {

TEST(CodePage, ProcessRunsInCodePage932)
{
    ExpectCodePage932();
}

class Paths : public UtilityTest {};

// ---------------------------------------------------------------- one path in, one string out

typedef int(WINAPI* PartFn)(const char*, char*);
typedef PartFn UtilityExports::*PathPartFn;

struct PartCase {
    const char* name;
    PathPartFn routine;
    const char* path;
    const char* want;
};

const PartCase kPartCases[] = {
    // GetPathName: through the last backslash; the colon is no separator.
    {"dir: root file", &UtilityExports::GetPathName, "C:\\chime.wav", "C:\\"},
    {"dir: nested", &UtilityExports::GetPathName, "C:\\Work\\Sound\\chime.wav", "C:\\Work\\Sound\\"},
    {"dir: folder ending in so", &UtilityExports::GetPathName, "C:\\\x83\x5C\\a.wav", "C:\\\x83\x5C\\"},
    {"dir: file name ending in so", &UtilityExports::GetPathName, "C:\\d\\\x83\x5C", "C:\\d\\"},
    {"dir: second byte 0x20", &UtilityExports::GetPathName, "C:\\\x83 \\a", "C:\\\x83 \\"},
    {"dir: second byte 0x22", &UtilityExports::GetPathName, "C:\\\x83\"\\a", "C:\\\x83\"\\"},
    {"dir: trailing backslash", &UtilityExports::GetPathName, "C:\\Work\\", "C:\\Work\\"},
    {"dir: lead byte before the terminator", &UtilityExports::GetPathName, "C:\\a\x83", "C:\\"},
    {"dir: colon only gives the first byte", &UtilityExports::GetPathName, "C:chime.wav", "C"},
    {"dir: no separator gives the first byte", &UtilityExports::GetPathName, "chime.wav", "c"},
    {"dir: only a so gives its first byte", &UtilityExports::GetPathName, "\x83\x5C", "\x83"},
    {"dir: empty", &UtilityExports::GetPathName, "", ""},

    // GetFileName: after the last backslash or colon.
    {"file: full path", &UtilityExports::GetFileName, "C:\\Work\\chime.wav", "chime.wav"},
    {"file: after the colon", &UtilityExports::GetFileName, "C:chime.wav", "chime.wav"},
    {"file: so in the name", &UtilityExports::GetFileName, "C:\\d\\\x83\x5C.wav", "\x83\x5C.wav"},
    {"file: so in the folder", &UtilityExports::GetFileName, "C:\\\x83\x5C\\a.wav", "a.wav"},
    {"file: second byte 0x3A is no colon", &UtilityExports::GetFileName, "C:\\\x83:b", "\x83:b"},
    {"file: trailing backslash", &UtilityExports::GetFileName, "C:\\Work\\", ""},
    {"file: no separator drops the first byte", &UtilityExports::GetFileName, "chime.wav", "hime.wav"},
    {"file: empty", &UtilityExports::GetFileName, "", ""},

    // GetPathNameOnly and GetFileNameOnly: before the last period.
    {"path only: full path", &UtilityExports::GetPathNameOnly, "C:\\a\\chime.wav", "C:\\a\\chime"},
    {"path only: period in a folder", &UtilityExports::GetPathNameOnly, "C:\\Old.files\\readme", "C:\\Old"},
    {"path only: no period", &UtilityExports::GetPathNameOnly, "C:\\a\\b", ""},
    {"path only: second byte 0x2E is no period", &UtilityExports::GetPathNameOnly, "C:\\\x83.wav", ""},
    {"path only: so before the extension", &UtilityExports::GetPathNameOnly, "C:\\\x83\x5C.wav", "C:\\\x83\x5C"},
    {"name only: two extensions", &UtilityExports::GetFileNameOnly, "archive.tar.gz", "archive.tar"},
    {"name only: leading period", &UtilityExports::GetFileNameOnly, ".profile", ""},
    {"name only: no period", &UtilityExports::GetFileNameOnly, "chime", ""},
    {"name only: double-byte name", &UtilityExports::GetFileNameOnly, "\x83\x5C\x83\x74\x83g.wav", "\x83\x5C\x83\x74\x83g"},
    {"name only: empty", &UtilityExports::GetFileNameOnly, "", ""},

    // GetFileNameExt: after the last period.
    {"ext: two extensions", &UtilityExports::GetFileNameExt, "archive.tar.gz", "gz"},
    {"ext: full path", &UtilityExports::GetFileNameExt, "C:\\a\\chime.wav", "wav"},
    {"ext: period in a folder", &UtilityExports::GetFileNameExt, "C:\\Old.files\\readme", "files\\readme"},
    {"ext: trailing period", &UtilityExports::GetFileNameExt, "a.", ""},
    {"ext: second byte 0x2E is no period", &UtilityExports::GetFileNameExt, "a.b\x83.c", "b\x83.c"},
    {"ext: no period drops the first byte", &UtilityExports::GetFileNameExt, "chime", "hime"},
    {"ext: empty", &UtilityExports::GetFileNameExt, "", ""},
};

TEST_F(Paths, PartCases)
{
    for (const PartCase& c : kPartCases) {
        SCOPED_TRACE(c.name);
        size_t size = strlen(c.path) + 1;
        std::string out = Marked(size + 8);
        int len = (fn.*c.routine)(c.path, &out[0]);
        EXPECT_STREQ(out.c_str(), c.want);
        EXPECT_EQ(len, (int)strlen(c.want));
        EXPECT_EQ(FirstWritten(out, size), std::string::npos) << "written past path's length + 1";
    }
}

TEST_F(Paths, PrefixRoutinesWorkInPlace)
{
    const struct {
        const char* name;
        PathPartFn routine;
        const char* path;
        const char* want;
    } cases[] = {
        {"GetPathName", &UtilityExports::GetPathName, "C:\\chime.wav", "C:\\"},
        {"GetPathName so", &UtilityExports::GetPathName, "C:\\\x83\x5C\\\x83\x5C.wav", "C:\\\x83\x5C\\"},
        {"GetPathNameOnly", &UtilityExports::GetPathNameOnly, "C:\\a\\chime.wav", "C:\\a\\chime"},
        {"GetFileNameOnly", &UtilityExports::GetFileNameOnly, "chime.wav", "chime"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char buf[MAX_PATH];
        strcpy(buf, c.path);
        int len = (fn.*c.routine)(buf, buf);
        EXPECT_STREQ(buf, c.want);
        EXPECT_EQ(len, (int)strlen(c.want));
    }
}

// ---------------------------------------------------------------- GetDriveNumber

struct DriveCase {
    const char* name;
    const char* path;
    int want;
    const char* upper;  // the caller's string afterwards
};

const DriveCase kDriveCases[] = {
    {"lower-case drive", "c:\\x", 3, "C:\\X"},
    {"drive A", "A:", 1, "A:"},
    {"drive Z", "z:\\chime.wav", 26, "Z:\\CHIME.WAV"},
    {"no colon", "C\\x", -1, "C\\X"},
    {"colon third", "ab:", -1, "AB:"},
    {"one byte", "c", -1, "C"},
    {"empty", "", -1, ""},
    {"network path", "\\\\srv\\share", -1, "\\\\SRV\\SHARE"},
    {"first byte not checked for a letter", "1:", '1' - 64, "1:"},
    {"double-byte text is kept", "d:\\\x83\x5C" "a", 4, "D:\\\x83\x5C" "A"},
};

TEST_F(Paths, GetDriveNumberCases)
{
    for (const DriveCase& c : kDriveCases) {
        SCOPED_TRACE(c.name);
        char buf[MAX_PATH];
        strcpy(buf, c.path);
        EXPECT_EQ(fn.GetDriveNumber(buf), c.want);
        EXPECT_STREQ(buf, c.upper);
    }
}

// ---------------------------------------------------------------- GetFileParam

struct ParamCase {
    const char* name;
    const char* command;
    const char* file;
    const char* params;
};

const ParamCase kParamCases[] = {
    {"program and switch", "C:\\x.exe /s", "C:\\x.exe", "/s"},
    {"quotes are not read", "C:\\Program Files\\x.exe /s", "C:\\Program", "Files\\x.exe /s"},
    {"two spaces keep one", "prog  -a", "prog", " -a"},
    {"no space", "prog", "prog", ""},
    {"trailing space", "prog ", "prog", ""},
    {"leading space", " prog", "", "prog"},
    {"empty", "", "", ""},
    {"second byte 0x20 splits", "\x83 x y", "\x83", "x y"},
    {"so is no space", "\x83\x5C.exe a", "\x83\x5C.exe", "a"},
};

TEST_F(Paths, GetFileParamCases)
{
    for (const ParamCase& c : kParamCases) {
        SCOPED_TRACE(c.name);
        size_t size = strlen(c.command) + 1;
        std::string file = Marked(size + 8), params = Marked(size + 8);
        fn.GetFileParam(c.command, &file[0], &params[0]);
        EXPECT_STREQ(file.c_str(), c.file);
        EXPECT_STREQ(params.c_str(), c.params);
        EXPECT_EQ(FirstWritten(file, size), std::string::npos);
        EXPECT_EQ(FirstWritten(params, size), std::string::npos);
    }
}

// ---------------------------------------------------------------- SplitPath

struct SplitCase {
    const char* name;
    const char* path;
    const char* drive;
    const char* dir;
    const char* file;
    const char* ext;
};

const SplitCase kSplitCases[] = {
    {"full path", "C:\\Work\\Sound\\chime.wav", "C:", "\\Work\\Sound\\", "chime", "wav"},
    {"root file", "C:\\chime.wav", "C:", "\\", "chime", "wav"},
    {"so in folder and name", "C:\\\x83\x5C\\\x83\x5C.wav", "C:", "\\\x83\x5C\\", "\x83\x5C", "wav"},
    {"second byte 0x2E is no period", "C:\\a\\\x83.wav", "C:", "\\a\\", "\x83.wav", ""},
    {"two extensions", "C:\\a\\archive.tar.gz", "C:", "\\a\\", "archive.tar", "gz"},
    {"no extension", "C:\\a\\readme", "C:", "\\a\\", "readme", ""},
    {"period only in a folder", "C:\\Old.files\\readme", "C:", "\\Old.files\\", "readme", ""},
    {"no backslash", "C:chime.wav", "C:", "", "chime", "wav"},
    {"folder only", "C:\\Work\\", "C:", "\\Work\\", "", ""},
    {"drive only", "C:", "C:", "", "", ""},
    {"one byte", "C", "C", "", "", ""},
    {"empty", "", "", "", "", ""},
};

TEST_F(Paths, SplitPathCases)
{
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.name);
        size_t size = strlen(c.path) + 1;
        std::string drive = Marked(3 + 8), dir = Marked(size + 8), name = Marked(size + 8), ext = Marked(size + 8);
        char* result = fn.SplitPath(c.path, &drive[0], &dir[0], &name[0], &ext[0]);
        EXPECT_EQ(result, &ext[0]);
        EXPECT_STREQ(drive.c_str(), c.drive);
        EXPECT_STREQ(dir.c_str(), c.dir);
        EXPECT_STREQ(name.c_str(), c.file);
        EXPECT_STREQ(ext.c_str(), c.ext);
        EXPECT_EQ(FirstWritten(drive, 3), std::string::npos);
        EXPECT_EQ(FirstWritten(dir, size), std::string::npos);
        EXPECT_EQ(FirstWritten(name, size), std::string::npos);
        EXPECT_EQ(FirstWritten(ext, size), std::string::npos);
    }
}

// ---------------------------------------------------------------- SeparatePath

struct SeparateCase {
    const char* name;
    const char* command;
    const char* first;
    const char* rest;
};

const SeparateCase kSeparateCases[] = {
    {"quoted program and parameters", "\"C:\\Program Files\\x.exe\" /s", "C:\\Program Files\\x.exe", "/s"},
    {"quoted program alone", "\"C:\\x.exe\"", "C:\\x.exe", ""},
    {"quoted program and one space", "\"C:\\x.exe\" ", "C:\\x.exe", ""},
    {"quoted program, two spaces", "\"C:\\x.exe\"  /s", "C:\\x.exe", " /s"},
    {"unclosed quote", "\"C:\\a b", "C:\\a b", ""},
    {"lone quote", "\"", "", ""},
    {"quote not at 0 still drops byte 0", "ab\"cd\" e", "b", "d\" e"},
    {"quoted parameter only", "x.exe \"a b\"", ".exe ", " b\""},
    {"plain program and parameters", "C:\\x.exe /s /t", "C:\\x.exe", "/s /t"},
    {"plain program alone", "C:\\x.exe", "C:\\x.exe", ""},
    {"plain, two spaces", "x  y", "x", " y"},
    {"empty", "", "", ""},
    {"second byte 0x22 ends the quoted program", "\"\x83\"\" x", "\x83", " x"},
    {"second byte 0x20 ends the plain program", "\x83 x", "\x83", "x"},
    {"so in a quoted program", "\"C:\\\x83\x5C\\x.exe\" /s", "C:\\\x83\x5C\\x.exe", "/s"},
};

TEST_F(Paths, SeparatePathCases)
{
    for (const SeparateCase& c : kSeparateCases) {
        SCOPED_TRACE(c.name);
        size_t size = strlen(c.command) + 1;
        std::string first = Marked(size + 8), rest = Marked(size + 8);
        fn.SeparatePath(c.command, &first[0], &rest[0]);
        EXPECT_STREQ(first.c_str(), c.first);
        EXPECT_STREQ(rest.c_str(), c.rest);
        EXPECT_EQ(FirstWritten(first, size), std::string::npos);
        EXPECT_EQ(FirstWritten(rest, size), std::string::npos);

        // Without rest only first is written, the same way.
        std::string alone = Marked(size + 8);
        fn.SeparatePath(c.command, &alone[0], nullptr);
        EXPECT_EQ(alone, first);
    }
}

// ---------------------------------------------------------------- SetSeparateSymbol, DelSeparateSymbol

struct QuoteCase {
    const char* name;
    bool set;  // SetSeparateSymbol rather than DelSeparateSymbol
    const char* path;
    const char* want;
};

const QuoteCase kQuoteCases[] = {
    {"set: path with a space", true, "C:\\a b", "\"C:\\a b\""},
    {"set: empty", true, "", "\"\""},
    {"set: already quoted", true, "\"C:\\a b\"", "\"C:\\a b\""},
    {"set: a quote anywhere", true, "a\"b", "a\"b"},
    {"set: second byte 0x22 counts as a quote", true, "\x83\"", "\x83\""},
    {"set: so", true, "C:\\\x83\x5C", "\"C:\\\x83\x5C\""},
    {"del: quoted path", false, "\"C:\\a b\"", "C:\\a b"},
    {"del: unquoted path", false, "C:\\a b", "C:\\a b"},
    {"del: empty", false, "", ""},
    {"del: lone quote", false, "\"", ""},
    {"del: two quotes", false, "\"\"", ""},
    {"del: first and last bytes go whatever they are", false, "a\"bc", "\"b"},
    {"del: so before the closing quote", false, "\"\x83\x5C\"", "\x83\x5C"},
};

TEST_F(Paths, QuoteCases)
{
    for (const QuoteCase& c : kQuoteCases) {
        SCOPED_TRACE(c.name);
        size_t size = strlen(c.path) + (c.set ? 3 : 1);
        std::string out = Marked(size + 8);
        char* result = c.set ? fn.SetSeparateSymbol(c.path, &out[0]) : fn.DelSeparateSymbol(c.path, &out[0]);
        EXPECT_EQ(result, &out[0]);
        EXPECT_STREQ(out.c_str(), c.want);
        EXPECT_EQ(FirstWritten(out, size), std::string::npos);
    }
}

TEST_F(Paths, DelSeparateSymbolUndoesSetSeparateSymbol)
{
    const char* paths[] = {"C:\\a b", "", "x", "C:\\\x83\x5C\\\x83 .wav"};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        char quoted[MAX_PATH], plain[MAX_PATH];
        fn.SetSeparateSymbol(path, quoted);
        fn.DelSeparateSymbol(quoted, plain);
        EXPECT_STREQ(plain, path);
        // In place, the same.
        strcpy(quoted, path);
        fn.DelSeparateSymbol(fn.SetSeparateSymbol(quoted, quoted), quoted);
        EXPECT_STREQ(quoted, path);
    }
}

TEST_F(Paths, WorkBuffersCutInputBeyondTheirLimits)
{
    std::string longPath(400, 'a');
    std::string out = Marked(longPath.size() + 3 + 8);

    fn.SetSeparateSymbol(longPath.c_str(), &out[0]);
    EXPECT_EQ(std::string(out.c_str()), "\"" + std::string(257, 'a') + "\"");

    std::string quoted = "\"" + longPath + "\"";
    out = Marked(quoted.size() + 8);
    fn.DelSeparateSymbol(quoted.c_str(), &out[0]);
    EXPECT_EQ(std::string(out.c_str()), std::string(259, 'a'));

    std::string command = "\"" + longPath + "\" /s";
    std::string first = Marked(command.size() + 8), rest = Marked(command.size() + 8);
    fn.SeparatePath(command.c_str(), &first[0], &rest[0]);
    EXPECT_EQ(std::string(first.c_str()), std::string(259, 'a'));
    EXPECT_STREQ(rest.c_str(), "/s");

    std::string drive = "c:" + longPath;
    EXPECT_EQ(fn.GetDriveNumber(&drive[0]), 3);
}

// ---------------------------------------------------------------- GetLongPathNameQv

// A folder of long-named entries under the temporary folder, removed after
// the test: Long Folder Name\Another Long Folder\long file name.text and
// a double-byte folder whose name starts with so.
class LongNames : public UtilityTest {
protected:
    std::string base;  // long form, with a trailing backslash
    std::string dir1, dir2, file, dbcsDir, dbcsFile;

    void SetUp() override
    {
        UtilityTest::SetUp();
        char temp[MAX_PATH], longTemp[MAX_PATH];
        ASSERT_NE(GetTempPathA(sizeof(temp), temp), 0u);
        ASSERT_NE(GetLongPathNameA(temp, longTemp, sizeof(longTemp)), 0u);
        base = std::string(longTemp) + "chimora long names " + std::to_string(GetCurrentProcessId()) + "\\";
        dir1 = base + "Long Folder Name";
        dir2 = dir1 + "\\Another Long Folder";
        file = dir2 + "\\long file name.text";
        // so, fu, to: 83 5C 83 74 83 67.
        dbcsDir = base + "\x83\x5C\x83\x74\x83g folder";
        dbcsFile = dbcsDir + "\\\x83\x5C long name.text";
        ASSERT_TRUE(CreateDirectoryA(base.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(dir1.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(dir2.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(dbcsDir.c_str(), NULL));
        MakeFile(file);
        MakeFile(dbcsFile);
    }

    void TearDown() override
    {
        DeleteFileA(dbcsFile.c_str());
        DeleteFileA(file.c_str());
        RemoveDirectoryA(dbcsDir.c_str());
        RemoveDirectoryA(dir2.c_str());
        RemoveDirectoryA(dir1.c_str());
        RemoveDirectoryA(base.c_str());
    }

    static void MakeFile(const std::string& path)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
        CloseHandle(h);
    }

    // The platform's short form of an existing path.
    static std::string Short(const std::string& path)
    {
        char buf[MAX_PATH];
        DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof(buf));
        return std::string(buf, n);
    }

    std::string Expand(const std::string& path, int outSize = 520)
    {
        std::string out = Marked(outSize + 8);
        int len = fn.GetLongPathNameQv(path.c_str(), &out[0], outSize);
        EXPECT_EQ(len, (int)strlen(out.c_str()));
        EXPECT_EQ(FirstWritten(out, outSize), std::string::npos) << "written past outSize";
        return out.c_str();
    }
};

TEST_F(LongNames, TheShortFormsDifferFromTheLongOnes)
{
    // Otherwise the expansion below would prove nothing.
    EXPECT_NE(Short(file), file);
    EXPECT_EQ(Short(file).find("Long Folder Name"), std::string::npos) << Short(file);
    EXPECT_NE(Short(dbcsFile), dbcsFile);
    EXPECT_EQ(Short(dbcsFile).find("\x83\x5C\x83\x74"), std::string::npos) << Short(dbcsFile);
}

TEST_F(LongNames, ExpandsShortFormsOfFilesAndFolders)
{
    const struct {
        const char* name;
        std::string path, want;
    } cases[] = {
        {"file", Short(file), file},
        {"folder", Short(dir2), dir2},
        {"folder with a trailing backslash", Short(dir2) + "\\", dir2 + "\\"},
        {"long form stays", file, file},
        {"double-byte folder", Short(dbcsFile), dbcsFile},
        {"double-byte folder given long", dbcsFile, dbcsFile},
        {"missing last component", Short(dir2) + "\\absent.txt", dir2 + "\\"},
        {"missing folder leaves two backslashes", Short(dir1) + "\\absent\\x.txt", dir1 + "\\\\"},
        {"doubled backslash in the input", Short(dir1) + "\\\\Another Long Folder", dir1 + "\\\\Another Long Folder"},
        {"wildcard takes the first match", Short(dir2) + "\\*.text", dir2 + "\\long file name.text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Expand(c.path), c.want);
    }
}

TEST_F(LongNames, ResultIsCutByOutSize)
{
    std::string path = Short(file);
    const int sizes[] = {1, 2, 10, (int)file.size(), (int)file.size() + 1};
    for (int size : sizes) {
        SCOPED_TRACE(size);
        std::string got = Expand(path, size);
        EXPECT_EQ(got, file.substr(0, size - 1));
    }
    // A size of 0 leaves out alone.
    std::string out = Marked(8);
    EXPECT_EQ(fn.GetLongPathNameQv(path.c_str(), &out[0], 0), 0);
    EXPECT_EQ(out, Marked(8));
}

TEST_F(LongNames, RelativePathComesOutWithoutADrive)
{
    std::string shortBase = Short(base), shortFile = Short(file);
    ASSERT_EQ(shortFile.compare(0, shortBase.size(), shortBase), 0) << shortFile;
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof(saved), saved);
    ASSERT_TRUE(SetCurrentDirectoryA(base.c_str()));
    std::string got = Expand(shortFile.substr(shortBase.size()));
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(got, "Long Folder Name\\Another Long Folder\\long file name.text");
}

TEST_F(Paths, LongPathRootsAreKeptAsWritten)
{
    const struct {
        const char* name;
        const char* path;
        const char* want;
    } cases[] = {
        {"root", "C:\\", "C:\\"},
        {"bare drive", "C:", "C:"},
        {"missing file in the root", "C:\\chimora-absent.txt", "C:\\"},
        {"drive-relative missing name", "C:chimora-absent", "C:"},
        {"network share", "\\\\chimora-server\\share\\x.txt", "\\\\chimora-server\\share\\"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char out[520];
        memset(out, kMark, sizeof(out));
        int len = fn.GetLongPathNameQv(c.path, out, sizeof(out));
        EXPECT_STREQ(out, c.want);
        EXPECT_EQ(len, (int)strlen(c.want));
    }
}

}  // namespace

// The module's resources as a program reads them from the built file:
// string table, version block, manifest and the settings dialog template.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/test_support.h"

namespace {

std::wstring Wide(const char* utf8)
{
    wchar_t wide[512];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 512);
    return std::wstring(wide, n > 0 ? n - 1 : 0);
}

const WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

// Raw bytes of a language-neutral resource, or an empty vector.
std::vector<BYTE> NeutralResource(HMODULE module, LPCSTR type, LPCSTR name)
{
    HRSRC found = FindResourceExA(module, type, name, kNeutral);
    if (!found)
        return {};
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        DeleteSettingsKey();
        ASSERT_TRUE(module.Load());
    }
    static void TearDownTestSuite()
    {
        module.Unload();
        DeleteSettingsKey();
    }
    static LoadedModule module;
};
LoadedModule Resources::module;

struct StringCase {
    UINT id;
    const char* text;  // UTF-8
    int limit;         // the buffer the module loads it into
};

TEST_F(Resources, StringTableIsNeutralAndComesOutInCodePage932)
{
    const StringCase cases[] = {
        {IDS_TITLE, "時報モジュール　Version3.00", 80},
        {IDS_BROWSE_TITLE, "サウンドファイルの設定", 80},
        {IDS_HELP_FILE, "Chimora.chm", 260},
        {IDS_BROWSE_FOLDER, "Nordale\\Vantry", 260},
        {IDS_REG_KEY_BASE, "Software\\Quillet\\", 65},
        {IDS_REG_KEY_NAME, "TimeSignal", 65},
        {IDS_REG_ENABLE, "Enable", 257},
        {IDS_REG_SIGNALTYPE, "SignalType", 257},
        {IDS_REG_INTERVAL, "Interval", 257},
        {IDS_REG_TIMETYPE, "TimeType", 257},
        {IDS_REG_WAVENAME, "WaveName", 257},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.id);
        char text[260];
        int length = LoadStringA(module.handle, c.id, text, c.limit);
        EXPECT_EQ(std::string(text, length), Ansi(c.text));
        EXPECT_NE(FindResourceExA(module.handle, RT_STRING, MAKEINTRESOURCEA(c.id / 16 + 1), kNeutral),
                  nullptr);
    }
    char text[80];
    EXPECT_EQ(LoadStringA(module.handle, IDS_BROWSE_TITLE, text, sizeof(text)), 22);
    // The key is formed from the two parts with exactly one backslash between.
    char base[65], name[65];
    LoadStringA(module.handle, IDS_REG_KEY_BASE, base, sizeof(base));
    LoadStringA(module.handle, IDS_REG_KEY_NAME, name, sizeof(name));
    EXPECT_EQ(std::string(base) + name, CHIMORA_KEY);
}

// One node of a version resource: key, value and children in file order.
struct VersionNode {
    std::wstring key;
    WORD type;                    // 1: text, 0: binary
    std::vector<BYTE> value;      // binary value bytes
    std::wstring text;            // text value, without its terminator
    std::vector<VersionNode> children;
};

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

// Parses the node at offset (from the start of the resource, which is
// where the 32-bit alignment counts from).
VersionNode ParseVersionNode(const std::vector<BYTE>& data, size_t offset)
{
    VersionNode node;
    WORD length, valueLength;
    memcpy(&length, &data[offset], 2);
    memcpy(&valueLength, &data[offset + 2], 2);
    memcpy(&node.type, &data[offset + 4], 2);
    size_t end = offset + length;
    size_t p = offset + 6;
    for (;;) {
        wchar_t c;
        memcpy(&c, &data[p], 2);
        p += 2;
        if (!c)
            break;
        node.key += c;
    }
    p = Align4(p);
    if (node.type == 1) {
        for (WORD i = 0; i < valueLength; i++) {
            wchar_t c;
            memcpy(&c, &data[p + 2 * i], 2);
            if (!c)
                break;
            node.text += c;
        }
        p += 2 * valueLength;
    } else {
        node.value.assign(data.begin() + p, data.begin() + p + valueLength);
        p += valueLength;
    }
    for (p = Align4(p); p < end; p = Align4(p)) {
        WORD childLength;
        memcpy(&childLength, &data[p], 2);
        if (!childLength)
            break;
        node.children.push_back(ParseVersionNode(data, p));
        p += childLength;
    }
    return node;
}

const VersionNode* Child(const VersionNode& node, const wchar_t* key)
{
    for (const VersionNode& child : node.children)
        if (child.key == key)
            return &child;
    return nullptr;
}

TEST_F(Resources, VersionBlockAsPublished)
{
    std::vector<BYTE> raw = NeutralResource(module.handle, RT_VERSION, MAKEINTRESOURCEA(1));
    ASSERT_FALSE(raw.empty());
    VersionNode root = ParseVersionNode(raw, 0);
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");

    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, root.value.data(), sizeof(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00030000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, 4u);
    EXPECT_EQ(fixed.dwFileType, 1u);
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);

    const VersionNode* strings = Child(root, L"StringFileInfo");
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->children.size(), 1u);
    const VersionNode& table = strings->children[0];
    EXPECT_EQ(table.key, L"041103A4");
    const wchar_t* const expected[][2] = {
        {L"CompanyName", L""},
        {L"FileDescription", L"Timer Signal for Vantry"},
        {L"FileVersion", L"3.00.0.0"},
        {L"InternalName", L"Chimora"},
        {L"OriginalFilename", L"Chimora.vxm"},
        {L"ProductName", L"Timer Signal for Vantry"},
        {L"ProductVersion", L"3.00.0.0"},
    };
    ASSERT_EQ(table.children.size(), 7u);
    for (size_t i = 0; i < 7; i++) {
        EXPECT_EQ(table.children[i].key, expected[i][0]) << "entry " << i;
        EXPECT_EQ(table.children[i].text, expected[i][1]) << "entry " << i;
    }

    const VersionNode* vars = Child(root, L"VarFileInfo");
    ASSERT_NE(vars, nullptr);
    const VersionNode* translation = Child(*vars, L"Translation");
    ASSERT_NE(translation, nullptr);
    const BYTE kJapanese932[] = {0x11, 0x04, 0xA4, 0x03};
    EXPECT_EQ(translation->value, std::vector<BYTE>(kJapanese932, kJapanese932 + 4));

    // The platform's own reader agrees.
    DWORD handle;
    DWORD size = GetFileVersionInfoSizeA(ModulePath().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(ModulePath().c_str(), 0, size, info.data()));
    char* name;
    UINT nameLength;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041103A4\\ProductName",
                               reinterpret_cast<void**>(&name), &nameLength));
    EXPECT_STREQ(name, "Timer Signal for Vantry");
}

TEST_F(Resources, ManifestAsksForCommonControls6)
{
    std::vector<BYTE> raw = NeutralResource(module.handle, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_FALSE(raw.empty());
    std::string xml(raw.begin(), raw.end());
    // The pieces in document order.
    const char* const pieces[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>",
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">",
        "<assemblyIdentity version=\"3.0.0.0\" processorArchitecture=\"X86\" name=\"",
        "type=\"win32\"/>",
        "<description>Chimora</description>",
        "<dependency>",
        "<dependentAssembly>",
        "<assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
        "processorArchitecture=\"X86\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>",
        "</dependentAssembly>",
        "</dependency>",
        "</assembly>",
    };
    size_t at = 0;
    for (const char* piece : pieces) {
        size_t found = xml.find(piece, at);
        EXPECT_NE(found, std::string::npos) << "missing or out of order: " << piece;
        if (found != std::string::npos)
            at = found + strlen(piece);
    }
}

// --- Dialog template 3000 ---------------------------------------------

// A class or menu field: an ordinal (0xFFFF then a WORD) or a string.
struct SzOrOrd {
    WORD ordinal;
    std::wstring text;
};

class TemplateReader {
public:
    explicit TemplateReader(const std::vector<BYTE>& data) : data_(data), at_(0) {}
    WORD Word() { WORD w; memcpy(&w, &data_[at_], 2); at_ += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, &data_[at_], 4); at_ += 4; return d; }
    BYTE Byte() { return data_[at_++]; }
    std::wstring Text()
    {
        std::wstring text;
        for (WORD c = Word(); c; c = Word())
            text += static_cast<wchar_t>(c);
        return text;
    }
    SzOrOrd Field()
    {
        SzOrOrd field = {0, L""};
        WORD first;
        memcpy(&first, &data_[at_], 2);
        if (first == 0xFFFF) {
            at_ += 2;
            field.ordinal = Word();
        } else {
            field.text = Text();
        }
        return field;
    }
    void AlignDword() { at_ = Align4(at_); }
    void Skip(size_t n) { at_ += n; }

private:
    const std::vector<BYTE>& data_;
    size_t at_;
};

struct ControlRow {
    WORD id;
    WORD classOrdinal;  // 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box
    const char* text;   // UTF-8
    short x, y, cx, cy;
    DWORD style;        // full style
};

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const ControlRow kControls[] = {
    {100, 0x80, "ﾓｼﾞｭｰﾙ(&M)", 8, 6, 184, 30, kChild | BS_GROUPBOX},
    {101, 0x80, "ﾓｼﾞｭｰﾙを使用する", 18, 18, 78, 12, kChild | BS_AUTORADIOBUTTON | WS_GROUP},
    {102, 0x80, "ﾓｼﾞｭｰﾙを使用しない", 104, 17, 82, 12, kChild | BS_AUTORADIOBUTTON},
    {103, 0x80, "時報音の鳴らし方(&S)", 8, 44, 116, 44, kChild | WS_DISABLED | BS_GROUPBOX},
    {104, 0x80, "指定間隔毎に１回づつ鳴らす", 16, 56, 104, 12,
     kChild | WS_DISABLED | BS_AUTORADIOBUTTON | WS_GROUP},
    {105, 0x80, "時刻回数分鳴らす", 16, 70, 106, 12, kChild | WS_DISABLED | BS_AUTORADIOBUTTON},
    {106, 0x80, "時間制(&T)", 130, 44, 62, 44, kChild | WS_DISABLED | BS_GROUPBOX},
    {107, 0x80, "12時間制", 138, 56, 48, 12, kChild | WS_DISABLED | BS_AUTORADIOBUTTON | WS_GROUP},
    {108, 0x80, "24時間制", 138, 70, 48, 12, kChild | WS_DISABLED | BS_AUTORADIOBUTTON},
    {109, 0x80, "時報ｻｳﾝﾄﾞ(&S)", 8, 92, 184, 62, kChild | WS_DISABLED | BS_GROUPBOX},
    {110, 0x82, "時報間隔(&V):", 16, 105, 48, 10, kChild | WS_DISABLED | SS_LEFT | WS_GROUP},
    {111, 0x85, "", 64, 102, 48, 58,
     kChild | WS_DISABLED | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {112, 0x82, "分", 117, 104, 16, 8, kChild | WS_DISABLED | SS_LEFT | WS_GROUP},
    {113, 0x82, "WAVﾌｧｲﾙ名(&F):", 16, 119, 58, 10, kChild | WS_DISABLED | SS_LEFT | WS_GROUP},
    {114, 0x81, "", 16, 131, 156, 12,
     kChild | WS_DISABLED | ES_LEFT | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    {115, 0x80, "...", 172, 130, 12, 13, kChild | WS_DISABLED | BS_PUSHBUTTON | WS_TABSTOP},
    {116, 0x80, "テスト(&T)", 129, 112, 43, 14,
     kChild | WS_DISABLED | BS_PUSHBUTTON | WS_TABSTOP | BS_CENTER},
    {1, 0x80, "了解", 56, 162, 43, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
    {2, 0x80, "取消", 102, 162, 43, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP},
    {117, 0x80, "ﾍﾙﾌﾟ(&H)", 148, 162, 43, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP | BS_CENTER},
};

TEST_F(Resources, SettingsDialogTemplateAsTabulated)
{
    std::vector<BYTE> raw = NeutralResource(module.handle, RT_DIALOG, MAKEINTRESOURCEA(IDD_SETTINGS));
    ASSERT_FALSE(raw.empty());
    TemplateReader t(raw);

    ASSERT_EQ(t.Word(), 1) << "DLGTEMPLATEEX version";
    ASSERT_EQ(t.Word(), 0xFFFF) << "DLGTEMPLATEEX signature";
    t.Dword();  // help id
    EXPECT_EQ(t.Dword(), static_cast<DWORD>(WS_EX_DLGMODALFRAME));
    EXPECT_EQ(t.Dword(), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                            DS_SETFONT | DS_3DLOOK));
    WORD count = t.Word();
    ASSERT_EQ(count, sizeof(kControls) / sizeof(kControls[0]));
    EXPECT_EQ(static_cast<short>(t.Word()), 32);
    EXPECT_EQ(static_cast<short>(t.Word()), 32);
    EXPECT_EQ(static_cast<short>(t.Word()), 200);
    EXPECT_EQ(static_cast<short>(t.Word()), 183);
    SzOrOrd menu = t.Field();
    EXPECT_TRUE(menu.ordinal == 0 && menu.text.empty()) << "no menu";
    SzOrOrd dialogClass = t.Field();
    EXPECT_TRUE(dialogClass.ordinal == 0 && dialogClass.text.empty()) << "standard dialog class";
    EXPECT_EQ(t.Text(), Wide("時報モジュール"));
    EXPECT_EQ(t.Word(), 10) << "point size";
    EXPECT_EQ(t.Word(), 0) << "weight";
    EXPECT_EQ(t.Byte(), 0) << "italic";
    // Where the face is missing, Windows picks a font of this character
    // set: a Japanese one, not a Western one that shows the labels as boxes.
    EXPECT_EQ(t.Byte(), SHIFTJIS_CHARSET) << "character set";
    EXPECT_EQ(t.Text(), Wide("ＭＳ Ｐゴシック"));

    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.id);
        t.AlignDword();
        t.Dword();  // help id
        EXPECT_EQ(t.Dword(), 0u) << "extended style";
        EXPECT_EQ(t.Dword(), row.style);
        EXPECT_EQ(static_cast<short>(t.Word()), row.x);
        EXPECT_EQ(static_cast<short>(t.Word()), row.y);
        EXPECT_EQ(static_cast<short>(t.Word()), row.cx);
        EXPECT_EQ(static_cast<short>(t.Word()), row.cy);
        EXPECT_EQ(t.Dword(), row.id);
        SzOrOrd controlClass = t.Field();
        EXPECT_EQ(controlClass.ordinal, row.classOrdinal);
        SzOrOrd title = t.Field();
        EXPECT_EQ(title.text, Wide(row.text));
        t.Skip(t.Word());  // creation data
    }
}

}  // namespace

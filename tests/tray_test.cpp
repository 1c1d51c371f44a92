// ChimoraTray.exe as a user meets it: started as a process of its own (its
// own local time through TZ, its own ALSA file sink), driven through its
// notification icon's callback messages and its menu's mnemonics, the
// module's settings dialog driven like a user's, and its effects read where
// they land: the sound sink, the registry, its windows and exit code.
// Nothing inside the program or the module is faked.
//
// Run with --play FILE, the program plays FILE once with a plain PlaySoundA
// and ends: that is the measure of one play.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tray/quiet_dialog_ids.h"
#include "tests/dialog_driver.h"
#include "tests/host_session.h"
#include "tests/pe_image.h"
#include "tests/quiet_registry.h"
#include "tests/test_support.h"

namespace {

// What the program defines for itself (tray/tray.h): its window class, the
// icon's id and callback message, and its registered messages.
const WCHAR kTrayClass[] = L"ChimoraTrayWindow";
const UINT kIconId = 1;
const UINT kIconMessage = WM_APP + 1;
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "Chimora";
const char kTray[] = "ChimoraTray.exe";
const char kTick[] = "tick.wav";  // 0.2 s, made by the build

const ULONGLONG kMinuteMs = 60000;
// How long before a minute boundary the program stops or starts the module.
const ULONGLONG QUIET_LEAD_MS_FOR_TEST = 5000;
const DWORD kStartLimitMs = 60000;  // a Wine process start under the emulator is slow

// UTF-8 to UTF-16.
std::wstring Wide(const char* utf8)
{
    wchar_t wide[1024];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 1024);
    return std::wstring(wide, n > 0 ? n - 1 : 0);
}

// The Run value's text; "" when there is none.
std::string RunValue()
{
    char data[1024] = "";
    DWORD size = sizeof(data) - 1;
    DWORD type;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "";
    LONG status = RegQueryValueExA(key, kRunValue, NULL, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data) : std::string();
}

void SetRunValue(const std::string& text)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL),
              ERROR_SUCCESS);
    RegSetValueExA(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void DeleteRunValue()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, kRunValue);
    RegCloseKey(key);
}

// A user's profile before the program's first start.
void FreshProfile()
{
    DeleteSettingsKey();
    DeleteQuietKey();
    DeleteRunValue();
}

// Waits for a condition, checking every 50 ms; false after limitMs.
template <typename F> bool WaitFor(F condition, DWORD limitMs)
{
    for (DWORD start = GetTickCount(); !condition();) {
        if (GetTickCount() - start > limitMs)
            return false;
        Sleep(50);
    }
    return true;
}

HWND FindTrayWindow()
{
    return FindWindowW(kTrayClass, NULL);
}

// Whether the shell holds the program's icon: a change of nothing to it is
// accepted only then.
bool ShellHasIcon(HWND trayWindow)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = trayWindow;
    data.uID = kIconId;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// What the shell posts to the program's window when the user acts on the
// icon (NOTIFYICON_VERSION: the icon's id, then the mouse message).
void IconEvent(HWND trayWindow, UINT event)
{
    PostMessageW(trayWindow, kIconMessage, kIconId, event);
}

struct WindowSearch {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindVisibleOfClass(HWND window, LPARAM param)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    char name[32];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && GetClassNameA(window, name, sizeof(name)) &&
        lstrcmpA(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of that class in the process, or null.
HWND VisibleWindowOf(DWORD process, const char* className)
{
    WindowSearch search = {process, className, NULL};
    EnumWindows(FindVisibleOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program as one run: started, its window found, and at the end closed
// (should a test have left it running) and waited for.
class TrayProcess {
public:
    ProcessRun run;
    HWND window = NULL;
    DWORD thread = 0;
    DWORD process = 0;

    ~TrayProcess() { Close(); }

    // Starts program (a file of the build folder) with its local time
    // offsetMinutes ahead of UTC; false when it did not start.
    bool Start(const char* name, int offsetMinutes = 0, const char* program = kTrayExe)
    {
        if (!Launch(&run, name, program, {}, offsetMinutes, 600000))
            return false;
        started = true;
        return true;
    }

    // Waits for the program's window; false when it did not appear.
    bool AwaitWindow()
    {
        if (!WaitFor([this] { return (window = FindTrayWindow()) != NULL || ExitCode(run) != -1; },
                     kStartLimitMs) || !window)
            return false;
        thread = GetWindowThreadProcessId(window, &process);
        // The icon is added once the module has started.
        return WaitFor([this] { return ShellHasIcon(window); }, 20000);
    }

    // Waits for the end of the process; false when it still runs.
    bool AwaitExit(DWORD limitMs = 60000) { return AwaitEnd({&run}, limitMs); }

    int Exit() const { return ExitCode(run); }

    // Opens the icon's menu as a right click does and presses a mnemonic.
    void ChooseFromMenu(char mnemonic)
    {
        IconEvent(window, WM_CONTEXTMENU);
        HWND menu = NULL;
        ASSERT_TRUE(WaitFor([&] { return (menu = VisibleWindowOf(process, "#32768")) != NULL; }, 20000))
            << "no menu";
        PostMessageA(menu, WM_CHAR, mnemonic, 1);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, 20000))
            << "the menu stayed open";
    }

    // The settings dialog the program opened, waited for.
    HWND AwaitSettings()
    {
        HWND dialog = NULL;
        for (int tries = 0; tries < 12 && !dialog; tries++)
            dialog = WaitForDialog(thread, window);
        return dialog;
    }

    void Close()
    {
        if (!started || ExitCode(run) != -1)
            return;
        if (window)
            PostMessageW(window, WM_CLOSE, 0, 0);
        AwaitEnd({&run}, 60000);
    }

    static const char* const kTrayExe;

private:
    bool started = false;
};
const char* const TrayProcess::kTrayExe = kTray;

// One plain play's bytes of a build's sound, measured once.
LONGLONG OnePlayBytes(const char* sound)
{
    static LONGLONG bytes = 0;
    if (bytes)
        return bytes;
    ProcessRun run;
    if (!Launch(&run, "tray-one-play", "tray_test.exe", {"--play", BuildFile(sound)}, 0, 60000) ||
        !AwaitEnd({&run}, 90000) || ExitCode(run) != 0)
        return 0;
    Sleep(500);  // the sink's writer drains after the process ends
    bytes = SinkBytes(run);
    return bytes;
}

// Watches a run's sink and notes when it first grew after a moment.
struct SinkWatch {
    LONGLONG bytesAt;     // bytes when the watch began
    ULONGLONG firstGrowthMs = 0;

    explicit SinkWatch(const ProcessRun& run) : bytesAt(SinkBytes(run)) {}

    // Polls until untilMs (UtcNowMs terms), noting the first growth.
    void Until(const ProcessRun& run, ULONGLONG untilMs)
    {
        while (UtcNowMs() < untilMs) {
            if (!firstGrowthMs && SinkBytes(run) > bytesAt)
                firstGrowthMs = UtcNowMs();
            Sleep(20);
        }
    }
};

int Plays(LONGLONG bytes, LONGLONG onePlay)
{
    return static_cast<int>(floor(static_cast<double>(bytes) / onePlay + 0.5));
}

// Watches the run's sink from before a minute boundary to a few seconds
// after it and expects one play that began within a few seconds of the
// boundary; says when it began. The module arms its timer in whole
// seconds, so it may sound up to a second late by design, and the
// emulator adds its own delay.
void ExpectOneChimeAt(const ProcessRun& run, ULONGLONG boundary, LONGLONG onePlay, const char* what)
{
    SinkWatch watch(run);
    watch.Until(run, boundary + 8000);
    Sleep(500);  // the sink's writer drains
    LONGLONG bytes = SinkBytes(run) - watch.bytesAt;
    ASSERT_NE(watch.firstGrowthMs, 0u) << what << ": no chime";
    LONGLONG lateMs = static_cast<LONGLONG>(watch.firstGrowthMs - boundary);
    printf("%s: %d play(s) (%lld bytes), beginning %lld ms after the minute boundary\n", what,
           Plays(bytes, onePlay), bytes, lateMs);
    EXPECT_GE(lateMs, 0) << what << ": sounded before the boundary";
    EXPECT_LE(lateMs, 3000) << what << ": sounded late";
    EXPECT_EQ(Plays(bytes, onePlay), 1) << what << ": " << bytes << " bytes, " << onePlay << " per play";
}

// The stored settings as the module wrote them.
void ExpectStoredSettings(DWORD enable, LONG interval, const std::string& wave)
{
    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadSettingsValue("Enable", &type, &data)) << "Enable";
    EXPECT_EQ(*reinterpret_cast<DWORD*>(data.data()), enable);
    ASSERT_TRUE(ReadSettingsValue("Interval", &type, &data)) << "Interval";
    EXPECT_EQ(*reinterpret_cast<LONG*>(data.data()), interval);
    ASSERT_TRUE(ReadSettingsValue("WaveName", &type, &data)) << "WaveName";
    EXPECT_STREQ(reinterpret_cast<const char*>(data.data()), wave.c_str());
}

BOOL CALLBACK CountVisibleDialog(HWND window, LPARAM count)
{
    char name[16];
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof(name)) && !lstrcmpA(name, "#32770"))
        ++*reinterpret_cast<size_t*>(count);
    return TRUE;
}

// The visible dialogs of a thread.
size_t VisibleDialogs(DWORD thread)
{
    size_t count = 0;
    EnumThreadWindows(thread, CountVisibleDialog, reinterpret_cast<LPARAM>(&count));
    return count;
}

// The keyboard focus is in window or one of its children.
bool HasFocusWithin(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info);
    return info.hwndFocus && (info.hwndFocus == window || IsChild(window, info.hwndFocus));
}

// --- The file the user gets --------------------------------------------

std::string TrayPath() { return TestFolder() + kTray; }

// Every function the program may import; each exists on Windows XP SP3.
// What is newer (SHQueryUserNotificationState) or lives in a library only
// one feature needs (wtsapi32) is bound at run time instead.
const AllowedImports kTrayImports[] = {
    {"ADVAPI32.dll",
     {"RegCloseKey", "RegCreateKeyExW", "RegDeleteValueW", "RegOpenKeyExW", "RegQueryValueExW",
      "RegSetValueExW",
      // The quiet hours' store.
      "RegCreateKeyExA", "RegOpenKeyExA", "RegQueryValueExA", "RegSetValueExA"}},
    {"COMCTL32.dll", {"InitCommonControls"}},
    {"KERNEL32.dll",
     {"CreateMutexW", "ExitProcess", "FreeLibrary", "GetCurrentThreadId",
      "GetFileAttributesW", "GetLastError", "GetLocalTime", "GetModuleFileNameW", "GetModuleHandleExW",
      "GetModuleHandleW", "GetProcAddress", "GetSystemDirectoryW", "GetTickCount", "LoadLibraryW",
      "MultiByteToWideChar", "SetErrorMode", "Sleep", "lstrcatW", "lstrcmpiW",
      "lstrcpyW", "lstrcpynW", "lstrlenW"}},
    {"SHELL32.dll", {"ShellExecuteW", "Shell_NotifyIconW"}},
    {"USER32.dll",
     {"AllowSetForegroundWindow", "CheckMenuItem", "CreateWindowExW", "DefWindowProcW", "DestroyMenu",
      "DispatchMessageW", "EnableMenuItem", "EnumThreadWindows", "FindWindowW", "GetCursorPos",
      "GetMessageTime", "GetMessageW", "GetSubMenu", "GetSystemMetrics", "GetWindow",
      "GetWindowThreadProcessId", "IsWindowEnabled", "IsWindowVisible", "KillTimer", "LoadIconW",
      "LoadImageW", "LoadMenuW", "LoadStringW", "MessageBoxW", "MsgWaitForMultipleObjects",
      "PeekMessageW", "PostMessageW", "PostQuitMessage", "RegisterClassW", "RegisterWindowMessageW",
      "SetForegroundWindow", "SetMenuDefaultItem", "SetTimer", "TrackPopupMenu", "TranslateMessage",
      "wsprintfW",
      // The quiet-hours dialog.
      "CheckDlgButton", "DialogBoxParamA", "EnableWindow", "EndDialog", "GetDlgItem", "GetWindowLongA",
      "GetWindowTextA", "IsDlgButtonChecked", "LoadStringA", "MessageBoxA", "SendDlgItemMessageA",
      "SendMessageA", "SetWindowLongA"}},
};

TEST(TrayFile, HeaderAsksForASLRAndNXAndLoadsOnWindowsXP)
{
    ExpectXPLoadableHardenedHeader(TrayPath());
}

TEST(TrayFile, IsAtMost32KiBWithoutDebugSections)
{
    ExpectSmallAndStripped(TrayPath());
}

struct ResourceRow {
    const char* what;
    LPCSTR type;
    WORD id;
};

// Both resource scripts' resources are in the one file (the linker merges
// them), with one manifest only: Windows XP refuses a second among 1-16.
TEST(TrayFile, HoldsTheResourcesOfBothScriptsAndOneManifest)
{
    HMODULE image = LoadLibraryExA(TrayPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    const ResourceRow rows[] = {
        {"icon: on", RT_GROUP_ICON, 1},
        {"icon: off", RT_GROUP_ICON, 2},
        {"icon: quiet", RT_GROUP_ICON, 3},
        {"the icon's menu", RT_MENU, 100},
        {"the program's strings", RT_STRING, 301 / 16 + 1},
        {"the quiet-hours dialog", RT_DIALOG, 200},
        {"the quiet-hours dialog's strings", RT_STRING, 216 / 16 + 1},
        {"version block", RT_VERSION, 1},
        {"manifest", RT_MANIFEST, 1},
    };
    for (const ResourceRow& row : rows)
        EXPECT_NE(FindResourceA(image, MAKEINTRESOURCEA(row.id), row.type), nullptr) << row.what;
    for (WORD id = 2; id <= 16; id++)
        EXPECT_EQ(FindResourceA(image, MAKEINTRESOURCEA(id), RT_MANIFEST), nullptr) << "manifest " << id;
    // Each state's icon comes in the two sizes the shell asks for.
    for (WORD id = 1; id <= 3; id++) {
        for (int size : {16, 32}) {
            HICON icon = static_cast<HICON>(LoadImageA(image, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr) << "icon " << id;
            ICONINFO info;
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP bitmap;
            GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap);
            EXPECT_EQ(bitmap.bmWidth, size) << "icon " << id;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
    // The manifest asks for what a program of today's Windows should.
    HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(image, found)));
    std::string manifest(data, SizeofResource(image, found));
    const char* const pieces[] = {
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "<requestedExecutionLevel level=\"asInvoker\"",
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",  // Vista
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
    };
    for (const char* piece : pieces)
        EXPECT_NE(manifest.find(piece), std::string::npos) << piece;
    FreeLibrary(image);
}

TEST(TrayFile, ImportsOnlyAllowedFunctionsThatWindowsXPHas)
{
    // Mapped as an image without running it or resolving its imports.
    HMODULE image = LoadLibraryExA(TrayPath().c_str(), NULL, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    ExpectOnlyAllowedImports(image, kTrayImports, sizeof(kTrayImports) / sizeof(kTrayImports[0]));
    FreeLibrary(image);
}


// --- Starting -------------------------------------------------------------

struct LoadFailureCase {
    const char* name;
    const char* moduleFrom;  // a build file copied in as Chimora.vxm; null: none
    const char* says;        // UTF-8, in the box's text
};

// Without a usable module the program says so in a Japanese box that names
// the file, ends with 1 once the box is closed, and has written nothing.
TEST(TrayStart, WithoutAUsableModuleSaysSoAndEndsWith1WritingNothing)
{
    const LoadFailureCase cases[] = {
        {"tray-no-module", nullptr, "見つかりません"},
        {"tray-not-a-module", "version_en.dll", "時報モジュールではありません"},
        {"tray-not-an-image", "tick.wav", "読み込めませんでした"},
    };
    for (const LoadFailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        FreshProfile();
        std::string folder = BuildFile("runs") + "\\" + c.name + "\\";
        CreateDirectoryA(BuildFile("runs").c_str(), NULL);
        CreateDirectoryA(folder.c_str(), NULL);
        DeleteFileA((folder + "Chimora.vxm").c_str());
        ASSERT_TRUE(CopyFileA(TrayPath().c_str(), (folder + kTray).c_str(), FALSE));
        if (c.moduleFrom)
            ASSERT_TRUE(CopyFileA(BuildFile(c.moduleFrom).c_str(), (folder + "Chimora.vxm").c_str(), FALSE));

        TrayProcess tray;
        std::string program = std::string("runs/") + c.name + "/" + kTray;
        ASSERT_TRUE(tray.Start((std::string(c.name) + "-run").c_str(), 0, program.c_str()));
        HWND box = NULL;
        ASSERT_TRUE(WaitFor([&] { return (box = FindWindowW(L"#32770", L"Chimora")) != NULL ||
                                         tray.Exit() != -1; }, kStartLimitMs));
        ASSERT_NE(box, nullptr) << "no message box";
        // Its text, as the box's static controls hold it.
        std::wstring text;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t part[1024] = L"";
            SendMessageW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(part));
            text += part;
            text += L"|";
        }
        EXPECT_NE(text.find(Wide(c.says)), std::wstring::npos);
        EXPECT_NE(text.find(L"ChimoraTray.exe"), std::wstring::npos) << "says where the file goes";
        // Wine may spell the folder in another case than the test.
        std::wstring path = Wide((folder + "Chimora.vxm").c_str());
        CharLowerW(&path[0]);
        CharLowerW(&text[0]);
        EXPECT_NE(text.find(path), std::wstring::npos) << "names the file";
        EXPECT_EQ(FindTrayWindow(), nullptr) << "no icon without a module";

        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(tray.AwaitExit());
        EXPECT_EQ(tray.Exit(), 1);
        EXPECT_FALSE(SettingsKeyExists());
        EXPECT_FALSE(QuietKeyExists());
        EXPECT_EQ(RunValue(), "");
    }
}

// A second start asks the first to open the settings and ends with 0; the
// dialog comes to the front with the keyboard focus, and a double click
// while it is open opens no second one.
TEST(TrayStart, ASecondStartOpensTheFirstOnesSettings)
{
    FreshProfile();
    TrayProcess first;
    ASSERT_TRUE(first.Start("tray-first"));
    ASSERT_TRUE(first.AwaitWindow());

    TrayProcess second;
    ASSERT_TRUE(second.Start("tray-second"));
    ASSERT_TRUE(second.AwaitExit());
    EXPECT_EQ(second.Exit(), 0);

    HWND dialog = first.AwaitSettings();
    ASSERT_NE(dialog, nullptr) << "the first did not open its settings";
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; }, 10000)) << "not in front";
    EXPECT_TRUE(HasFocusWithin(dialog)) << "no keyboard focus";

    IconEvent(first.window, WM_LBUTTONDBLCLK);
    Sleep(2000);
    EXPECT_EQ(VisibleDialogs(first.thread), 1u) << "a second dialog";
    EXPECT_EQ(GetForegroundWindow(), dialog);

    Click(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntilClosed(dialog));
    ASSERT_NO_FATAL_FAILURE(first.ChooseFromMenu('x'));
    ASSERT_TRUE(first.AwaitExit());
    EXPECT_EQ(first.Exit(), 0);
}

// --- The menu and the shell ---------------------------------------------

// Start with Windows, chosen from the menu, sets and clears the Run value;
// the menu reads the value afresh each time it opens.
TEST(TrayMenu, StartWithWindowsSetsAndClearsTheRunValue)
{
    FreshProfile();
    TrayProcess tray;
    ASSERT_TRUE(tray.Start("tray-run-value"));
    ASSERT_TRUE(tray.AwaitWindow());
    const std::string command = "\"" + BuildFile(kTray) + "\"";

    struct Step {
        const char* name;
        const char* before;  // set before the menu opens; null: leave; "": delete
        bool setAfter;
    };
    const Step steps[] = {
        {"unset: the choice sets it", "", true},
        {"set by the program: the choice clears it", nullptr, false},
        {"set elsewhere to this program: cleared", "=", false},
        {"naming another program: set to this one", "\"C:\\other\\ChimoraTray.exe\"", true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.before && !step.before[0])
            DeleteRunValue();
        else if (step.before)
            SetRunValue(!strcmp(step.before, "=") ? command : step.before);
        ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('w'));
        if (step.setAfter)
            EXPECT_TRUE(WaitFor([&] { return lstrcmpiA(RunValue().c_str(), command.c_str()) == 0; }, 10000))
                << RunValue();
        else
            EXPECT_TRUE(WaitFor([&] { return RunValue().empty(); }, 10000)) << RunValue();
    }
    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('x'));
    ASSERT_TRUE(tray.AwaitExit());
    EXPECT_EQ(tray.Exit(), 0);
    DeleteRunValue();
}

BOOL CALLBACK FindHelpViewer(HWND window, LPARAM found)
{
    char name[32];
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof(name)) && !lstrcmpA(name, "HH Parent")) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// A visible HTML Help viewer of any process, or null.
HWND HelpViewer()
{
    HWND found = NULL;
    EnumWindows(FindHelpViewer, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Help opens Chimora.chm from the program's folder in the system's viewer;
// without the file, a box says where it belongs.
TEST(TrayMenu, HelpOpensTheHelpFileBesideTheProgram)
{
    FreshProfile();
    std::string folder = BuildFile("runs") + "\\tray-help\\";
    CreateDirectoryA(BuildFile("runs").c_str(), NULL);
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(TrayPath().c_str(), (folder + kTray).c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(ModulePath().c_str(), (folder + "Chimora.vxm").c_str(), FALSE));
    DeleteFileA((folder + "Chimora.chm").c_str());
    TrayProcess tray;
    ASSERT_TRUE(tray.Start("tray-help-run", 0, "runs/tray-help/ChimoraTray.exe"));
    ASSERT_TRUE(tray.AwaitWindow());

    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('h'));
    HWND box = NULL;
    ASSERT_TRUE(WaitFor([&] { return (box = VisibleWindowOf(tray.process, "#32770")) != NULL; }, 20000))
        << "no word on the missing help file";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilClosed(box));

    ASSERT_TRUE(CopyFileA(BuildFile("Chimora.chm").c_str(), (folder + "Chimora.chm").c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('h'));
    HWND viewer = NULL;
    EXPECT_TRUE(WaitFor([&] { return (viewer = HelpViewer()) != NULL; }, 30000)) << "no help viewer";
    EXPECT_EQ(VisibleWindowOf(tray.process, "#32770"), nullptr) << "a box besides the viewer";
    if (viewer)
        PostMessageW(viewer, WM_CLOSE, 0, 0);

    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('x'));
    ASSERT_TRUE(tray.AwaitExit());
    EXPECT_EQ(tray.Exit(), 0);
    if (viewer)
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(viewer); }, 20000));
}

// When Explorer restarts it forgets every icon and broadcasts
// TaskbarCreated: the program adds its icon again.
TEST(TrayMenu, TaskbarCreatedAddsTheIconAgain)
{
    FreshProfile();
    TrayProcess tray;
    ASSERT_TRUE(tray.Start("tray-taskbar-created"));
    ASSERT_TRUE(tray.AwaitWindow());
    ASSERT_TRUE(ShellHasIcon(tray.window));

    // The shell loses the icon, as a restarted Explorer has.
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof(data);
    data.hWnd = tray.window;
    data.uID = kIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    ASSERT_FALSE(ShellHasIcon(tray.window));

    PostMessageW(tray.window, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitFor([&] { return ShellHasIcon(tray.window); }, 20000)) << "the icon did not come back";

    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('x'));
    ASSERT_TRUE(tray.AwaitExit());
    EXPECT_EQ(tray.Exit(), 0);
    EXPECT_FALSE(ShellHasIcon(tray.window)) << "the icon outlived the program";
}

// --- The session's end ----------------------------------------------------

struct SessionEndCase {
    const char* name;
    bool dialogOpen;
};

// Windows ends the session while the program is idle or while the module's
// dialog is open: the module is stopped and unloaded before the process
// goes, and its settings are saved. The key is deleted under the running
// program; only the module's save at unload can bring it back.
TEST(TraySession, EndingTheSessionKeepsTheSettings)
{
    const SessionEndCase cases[] = {
        {"tray-end-session-idle", false},
        {"tray-end-session-dialog", true},
    };
    const std::string wave = BuildFile(kTick);
    for (const SessionEndCase& c : cases) {
        SCOPED_TRACE(c.name);
        FreshProfile();
        Store({1, 0, 300, 0, wave});
        TrayProcess tray;
        ASSERT_TRUE(tray.Start(c.name));
        ASSERT_TRUE(tray.AwaitWindow());
        HWND dialog = NULL;
        if (c.dialogOpen) {
            IconEvent(tray.window, WM_LBUTTONDBLCLK);
            dialog = tray.AwaitSettings();
            ASSERT_NE(dialog, nullptr);
        }
        DeleteSettingsKey();

        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutW(tray.window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                        SMTO_NORMAL, 20000, &answer));
        EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "the program may end";
        SendMessageTimeoutW(tray.window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 20000, &answer);
        ASSERT_TRUE(tray.AwaitExit());
        EXPECT_EQ(tray.Exit(), 0);
        ExpectStoredSettings(1, 300, wave);
        if (dialog)
            EXPECT_FALSE(IsWindow(dialog));
    }
    FreshProfile();
}

// --- Quiet hours ----------------------------------------------------------

// Values that are missing, of the wrong type or out of range take their
// defaults (quiet hours off): the program runs, opens its settings and
// exits as usual, and leaves the values as they were.
TEST(TrayQuietHours, MalformedValuesDoNotStopTheProgram)
{
    FreshProfile();
    WriteQuietValue("QuietEnable", REG_SZ, "1", 2);
    WriteQuietDword("QuietStart", 5000);
    const BYTE junk[] = {1, 2, 3};
    WriteQuietValue("QuietEnd", REG_BINARY, junk, sizeof(junk));
    WriteQuietDword("QuietWhenLocked", 7);
    const std::vector<std::string> stored = QuietRawValues();
    TrayProcess tray;
    ASSERT_TRUE(tray.Start("tray-malformed-quiet"));
    ASSERT_TRUE(tray.AwaitWindow());
    IconEvent(tray.window, WM_LBUTTONDBLCLK);
    HWND dialog = tray.AwaitSettings();
    ASSERT_NE(dialog, nullptr);
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntilClosed(dialog));
    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('x'));
    ASSERT_TRUE(tray.AwaitExit());
    EXPECT_EQ(tray.Exit(), 0);
    EXPECT_EQ(QuietRawValues(), stored) << "the program rewrote the user's values";
    FreshProfile();
}

// --- The time signal through the tray -------------------------------------

// A new user's first chime: a fresh profile, the settings opened from the
// icon, the module turned on with an interval of 1 and a sound, OK, and the
// chime at the next minute boundary. Then "quiet while the screen is
// locked" is chosen and the session locked (the notification the system
// sends): the next boundary is silent. The program exits from its menu and
// the module has kept the choice.
TEST(TrayChime, SettingsFromTheIconEndInAChimeAtTheNextMinute)
{
    FreshProfile();
    const std::string wave = BuildFile(kTick);
    LONGLONG onePlay = OnePlayBytes(kTick);
    ASSERT_GT(onePlay, 0) << "no sound captured: is the sink set up?";
    // Well before a boundary, so that OK comes in the same minute.
    SYSTEMTIME now;
    GetSystemTime(&now);
    if (now.wSecond > 25)
        Sleep(61000 - (now.wSecond * 1000 + now.wMilliseconds));

    TrayProcess tray;
    ASSERT_TRUE(tray.Start("tray-first-chime"));
    ASSERT_TRUE(tray.AwaitWindow());
    IconEvent(tray.window, WM_LBUTTONDBLCLK);
    HWND dialog = tray.AwaitSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; }, 10000)) << "not in front";
    EXPECT_TRUE(HasFocusWithin(dialog)) << "no keyboard focus";
    Click(dialog, IDC_MODULE_ON);
    ChooseListItem(dialog, IDC_INTERVAL, "1");
    ClearEdit(dialog, IDC_WAVE_NAME);
    Type(dialog, IDC_WAVE_NAME, wave);
    Click(dialog, IDOK);
    ASSERT_TRUE(WaitUntilClosed(dialog));
    ULONGLONG okMs = UtcNowMs();
    ULONGLONG boundary = (okMs + 1000 + kMinuteMs - 1) / kMinuteMs * kMinuteMs;
    ASSERT_LT(okMs + 3000, boundary) << "OK came too close to the boundary to tell";

    ExpectOneChimeAt(tray.run, boundary, onePlay, "the first chime");

    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('q'));
    dialog = tray.AwaitSettings();
    ASSERT_NE(dialog, nullptr) << "no quiet-hours dialog";
    Click(dialog, IDC_QUIET_WHEN_LOCKED);
    Click(dialog, IDOK);
    ASSERT_TRUE(WaitUntilClosed(dialog));
    PostMessageW(tray.window, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
    ULONGLONG locked = boundary + kMinuteMs;
    ASSERT_LT(UtcNowMs() + QUIET_LEAD_MS_FOR_TEST, locked);
    SinkWatch whileLocked(tray.run);
    whileLocked.Until(tray.run, locked + 8000);
    LONGLONG lockedBytes = SinkBytes(tray.run) - whileLocked.bytesAt;
    printf("the next boundary, the session locked: %lld bytes\n", lockedBytes);
    EXPECT_EQ(lockedBytes, 0) << "sounded while the session was locked";
    PostMessageW(tray.window, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);

    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('x'));
    ASSERT_TRUE(tray.AwaitExit());
    EXPECT_EQ(tray.Exit(), 0);
    ExpectStoredSettings(1, 60, wave);
    FreshProfile();
}

// Quiet hours across a real minute boundary, chosen in the program's
// quiet-hours dialog while the module runs: a range of one minute, 23:59
// to 00:00 by the program's own clock (it crosses midnight), keeps 23:59
// silent; the boundary at its end, 00:00, sounds.
TEST(TrayQuietHours, TheRangeIsSilentAndItsEndSounds)
{
    FreshProfile();
    const std::string wave = BuildFile(kTick);
    LONGLONG onePlay = OnePlayBytes(kTick);
    ASSERT_GT(onePlay, 0) << "no sound captured: is the sink set up?";
    Store({1, 0, 60, 0, wave});

    // The quiet boundary far enough ahead for the program to start.
    ULONGLONG quiet = NextBoundaryMs(30000);
    ULONGLONG end = quiet + kMinuteMs;
    TrayProcess tray;
    ASSERT_TRUE(tray.Start("tray-quiet-hours", OffsetForLocalTime(quiet, 23, 59)));
    ASSERT_TRUE(tray.AwaitWindow());

    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('q'));
    HWND dialog = tray.AwaitSettings();
    ASSERT_NE(dialog, nullptr) << "no quiet-hours dialog";
    Click(dialog, IDC_QUIET_ENABLE);
    ChooseListItem(dialog, IDC_QUIET_START_HOUR, "23");
    ChooseListItem(dialog, IDC_QUIET_START_MINUTE, "59");
    ChooseListItem(dialog, IDC_QUIET_END_HOUR, "00");
    ChooseListItem(dialog, IDC_QUIET_END_MINUTE, "00");
    Click(dialog, IDOK);
    ASSERT_TRUE(WaitUntilClosed(dialog));
    // The sink is watched from well after the boundary before, which may
    // still sound when the program starts more than a minute ahead.
    const ULONGLONG watchFrom = quiet - 2 * QUIET_LEAD_MS_FOR_TEST;
    ASSERT_LT(UtcNowMs(), watchFrom) << "chosen too late";
    QuietHours chosen;
    ASSERT_TRUE(ReadQuietDwords(&chosen));
    EXPECT_EQ(chosen.Enable, 1u);
    EXPECT_EQ(chosen.Start, 23u * 60 + 59);
    EXPECT_EQ(chosen.End, 0u);

    while (UtcNowMs() < watchFrom)
        Sleep(50);
    SinkWatch atQuiet(tray.run);
    atQuiet.Until(tray.run, quiet + 8000);
    LONGLONG quietBytes = SinkBytes(tray.run) - atQuiet.bytesAt;
    printf("at 23:59 (quiet): %lld bytes\n", quietBytes);
    EXPECT_EQ(quietBytes, 0) << "the quiet boundary sounded";

    ExpectOneChimeAt(tray.run, end, onePlay, "at 00:00, the range's end");

    PostMessageW(tray.window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tray.AwaitExit());
    EXPECT_EQ(tray.Exit(), 0);
    FreshProfile();
}

// --- The package ----------------------------------------------------------

// Run by tests/package_test.sh with CHIMORA_TRAY_FOLDER set to the Unix
// path of the unpacked ZIP's folder that holds ChimoraTray.exe: the program
// starts from there with the module beside it, shows its icon, opens the
// settings from it and exits from its menu; the module it loaded saves its
// settings as it unloads.
TEST(TrayPackage, RunsFromTheUnpackedPackage)
{
    char folder[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("CHIMORA_TRAY_FOLDER", folder, sizeof(folder)))
        GTEST_SKIP() << "run by tests/package_test.sh";
    FreshProfile();
    TrayProcess tray;
    ASSERT_TRUE(tray.Start("tray-from-package", 0, (std::string(folder) + "/" + kTray).c_str()));
    ASSERT_TRUE(tray.AwaitWindow()) << "no icon";
    DeleteSettingsKey();
    IconEvent(tray.window, WM_LBUTTONDBLCLK);
    HWND dialog = tray.AwaitSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), Ansi("時報モジュール"));
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntilClosed(dialog));
    ASSERT_NO_FATAL_FAILURE(tray.ChooseFromMenu('x'));
    ASSERT_TRUE(tray.AwaitExit());
    EXPECT_EQ(tray.Exit(), 0);
    EXPECT_TRUE(SettingsKeyExists()) << "the module did not save at its unload";
    FreshProfile();
}

}  // namespace

int main(int argc, char** argv)
{
    int played = PlayOnceIfAsked(argc, argv);
    if (played >= 0)
        return played;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

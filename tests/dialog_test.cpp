// The settings dialog as a user meets it: the host calls Setting on its GUI
// thread, and a second thread reads the dialog, clicks, types and closes it
// with the messages that a user's input produces. Afterwards the tests look
// at Setting's result, the registry and the minute timer. The calls that
// the module makes to HTML Help, the file chooser and the sound player are
// watched through its import address table.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <htmlhelp.h>
#include <mmsystem.h>
#include <shlobj.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/dialog_driver.h"
#include "tests/host_session.h"
#include "tests/import_hook.h"
#include "tests/test_support.h"

namespace {

// ------------------------------------------------------------ controls

// Every control of the dialog, in template order.
const std::vector<int> kControls = {
    100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116,
    IDOK, IDCANCEL, 117,
};
const std::vector<int> kRadioButtons = { 101, 102, 104, 105, 107, 108 };

// What is enabled in each situation, Test (116) aside.
const std::set<int> kModuleOff = { 100, 101, 102, IDOK, IDCANCEL, 117 };
const std::set<int> kOncePerInterval = {
    100, 101, 102, 103, 104, 105, 109, 110, 111, 112, 113, 114, 115, IDOK, IDCANCEL, 117,
};
const std::set<int> kStrikeTheHour = {
    100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115,
    IDOK, IDCANCEL, 117,
};

std::set<int> WithTest(std::set<int> enabled)
{
    enabled.insert(IDC_TEST);
    return enabled;
}

const std::vector<std::string> kIntervalLabels = { "None", "1", "5", "10", "15", "30", "60" };
const std::vector<std::string> kStrikeLabels = { "None", "30", "60" };

// The 13 controls with a popup topic, and the ones without.
struct HelpControl { const char* name; int id; };
const HelpControl kContextHelpControls[] = {
    { "OK", IDOK }, { "Cancel", IDCANCEL },
    { "use the module", 101 }, { "do not use the module", 102 },
    { "once per interval", 104 }, { "strike the hour", 105 },
    { "twelve-hour", 107 }, { "twenty-four-hour", 108 },
    { "interval list", 111 }, { "file name", 114 }, { "browse", 115 },
    { "Test", 116 }, { "Help", 117 },
};
const HelpControl kControlsWithoutHelp[] = {
    { "module group", 100 }, { "signal group", 103 }, { "hour-system group", 106 },
    { "sound group", 109 }, { "interval label", 110 }, { "minutes label", 112 },
    { "file name label", 113 },
};

// ------------------------------------------------------------ watched calls

std::mutex recordLock;

struct HelpCall {
    HWND caller;
    std::string file;
    UINT command;
    DWORD_PTR data;
    HH_POPUP popup;  // a copy, for HH_DISPLAY_TEXT_POPUP
};
std::vector<HelpCall> helpCalls;

// Stands in for HtmlHelpA: HTML Help under Wine shows no text popups, so
// the call itself is what a test can see.
HWND WINAPI RecordHtmlHelp(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    std::lock_guard<std::mutex> hold(recordLock);
    HelpCall call = {};
    call.caller = caller;
    call.file = file ? file : "(null)";
    call.command = command;
    call.data = data;
    if (command == HH_DISPLAY_TEXT_POPUP && data)
        call.popup = *reinterpret_cast<const HH_POPUP*>(data);
    helpCalls.push_back(call);
    return NULL;
}

struct SoundCall {
    std::string name;
    HMODULE module;
    DWORD flags;
};
std::vector<SoundCall> soundCalls;
ImportHook* playSoundHook;

// Records the call and plays through the platform.
BOOL WINAPI RecordPlaySound(LPCSTR name, HMODULE module, DWORD flags)
{
    {
        std::lock_guard<std::mutex> hold(recordLock);
        soundCalls.push_back({ name ? name : "(null)", module, flags });
    }
    typedef BOOL(WINAPI * PlaySoundFn)(LPCSTR, HMODULE, DWORD);
    return reinterpret_cast<PlaySoundFn>(playSoundHook->original)(name, module, flags);
}

struct OpenFileCall {
    OPENFILENAMEA fields;
    std::string filter;      // the pairs, each string with its terminator
    std::string file;        // what the file-name buffer held on entry
    std::string initialDir;
    std::string title;
};
std::vector<OpenFileCall> openFileCalls;
ImportHook* openFileHook;

std::string Text(const char* text)
{
    return text ? text : "(null)";
}

// Records the call and shows the real chooser.
BOOL WINAPI RecordGetOpenFileName(OPENFILENAMEA* ofn)
{
    {
        std::lock_guard<std::mutex> hold(recordLock);
        OpenFileCall call;
        call.fields = *ofn;
        for (const char* p = ofn->lpstrFilter; p && *p; p += lstrlenA(p) + 1)
            call.filter.append(p, lstrlenA(p) + 1);
        call.file = Text(ofn->lpstrFile);
        call.initialDir = Text(ofn->lpstrInitialDir);
        call.title = Text(ofn->lpstrTitle);
        openFileCalls.push_back(call);
    }
    typedef BOOL(WINAPI * GetOpenFileNameFn)(OPENFILENAMEA*);
    return reinterpret_cast<GetOpenFileNameFn>(openFileHook->original)(ofn);
}

// WM_HELP that the dialog leaves to default processing goes on to its
// owner, the host window.
std::vector<int> helpAtHost;
WNDPROC hostProcedure;

LRESULT CALLBACK WatchHostHelp(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HELP) {
        std::lock_guard<std::mutex> hold(recordLock);
        helpAtHost.push_back(reinterpret_cast<const HELPINFO*>(lParam)->iCtrlId);
    }
    return CallWindowProcA(hostProcedure, window, message, wParam, lParam);
}

void ClearRecords()
{
    std::lock_guard<std::mutex> hold(recordLock);
    helpCalls.clear();
    soundCalls.clear();
    openFileCalls.clear();
    helpAtHost.clear();
}

// ------------------------------------------------------------ registry

const char* const kValueNames[] = { "Enable", "SignalType", "Interval", "TimeType", "WaveName" };

// The five values as raw bytes, to show that nothing was written.
std::vector<std::vector<BYTE>> RawValues()
{
    std::vector<std::vector<BYTE>> values;
    for (const char* name : kValueNames) {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!ReadSettingsValue(name, &type, &data))
            data.assign(1, 0xEE);  // stands for "missing"
        data.push_back((BYTE)type);
        values.push_back(data);
    }
    return values;
}

LONG StoredNumber(const char* name)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(ReadSettingsValue(name, &type, &data)) << name;
    EXPECT_EQ(type, (DWORD)REG_DWORD) << name;
    if (data.size() != 4) {
        ADD_FAILURE() << name << " holds " << data.size() << " bytes";
        return 0x7EEEEEEE;
    }
    return *reinterpret_cast<const LONG*>(data.data());
}

// WaveName up to its terminator; size receives the stored data size.
std::string StoredWave(DWORD* size = NULL)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(ReadSettingsValue("WaveName", &type, &data));
    EXPECT_EQ(type, (DWORD)REG_SZ);
    if (size)
        *size = (DWORD)data.size();
    data.push_back(0);
    return reinterpret_cast<const char*>(data.data());
}

void ExpectStored(const StoredSettings& want)
{
    EXPECT_EQ(StoredNumber("Enable"), (LONG)want.enable);
    EXPECT_EQ(StoredNumber("SignalType"), (LONG)want.signalType);
    EXPECT_EQ(StoredNumber("Interval"), want.interval);
    EXPECT_EQ(StoredNumber("TimeType"), (LONG)want.timeType);
    EXPECT_EQ(StoredWave(), want.wave);
}

// ------------------------------------------------------------ fixture

class SettingsDialogTest : public testing::Test {
protected:
    LoadedModule module;  // declared first: the hooks go before it unloads
    HostWindow host;
    ImportHook htmlHelp;
    ImportHook playSound;
    ImportHook openFile;
    IntFn setting = nullptr;
    IntFn startModule = nullptr;
    IntFn stopModule = nullptr;
    IntFn isModuleEnable = nullptr;

    void SetUp() override
    {
        DeleteSettingsKey();
        ClearRecords();
        ASSERT_NE(host.handle, nullptr);
        hostProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            host.handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchHostHelp)));
    }

    void TearDown() override
    {
        UnloadModule();
        DeleteSettingsKey();
    }

    // Loads the module file at path as the host does, hands it the host
    // window and watches its calls out.
    void LoadModuleFrom(const std::string& path)
    {
        module.handle = LoadLibraryA(path.c_str());
        ASSERT_NE(module.handle, nullptr) << path;
        setting = module.Export<IntFn>("Setting");
        startModule = module.Export<IntFn>("StartModule");
        stopModule = module.Export<IntFn>("StopModule");
        isModuleEnable = module.Export<IntFn>("IsModuleEnable");
        ASSERT_TRUE(setting && startModule && stopModule && isModuleEnable);
        module.Export<SetParentWindowFn>("SetParentWindow")(host.handle);

        // HtmlHelpA comes from the HTML Help control by ordinal 14 only.
        ASSERT_TRUE(htmlHelp.Install(module.handle, "hhctrl.ocx", NULL, 14,
                                     reinterpret_cast<void*>(RecordHtmlHelp)))
            << "no import of hhctrl.ocx ordinal 14";
        ASSERT_TRUE(playSound.Install(module.handle, "winmm.dll", "PlaySoundA", 0,
                                      reinterpret_cast<void*>(RecordPlaySound)));
        playSoundHook = &playSound;
        ASSERT_TRUE(openFile.Install(module.handle, "comdlg32.dll", "GetOpenFileNameA", 0,
                                     reinterpret_cast<void*>(RecordGetOpenFileName)));
        openFileHook = &openFile;
    }

    void LoadModule() { LoadModuleFrom(ModulePath()); }

    // Unloading saves the module's record to the registry. A host's loop
    // runs on after Setting; here it runs until the module is gone.
    void UnloadModule()
    {
        htmlHelp.Remove();
        playSound.Remove();
        openFile.Remove();
        bool loaded = module.handle != NULL;
        module.Unload();
        if (loaded)
            EXPECT_TRUE(PumpUntilUnmapped()) << "the module stayed mapped";
    }

    int RunSetting(const std::function<void(HWND)>& drive)
    {
        return RunWithDialog(host.handle, setting, drive);
    }

    // The folder of the loaded module file, with its trailing backslash.
    std::string ModuleFolder() { return FolderOf(module.handle); }
};

// ------------------------------------------------------------ opening

struct OpeningCase {
    const char* name;
    bool stored;  // false: no key in the registry
    StoredSettings settings;
    std::set<int> checked;
    std::vector<std::string> items;
    std::string selection;  // "" for none
    std::set<int> enabled;
    std::string edit;
};

TEST_F(SettingsDialogTest, OpensWithTheStoredSettings)
{
    const OpeningCase cases[] = {
        { "empty registry", false, {}, { 102, 104, 107 }, kIntervalLabels, "None", kModuleOff, "" },
        { "strike the hour every 30 minutes, 24-hour count", true, { 1, 1, 1800, 1, "" },
          { 101, 105, 108 }, kStrikeLabels, "30", kStrikeTheHour, "" },
        { "strike the hour every 5 minutes: no such row", true, { 1, 1, 300, 0, "" },
          { 101, 105, 107 }, kStrikeLabels, "", kStrikeTheHour, "" },
        { "module off with a file name", true, { 0, 0, 600, 0, "C:\\chime.wav" },
          { 102, 104, 107 }, kIntervalLabels, "10", WithTest(kModuleOff), "C:\\chime.wav" },
        { "once every 15 minutes with a file name", true, { 1, 0, 900, 0, "C:\\Sounds\\chime.wav" },
          { 101, 104, 107 }, kIntervalLabels, "15", WithTest(kOncePerInterval), "C:\\Sounds\\chime.wav" },
        { "Japanese file name", true, { 1, 0, 3600, 1, Ansi("C:\\サウンド\\時報.wav") },
          { 101, 104, 108 }, kIntervalLabels, "60", WithTest(kOncePerInterval),
          Ansi("C:\\サウンド\\時報.wav") },
    };
    for (const OpeningCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        if (c.stored)
            Store(c.settings);
        LoadModule();
        int result = RunSetting([&](HWND dialog) {
            EXPECT_EQ(WindowText(dialog), Ansi("時報モジュール"));
            EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
            EXPECT_EQ(CheckedButtons(dialog, kRadioButtons), c.checked);
            EXPECT_EQ(ListItems(dialog, IDC_INTERVAL), c.items);
            EXPECT_EQ(ListSelection(dialog, IDC_INTERVAL), c.selection);
            EXPECT_EQ(EnabledControls(dialog, kControls), c.enabled);
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WAVE_NAME)), c.edit);
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, 0);
        UnloadModule();
    }
}

struct WindowPosCall {
    HWND window;
    HWND after;
    int x, y, cx, cy;
    UINT flags;
};
std::vector<WindowPosCall> windowPosCalls;
ImportHook* windowPosHook;

// Records the call and passes it on.
BOOL WINAPI RecordSetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    {
        std::lock_guard<std::mutex> hold(recordLock);
        windowPosCalls.push_back({ window, after, x, y, cx, cy, flags });
    }
    typedef BOOL(WINAPI * SetWindowPosFn)(HWND, HWND, int, int, int, int, UINT);
    return reinterpret_cast<SetWindowPosFn>(windowPosHook->original)(window, after, x, y, cx, cy, flags);
}

// The context-help style is a frame style: the frame is told of it at once,
// and nothing else about the window changes.
TEST_F(SettingsDialogTest, ContextHelpStyleReachesTheFrame)
{
    ImportHook windowPos;
    LoadModule();
    windowPosCalls.clear();
    ASSERT_TRUE(windowPos.Install(module.handle, "user32.dll", "SetWindowPos", 0,
                                  reinterpret_cast<void*>(RecordSetWindowPos)));
    windowPosHook = &windowPos;
    HWND shown = NULL;
    RunSetting([&](HWND dialog) {
        shown = dialog;
        EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
        Click(dialog, IDCANCEL);
    });
    windowPos.Remove();
    std::lock_guard<std::mutex> hold(recordLock);
    ASSERT_EQ(windowPosCalls.size(), 1u);
    const WindowPosCall& call = windowPosCalls[0];
    EXPECT_EQ(call.window, shown);
    EXPECT_EQ(call.flags, (UINT)(SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                                 SWP_FRAMECHANGED));
}

// ------------------------------------------------------------ enable rules

struct ClickStep {
    const char* name;
    int click;
    std::set<int> checked;
    std::set<int> enabled;
    std::vector<std::string> items;
    std::string selection;
};

TEST_F(SettingsDialogTest, EnableRulesFollowEachClick)
{
    // Module on, once every 15 minutes, with a file name: Test stays
    // enabled throughout, whatever the module rules do.
    const ClickStep steps[] = {
        { "strike the hour", 105, { 101, 105, 107 }, WithTest(kStrikeTheHour), kStrikeLabels, "None" },
        { "24-hour count", 108, { 101, 105, 108 }, WithTest(kStrikeTheHour), kStrikeLabels, "None" },
        { "module off", 102, { 102, 105, 108 }, WithTest(kModuleOff), kStrikeLabels, "None" },
        { "module on, striking", 101, { 101, 105, 108 }, WithTest(kStrikeTheHour), kStrikeLabels, "None" },
        { "once per interval", 104, { 101, 104, 108 }, WithTest(kOncePerInterval), kIntervalLabels, "None" },
        { "module off again", 102, { 102, 104, 108 }, WithTest(kModuleOff), kIntervalLabels, "None" },
        { "module on, once per interval", 101, { 101, 104, 108 }, WithTest(kOncePerInterval), kIntervalLabels, "None" },
    };
    Store({ 1, 0, 900, 0, "C:\\chime.wav" });
    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        for (const ClickStep& step : steps) {
            SCOPED_TRACE(step.name);
            Click(dialog, step.click);
            EXPECT_EQ(CheckedButtons(dialog, kRadioButtons), step.checked);
            EXPECT_EQ(EnabledControls(dialog, kControls), step.enabled);
            EXPECT_EQ(ListItems(dialog, IDC_INTERVAL), step.items);
            EXPECT_EQ(ListSelection(dialog, IDC_INTERVAL), step.selection);
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
}

struct RefillCase {
    const char* name;
    StoredSettings settings;
    int click;  // the signal type that is already checked
    std::vector<std::string> items;
};

// A click on the checked signal type refills the list and selects "None",
// dropping the interval chosen before; OK then stores "none".
TEST_F(SettingsDialogTest, ClickOnTheCheckedSignalTypeSelectsNone)
{
    const RefillCase cases[] = {
        { "once per interval", { 1, 0, 900, 0, "" }, 104, kIntervalLabels },
        { "strike the hour", { 1, 1, 3600, 0, "" }, 105, kStrikeLabels },
    };
    for (const RefillCase& c : cases) {
        SCOPED_TRACE(c.name);
        Store(c.settings);
        LoadModule();
        int result = RunSetting([&](HWND dialog) {
            ChooseListItem(dialog, IDC_INTERVAL, "30");
            EXPECT_EQ(ListSelection(dialog, IDC_INTERVAL), "30");
            Click(dialog, c.click);
            EXPECT_EQ(ListItems(dialog, IDC_INTERVAL), c.items);
            EXPECT_EQ(ListSelection(dialog, IDC_INTERVAL), "None");
            Click(dialog, IDOK);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(StoredNumber("Interval"), -1);
        EXPECT_EQ(StoredNumber("SignalType"), (LONG)c.settings.signalType);
        UnloadModule();
    }
}

TEST_F(SettingsDialogTest, TestButtonFollowsTheFileNameAlsoWithTheModuleOff)
{
    Store({ 1, 0, 60, 0, "C:\\chime.wav" });
    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        HWND test = GetDlgItem(dialog, IDC_TEST);
        EXPECT_TRUE(IsWindowEnabled(test));
        ClearEdit(dialog, IDC_WAVE_NAME);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WAVE_NAME)), "");
        EXPECT_FALSE(IsWindowEnabled(test));
        Type(dialog, IDC_WAVE_NAME, "b");
        EXPECT_TRUE(IsWindowEnabled(test));

        Click(dialog, IDC_MODULE_OFF);
        EXPECT_TRUE(IsWindowEnabled(test)) << "the module rules leave Test alone";
        Click(dialog, IDC_MODULE_ON);
        ClearEdit(dialog, IDC_WAVE_NAME);
        Click(dialog, IDC_MODULE_OFF);
        EXPECT_FALSE(IsWindowEnabled(test));
        Click(dialog, IDC_MODULE_ON);
        EXPECT_FALSE(IsWindowEnabled(test));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
}

// ------------------------------------------------------------ ending

// The changes that the ending tests make before they end the dialog.
void ChangeEverything(HWND dialog)
{
    Click(dialog, IDC_SIGNAL_STRIKE);
    Click(dialog, IDC_HOURS_24);
    ChooseListItem(dialog, IDC_INTERVAL, "60");
    ClearEdit(dialog, IDC_WAVE_NAME);
    Type(dialog, IDC_WAVE_NAME, "C:\\new chime.wav");
}

struct EndingCase {
    const char* name;
    void (*end)(HWND dialog);
};

void PressCancel(HWND dialog) { Click(dialog, IDCANCEL); }

// Cancel, Esc and the close box end with 0 and change nothing: not the
// record, not the registry, and the minute timer runs again exactly when
// it ran before Setting.
TEST_F(SettingsDialogTest, CancelEscAndCloseBoxLeaveEverythingAsItWas)
{
    const EndingCase endings[] = {
        { "Cancel", PressCancel },
        { "Esc", PressEscape },
        { "close box", CloseBox },
    };
    const StoredSettings before = { 1, 0, 300, 0, "C:\\old.wav" };
    for (const EndingCase& ending : endings) {
        for (bool running : { true, false }) {
            SCOPED_TRACE(std::string(ending.name) + (running ? ", timer running" : ", timer stopped"));
            DeleteSettingsKey();
            Store(before);
            std::vector<std::vector<BYTE>> raw = RawValues();
            LoadModule();
            if (running)
                ASSERT_EQ(startModule(), 1);
            int result = RunSetting([&](HWND dialog) {
                ChangeEverything(dialog);
                Click(dialog, IDC_MODULE_OFF);
                ending.end(dialog);
            });
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(RawValues() == raw) << "the registry was written";
            EXPECT_EQ(isModuleEnable(), 1);
            EXPECT_EQ(stopModule() != 0, running) << "StopModule tells whether a timer ran";
            // Unloading writes the record: it still holds the old settings.
            UnloadModule();
            ExpectStored(before);
        }
    }
}

struct OkCase {
    const char* name;
    bool turnOff;
};

// OK stores every control, also the disabled ones when the module is
// turned off, and arms the timer only when the module is on.
TEST_F(SettingsDialogTest, OkStoresEveryControl)
{
    const OkCase cases[] = { { "module turned off", true }, { "module left on", false } };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        Store({ 1, 0, 300, 0, "C:\\old.wav" });
        LoadModule();
        ASSERT_EQ(startModule(), 1);
        int result = RunSetting([&](HWND dialog) {
            ChangeEverything(dialog);
            if (c.turnOff)
                Click(dialog, IDC_MODULE_OFF);
            Click(dialog, IDOK);
        });
        EXPECT_EQ(result, 1);
        DWORD size = 0;
        EXPECT_EQ(StoredWave(&size), "C:\\new chime.wav");
        EXPECT_EQ(size, (DWORD)MAX_PATH);
        ExpectStored({ c.turnOff ? 0u : 1u, 1, 3600, 1, "C:\\new chime.wav" });
        EXPECT_EQ(isModuleEnable(), c.turnOff ? 0 : 1);
        EXPECT_EQ(stopModule() != 0, !c.turnOff) << "the timer runs exactly when the module is on";
        UnloadModule();
    }
}

TEST_F(SettingsDialogTest, TypedNameOf260CharactersIsStoredAsItsFirst259)
{
    std::string typed;
    for (int i = 0; i < 261; i++)
        typed += (char)('a' + i % 26);
    Store({ 1, 0, 60, 0, "" });
    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        Type(dialog, IDC_WAVE_NAME, typed);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WAVE_NAME)), typed.substr(0, 260))
            << "the edit takes 260 characters";
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(StoredWave(), typed.substr(0, 259));
}

std::string Repeat(const std::string& text, int count)
{
    std::string repeated;
    for (int i = 0; i < count; i++)
        repeated += text;
    return repeated;
}

struct LongNameCase {
    const char* name;
    std::string typed;
    std::string stored;
};

// The edit counts characters, so double-byte text may exceed the field:
// OK stores at most 259 bytes that end on a whole character, and the name
// survives the unload and the next load.
TEST_F(SettingsDialogTest, LongNameIsStoredOnAWholeCharacterAndKept)
{
    const std::string hyo = "\x95\x5C";  // 表
    const std::string so = "\x83\x5C";   // ソ
    const LongNameCase cases[] = {
        {"130 x hyo: 260 bytes", Repeat(hyo, 130), Repeat(hyo, 129)},
        {"300 x so: the edit takes 260 of them", Repeat(so, 300), Repeat(so, 129)},
        {"single-byte, 258 bytes", std::string(258, 'a'), std::string(258, 'a')},
        {"single-byte, 259 bytes", std::string(259, 'a'), std::string(259, 'a')},
        {"double-byte ending at 258 bytes", Repeat(hyo, 129), Repeat(hyo, 129)},
        {"double-byte ending at 259 bytes", "a" + Repeat(hyo, 129), "a" + Repeat(hyo, 129)},
        {"double-byte character over byte 259", std::string(258, 'a') + hyo, std::string(258, 'a')},
        {"double-byte ending at 261 bytes", "a" + Repeat(hyo, 130), "a" + Repeat(hyo, 129)},
    };
    for (const LongNameCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        Store({ 1, 0, 60, 0, "" });
        LoadModule();
        ClearRecords();
        int result = RunSetting([&](HWND dialog) {
            Type(dialog, IDC_WAVE_NAME, c.typed);
            // Test plays the name as OK will store it.
            Click(dialog, IDC_TEST);
            Click(dialog, IDOK);
        });
        EXPECT_EQ(result, 1);
        {
            std::lock_guard<std::mutex> hold(recordLock);
            ASSERT_EQ(soundCalls.size(), 1u);
            EXPECT_EQ(soundCalls[0].name, c.stored) << "played";
        }
        DWORD size = 0;
        EXPECT_EQ(StoredWave(&size), c.stored);
        EXPECT_EQ(size, (DWORD)MAX_PATH);
        UnloadModule();
        EXPECT_EQ(StoredWave(), c.stored) << "after the unload";
        LoadModule();
        UnloadModule();
        EXPECT_EQ(StoredWave(), c.stored) << "after the next load and unload";
    }
}

// Setting called while its dialog is open opens no second dialog, returns
// 0 at once and changes nothing; the open dialog then ends as usual.
TEST_F(SettingsDialogTest, SettingWhileTheDialogIsOpenChangesNothing)
{
    const StoredSettings before = { 1, 0, 300, 0, "C:\\old.wav" };
    for (int ok = 0; ok <= 1; ok++) {
        SCOPED_TRACE(ok ? "then OK" : "then Cancel");
        DeleteSettingsKey();
        Store(before);
        std::vector<std::vector<BYTE>> raw = RawValues();
        LoadModule();
        ASSERT_EQ(startModule(), 1);
        int inner = -2;
        BOOL moduleTimerArmed = TRUE;
        int result = RunSetting([&](HWND dialog) {
            ChangeEverything(dialog);
            ASSERT_TRUE(CallFromTheDialogLoop(host.handle, [&] {
                inner = setting();
                // The module's timer is killed while its dialog is open.
                moduleTimerArmed = KillTimer(host.handle, 5000);
            })) << "the second Setting did not return";
            EXPECT_EQ(inner, 0);
            EXPECT_FALSE(moduleTimerArmed);
            EXPECT_TRUE(RawValues() == raw) << "the registry was written";
            EXPECT_EQ(isModuleEnable(), 1);
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WAVE_NAME)), "C:\\new chime.wav");
            Click(dialog, ok ? IDOK : IDCANCEL);
        });
        EXPECT_EQ(result, ok);
        if (ok)
            ExpectStored({ 1, 1, 3600, 1, "C:\\new chime.wav" });
        else
            EXPECT_TRUE(RawValues() == raw);
        EXPECT_NE(stopModule(), 0) << "the timer runs again after either ending";
        UnloadModule();
    }
}

// The host stops the module while the dialog is open, then the user
// cancels: the stop holds. Nothing sounds at the next minute boundary, and
// no timer is left to stop. Waits for one minute boundary.
TEST_F(SettingsDialogTest, StopModuleWhileTheDialogIsOpenHoldsAfterCancel)
{
    Store({ 1, 0, 60, 0, "C:\\chime.wav" });
    LoadModule();
    ASSERT_EQ(startModule(), 1);
    int stopped = -1;
    int result = RunSetting([&](HWND dialog) {
        ASSERT_TRUE(CallFromTheDialogLoop(host.handle, [&] { stopped = stopModule(); }));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    EXPECT_NE(stopped, 0) << "answered as for the running timer it stopped";
    ClearRecords();
    PumpMessages(PastNextBoundaryMs());
    EXPECT_TRUE(soundCalls.empty()) << "a chime after the host stopped the module";
    EXPECT_EQ(stopModule(), 0) << "a timer was left running";
}

// The host starts the module while the dialog is open: the timer stays
// stopped while the dialog is open, and Cancel gives the host the running
// timer it asked for.
TEST_F(SettingsDialogTest, StartModuleWhileTheDialogIsOpenArmsOnlyAfterCancel)
{
    Store({ 1, 0, 60, 0, "C:\\chime.wav" });
    LoadModule();
    int started = -1;
    BOOL armedDuringDialog = TRUE;
    int result = RunSetting([&](HWND dialog) {
        ASSERT_TRUE(CallFromTheDialogLoop(host.handle, [&] {
            started = startModule();
            armedDuringDialog = KillTimer(host.handle, 5000);
        }));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(started, 1) << "answered as outside the dialog";
    EXPECT_FALSE(armedDuringDialog) << "the timer was armed while the dialog was open";
    EXPECT_NE(stopModule(), 0) << "Cancel did not give back the timer the host asked for";
}

// A host frees the module from a message that the dialog's loop dispatches
// (as a host that unloads on WM_ENDSESSION does). The dialog goes on
// working and ends as usual, Setting returns into the host, no access
// violation happens anywhere in the process, and once the host's loop runs
// again the module is unmapped: no thread of it holds a reference, and its
// timer is gone with it.
TEST_F(SettingsDialogTest, FreeLibraryWhileTheDialogIsOpenUnloadsTheModuleAfterIt)
{
    const StoredSettings before = { 1, 0, 300, 0, "C:\\old.wav" };
    for (int ok = 0; ok <= 1; ok++) {
        SCOPED_TRACE(ok ? "then OK" : "then Cancel");
        DeleteSettingsKey();
        Store(before);
        LoadModule();
        ASSERT_EQ(startModule(), 1);
        HMODULE handle = module.handle;
        AccessViolationWatch watch;
        int result = RunSetting([&](HWND dialog) {
            ASSERT_TRUE(CallFromTheDialogLoop(host.handle, [&] { FreeLibrary(handle); }));
            ChangeEverything(dialog);
            Click(dialog, ok ? IDOK : IDCANCEL);
        });
        EXPECT_EQ(result, ok);
        EXPECT_TRUE(PumpUntilUnmapped()) << "the module stayed mapped";
        EXPECT_EQ(watch.Count(), 0);
        // The host freed it already: nothing is left to unhook or free.
        htmlHelp.Abandon();
        playSound.Abandon();
        openFile.Abandon();
        module.handle = NULL;
        EXPECT_EQ(KillTimer(host.handle, 5000), 0) << "its timer outlived it";
        if (ok)
            ExpectStored({ 1, 1, 3600, 1, "C:\\new chime.wav" });
        else
            ExpectStored(before);
    }
}

// The settings dialog of a stand-in host process, owned by its main
// window; waited for up to a minute, since a process starting under load
// takes its time. Null when none appears.
HWND WaitForHostDialog(HWND hostWindow)
{
    HWND dialog = NULL;
    for (int tries = 0; tries < 12 && !dialog; tries++)
        dialog = WaitForDialog(GetWindowThreadProcessId(hostWindow, NULL), hostWindow);
    return dialog;
}

// Another host process saved through its own dialog after this one loaded
// its settings. The dialog here shows what is stored now, and OK after a
// change of the file name alone keeps the other host's interval.
TEST_F(SettingsDialogTest, DialogShowsWhatAnotherHostSavedAndOkKeepsIt)
{
    Store({ 1, 0, 60, 0, "C:\\old.wav" });
    LoadModule();
    ProcessRun other;
    ASSERT_TRUE(Launch(&other, "saving-host", "standin_host.exe", { "--run", "150", "--settings" }, 0,
                       180000));
    ASSERT_TRUE(AwaitLog(other, "Setting ...", 60000)) << LogText(other);
    HWND otherWindow = FindWindowA("StandinHostWindow", NULL);
    ASSERT_NE(otherWindow, nullptr);
    HWND otherDialog = WaitForHostDialog(otherWindow);
    ASSERT_NE(otherDialog, nullptr) << LogText(other);
    ChooseListItem(otherDialog, IDC_INTERVAL, "15");
    Click(otherDialog, IDOK);
    ASSERT_TRUE(AwaitLog(other, "Setting returned 1", 30000)) << LogText(other);
    EXPECT_EQ(StoredNumber("Interval"), 900);

    int result = RunSetting([&](HWND dialog) {
        EXPECT_EQ(ListSelection(dialog, IDC_INTERVAL), "15");
        ClearEdit(dialog, IDC_WAVE_NAME);
        Type(dialog, IDC_WAVE_NAME, "C:\\new chime.wav");
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    const StoredSettings saved = { 1, 0, 900, 0, "C:\\new chime.wav" };
    ExpectStored(saved);

    // The other host ends, then this one: each unload keeps what was saved.
    PostMessageA(otherWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(AwaitEnd({ &other }, 120000));
    EXPECT_EQ(ExitCode(other), 0) << LogText(other);
    ExpectStored(saved);
    UnloadModule();
    ExpectStored(saved);
}

// A second host process loaded the module before this one's user saved
// through the dialog; its unload afterwards keeps what was saved.
TEST_F(SettingsDialogTest, AnotherHostsUnloadKeepsWhatOkSaved)
{
    const StoredSettings before = { 1, 0, 300, 0, "C:\\old.wav" };
    const StoredSettings saved = { 1, 1, 3600, 1, "C:\\new chime.wav" };
    Store(before);
    ProcessRun other;
    ASSERT_TRUE(Launch(&other, "second-host", "standin_host.exe", { "--run", "90" }, 0, 120000));
    ASSERT_TRUE(AwaitLog(other, "StartModule returned", 30000)) << LogText(other);

    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        ChangeEverything(dialog);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    ExpectStored(saved);

    // The other host ends as when its user closes it: it stops and unloads.
    HWND otherWindow = FindWindowA("StandinHostWindow", NULL);
    EXPECT_NE(otherWindow, nullptr);
    PostMessageA(otherWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(AwaitEnd({ &other }, 120000));
    EXPECT_EQ(ExitCode(other), 0) << LogText(other);
    EXPECT_EQ(LogLines(LogText(other), "module unloaded").size(), 1u) << LogText(other);
    ExpectStored(saved);
    UnloadModule();
    ExpectStored(saved);
}

// A stored interval that the list shown has no row for leaves the combo
// box without a selection; OK keeps that interval as it is.
TEST_F(SettingsDialogTest, OkWithoutASelectedIntervalKeepsTheStoredInterval)
{
    Store({ 1, 1, 300, 0, "C:\\chime.wav" });
    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        EXPECT_EQ(ListSelection(dialog, IDC_INTERVAL), "");
        Click(dialog, IDC_HOURS_24);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    ExpectStored({ 1, 1, 300, 1, "C:\\chime.wav" });
}

// ------------------------------------------------------------ actions

TEST_F(SettingsDialogTest, TestPlaysWhatTheEditHoldsWithoutStoringIt)
{
    Store({ 0, 0, -1, 0, "C:\\stored.wav" });
    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        ClearEdit(dialog, IDC_WAVE_NAME);
        Type(dialog, IDC_WAVE_NAME, "C:\\try this.wav");
        Click(dialog, IDC_TEST);
        {
            std::lock_guard<std::mutex> hold(recordLock);
            ASSERT_EQ(soundCalls.size(), 1u);
            EXPECT_EQ(soundCalls[0].name, "C:\\try this.wav");
            EXPECT_EQ(soundCalls[0].module, nullptr);
            EXPECT_EQ(soundCalls[0].flags, 0x2001u) << "SND_ASYNC | SND_NOWAIT";
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    ExpectStored({ 0, 0, -1, 0, "C:\\stored.wav" });
}

// The current directory differs from the module's folder throughout: the
// help file is found beside the module all the same.
class HelpTest : public SettingsDialogTest {
protected:
    char savedDirectory[MAX_PATH] = "";

    void SetUp() override
    {
        SettingsDialogTest::SetUp();
        GetCurrentDirectoryA(sizeof(savedDirectory), savedDirectory);
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        SetCurrentDirectoryA(temp);
    }

    void TearDown() override
    {
        SetCurrentDirectoryA(savedDirectory);
        SettingsDialogTest::TearDown();
    }
};

TEST_F(HelpTest, HelpButtonOpensTheHelpFileBesideTheModule)
{
    Store({ 1, 1, 1800, 0, "" });
    LoadModule();
    std::string expected = ModuleFolder() + "Chimora.chm";
    EXPECT_NE(GetFileAttributesA(expected.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the build puts the help file beside the module";
    int result = RunSetting([&](HWND dialog) {
        Click(dialog, IDC_HELP_BUTTON);
        {
            std::lock_guard<std::mutex> hold(recordLock);
            EXPECT_EQ(helpCalls.size(), 1u);
            if (helpCalls.size() == 1) {
                EXPECT_EQ(helpCalls[0].caller, dialog);
                EXPECT_EQ(helpCalls[0].file, expected);
                EXPECT_EQ(helpCalls[0].command, (UINT)HH_DISPLAY_TOPIC);
                EXPECT_EQ(helpCalls[0].data, 0u);
            }
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
}

// Moves the mouse pointer and waits until the system reports it there.
bool MoveMouse(POINT to)
{
    SetCursorPos(to.x, to.y);
    for (int waited = 0; waited < 2000; waited += 10) {
        POINT at;
        if (GetCursorPos(&at) && at.x == to.x && at.y == to.y)
            return true;
        Sleep(10);
    }
    return false;
}

// F1 on a control that has a popup topic asks HTML Help for the topic of
// that control's id at the mouse position; the others get no popup, and
// WM_HELP goes on to the host window by default processing.
TEST_F(HelpTest, F1ShowsThePopupTopicOfTheControl)
{
    Store({ 1, 1, 1800, 0, "C:\\chime.wav" });  // every control enabled
    LoadModule();
    std::string expected = ModuleFolder() + "Chimora.chm::/popup.txt";
    int result = RunSetting([&](HWND dialog) {
        for (const HelpControl& c : kContextHelpControls) {
            SCOPED_TRACE(c.name);
            ClearRecords();
            POINT mouse = { 150 + c.id % 100, 120 };
            ASSERT_TRUE(MoveMouse(mouse));
            PressF1(dialog, c.id);
            std::lock_guard<std::mutex> hold(recordLock);
            EXPECT_TRUE(helpAtHost.empty());
            ASSERT_EQ(helpCalls.size(), 1u);
            const HelpCall& call = helpCalls[0];
            EXPECT_EQ(call.caller, dialog);
            EXPECT_EQ(call.file, expected);
            EXPECT_EQ(call.command, (UINT)HH_DISPLAY_TEXT_POPUP);
            EXPECT_EQ(call.popup.cbStruct, 52);
            EXPECT_EQ(call.popup.hinst, nullptr);
            EXPECT_EQ(call.popup.idString, (UINT)c.id);
            EXPECT_EQ(call.popup.pszText, nullptr);
            EXPECT_EQ(call.popup.pt.x, mouse.x);
            EXPECT_EQ(call.popup.pt.y, mouse.y);
            EXPECT_EQ(call.popup.clrForeground, (COLORREF)-1);
            EXPECT_EQ(call.popup.clrBackground, (COLORREF)-1);
            EXPECT_EQ(call.popup.rcMargins.left, -1);
            EXPECT_EQ(call.popup.rcMargins.top, -1);
            EXPECT_EQ(call.popup.rcMargins.right, -1);
            EXPECT_EQ(call.popup.rcMargins.bottom, -1);
            EXPECT_EQ(call.popup.pszFont, nullptr);
        }
        for (const HelpControl& c : kControlsWithoutHelp) {
            SCOPED_TRACE(c.name);
            ClearRecords();
            PressF1(dialog, c.id);
            std::lock_guard<std::mutex> hold(recordLock);
            EXPECT_TRUE(helpCalls.empty());
            EXPECT_EQ(helpAtHost, std::vector<int>{ c.id }) << "WM_HELP was handled";
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
}

// A module folder so deep that the popup path would not fit its 260 bytes:
// the popup is not asked for, while the shorter help path still is.
struct DeepFolderCase {
    const char* name;
    size_t folderLength;  // without the trailing backslash
    bool popupFits;
};

// Makes a folder of exactly length characters below base; "" on failure.
std::string MakeFolderOfLength(const std::string& base, size_t length)
{
    std::string folder = base.substr(0, base.size() - 1);  // drop the backslash
    while (folder.size() < length) {
        size_t part = length - folder.size() - 1;
        if (part > 100)
            part = 100;
        if (part == 0)
            return "";
        folder += "\\" + std::string(part, (char)('a' + folder.size() % 26));
        CreateDirectoryA(folder.c_str(), NULL);
    }
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "";
    return folder;
}

TEST_F(HelpTest, DeepModuleFolderGoesWithoutThePopupPathItCannotForm)
{
    // The module's own path is the folder plus 12 characters, the help
    // path as long, the popup path 12 more.
    const DeepFolderCase cases[] = {
        { "popup path of 259 characters", 235, true },
        { "popup path of 260 characters", 236, false },
        { "popup path of 271 characters", 247, false },
    };
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    for (const DeepFolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        CreateDirectoryA((std::string(temp) + "deep").c_str(), NULL);
        std::string folder = MakeFolderOfLength(std::string(temp) + "deep\\", c.folderLength);
        ASSERT_FALSE(folder.empty());
        std::string copy = folder + "\\Chimora.vxm";
        ASSERT_TRUE(CopyFileA(ModulePath().c_str(), copy.c_str(), FALSE)) << copy;
        DeleteSettingsKey();
        LoadModuleFrom(copy);
        EXPECT_EQ(ModuleFolder(), folder + "\\");
        int result = RunSetting([&](HWND dialog) {
            ClearRecords();
            PressF1(dialog, IDC_INTERVAL);
            {
                std::lock_guard<std::mutex> hold(recordLock);
                if (c.popupFits) {
                    ASSERT_EQ(helpCalls.size(), 1u);
                    EXPECT_EQ(helpCalls[0].file, folder + "\\Chimora.chm::/popup.txt");
                    EXPECT_EQ(helpCalls[0].file.size(), 259u);
                    EXPECT_TRUE(helpAtHost.empty());
                } else {
                    EXPECT_TRUE(helpCalls.empty());
                    EXPECT_EQ(helpAtHost, std::vector<int>{ IDC_INTERVAL });
                }
            }
            ClearRecords();
            Click(dialog, IDC_HELP_BUTTON);
            {
                std::lock_guard<std::mutex> hold(recordLock);
                ASSERT_EQ(helpCalls.size(), 1u);
                EXPECT_EQ(helpCalls[0].file, folder + "\\Chimora.chm");
                EXPECT_EQ(helpCalls[0].command, (UINT)HH_DISPLAY_TOPIC);
            }
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, 0);
        UnloadModule();
        DeleteFileA(copy.c_str());
    }
}

// ------------------------------------------------------------ browse

// The chooser opened by "...", found among the settings dialog's windows.
HWND WaitForChooser(HWND dialog)
{
    return WaitForDialog(GetWindowThreadProcessId(dialog, NULL), dialog);
}

BOOL CALLBACK FindEdit(HWND window, LPARAM param)
{
    char name[16];
    if (GetClassNameA(window, name, sizeof(name)) && lstrcmpiA(name, "Edit") == 0) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

// The chooser's file-name field: the edit inside its combo box (cmb13),
// or the plain edit of the older layout (edt1).
HWND ChooserNameField(HWND chooser)
{
    HWND field = GetDlgItem(chooser, cmb13);
    HWND edit = NULL;
    if (!field)
        return GetDlgItem(chooser, edt1);
    EnumChildWindows(field, FindEdit, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

// Types file into the chooser's name field, as the user does, and presses
// its open button.
void OpenInChooser(HWND chooser, const std::string& file)
{
    HWND name = ChooserNameField(chooser);
    ASSERT_NE(name, nullptr);
    for (unsigned char ch : file)
        SendMessageA(name, WM_CHAR, ch, 1);
    Click(chooser, IDOK);
}

void ExpectChooserRecord(const OpenFileCall& call, HWND dialog, const std::string& file)
{
    // Formed at run time from UTF-16; under code page 932 these bytes.
    ASSERT_EQ(GetACP(), 932u);
    const std::string filter("Wave\x83\x54\x83\x45\x83\x93\x83\x68 (*.wav)\0*.wav\0", 27);
    EXPECT_EQ(call.fields.lStructSize, 88u);
    EXPECT_EQ(call.fields.hwndOwner, dialog);
    EXPECT_EQ(call.fields.hInstance, nullptr);
    EXPECT_EQ(call.filter, filter);
    EXPECT_EQ(call.fields.lpstrCustomFilter, nullptr);
    EXPECT_EQ(call.fields.nFilterIndex, 1u);
    EXPECT_EQ(call.file, file);
    EXPECT_EQ(call.fields.nMaxFile, 260u);
    EXPECT_EQ(call.fields.lpstrFileTitle, nullptr);
    EXPECT_EQ(call.title, Ansi("サウンドファイルの設定"));
    EXPECT_EQ(call.fields.Flags, (DWORD)(OFN_READONLY | OFN_HIDEREADONLY));
    EXPECT_EQ(call.fields.lpstrDefExt, nullptr);
    EXPECT_EQ(call.fields.lpfnHook, nullptr);
    EXPECT_EQ(call.fields.lpTemplateName, nullptr);
    EXPECT_EQ(call.fields.FlagsEx, 0u);
}

std::string AppDataFolder()
{
    char folder[MAX_PATH] = "";
    EXPECT_EQ(SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, 0, folder), S_OK);
    return folder;
}

TEST_F(SettingsDialogTest, BrowseThenCancelKeepsTheFileName)
{
    Store({ 1, 0, 60, 0, "C:\\Sounds\\old.wav" });
    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        PostClick(dialog, IDC_BROWSE);
        HWND chooser = WaitForChooser(dialog);
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(WindowText(chooser), Ansi("サウンドファイルの設定"));
        Click(chooser, IDCANCEL);
        EXPECT_TRUE(WaitUntilClosed(chooser));
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WAVE_NAME)), "C:\\Sounds\\old.wav");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_TEST)));
        {
            std::lock_guard<std::mutex> hold(recordLock);
            ASSERT_EQ(openFileCalls.size(), 1u);
            ExpectChooserRecord(openFileCalls[0], dialog, "C:\\Sounds\\old.wav");
            EXPECT_EQ(openFileCalls[0].initialDir, AppDataFolder() + "\\Nordale\\Vantry");
        }
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    ExpectStored({ 1, 0, 60, 0, "C:\\Sounds\\old.wav" });
}

TEST_F(SettingsDialogTest, BrowseAndChooseFillsTheEditButNotTheRecord)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string chosen = std::string(temp) + "chosen chime.wav";
    HANDLE file = CreateFileA(chosen.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    Store({ 1, 0, 60, 0, "" });
    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_TEST)));
        PostClick(dialog, IDC_BROWSE);
        HWND chooser = WaitForChooser(dialog);
        ASSERT_NE(chooser, nullptr);
        OpenInChooser(chooser, chosen);
        EXPECT_TRUE(WaitUntilClosed(chooser));
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WAVE_NAME)), chosen);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_TEST)));
        {
            std::lock_guard<std::mutex> hold(recordLock);
            ASSERT_EQ(openFileCalls.size(), 1u);
            ExpectChooserRecord(openFileCalls[0], dialog, "");
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    UnloadModule();
    ExpectStored({ 1, 0, 60, 0, "" });
    DeleteFileA(chosen.c_str());
}

// The Japanese readme's install steps, followed on the stand-in host as a
// new user follows them: a fresh install, the module and its help copied
// into a module folder of their own with the package's sounds beside them,
// the host started anew, then in the settings: use the module, keep "once
// at every step", an interval of 1, signal.wav through "...", Test, 了解.
// Test plays the sound once before OK; the next minute boundary plays it
// again, and the host's unload keeps what the user chose.
TEST_F(SettingsDialogTest, ReadmeInstallStepsEndInAChime)
{
    DeleteSettingsKey();
    const std::string folder = BuildFile("runs") + "\\readme-install\\";
    const std::string sound = folder + "sounds\\signal.wav";
    CreateDirectoryA(BuildFile("runs").c_str(), NULL);
    CreateDirectoryA(folder.c_str(), NULL);
    CreateDirectoryA((folder + "sounds").c_str(), NULL);
    ASSERT_TRUE(CopyFileA(ModulePath().c_str(), (folder + "Chimora.vxm").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuildFile("Chimora.chm").c_str(), (folder + "Chimora.chm").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuildFile("signal.wav").c_str(), sound.c_str(), FALSE));

    // Keep the test's play and the minute's apart: start well before a
    // boundary (the timer cannot fire while the dialog is open anyway).
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (now.wSecond > 30)
        Sleep(PastNextBoundaryMs() - 2000);

    ProcessRun host;
    ASSERT_TRUE(Launch(&host, "readme-host", "standin_host.exe",
                       { "--module", folder + "Chimora.vxm", "--run", "180", "--settings" }, 0, 240000));
    ASSERT_TRUE(AwaitLog(host, "Setting ...", 60000)) << LogText(host);
    HWND hostWindow = FindWindowA("StandinHostWindow", NULL);
    ASSERT_NE(hostWindow, nullptr);
    // Whatever fails below, the host is closed and its module let go.
    struct HostCloser {
        HWND window;
        ProcessRun* run;
        ~HostCloser()
        {
            if (ExitCode(*run) == -1) {
                PostMessageA(window, WM_CLOSE, 0, 0);
                AwaitEnd({ run }, 120000);
            }
        }
    } closer = { hostWindow, &host };
    HWND dialog = WaitForHostDialog(hostWindow);
    ASSERT_NE(dialog, nullptr) << LogText(host);

    Click(dialog, IDC_MODULE_ON);
    EXPECT_EQ(CheckedButtons(dialog, { IDC_SIGNAL_ONCE, IDC_SIGNAL_STRIKE }), std::set<int>{ IDC_SIGNAL_ONCE });
    // (The list's own messages do not cross processes intact under Wine;
    // its window text is the selected item's.)
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_INTERVAL)), "None") << "a fresh install never sounds";
    ChooseListItem(dialog, IDC_INTERVAL, "1");
    PostClick(dialog, IDC_BROWSE);
    HWND chooser = WaitForChooser(dialog);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(WindowText(chooser), Ansi("サウンドファイルの設定"));
    OpenInChooser(chooser, sound);
    ASSERT_TRUE(WaitUntilClosed(chooser));
    // The host's thread fills in the name after the chooser has gone.
    for (int waited = 0; waited < 5000 && WindowText(GetDlgItem(dialog, IDC_WAVE_NAME)) != sound; waited += 50)
        Sleep(50);
    ASSERT_EQ(WindowText(GetDlgItem(dialog, IDC_WAVE_NAME)), sound);

    // Test: one whole play, while the dialog stays open.
    Click(dialog, IDC_TEST);
    LONGLONG onePlay = 0;
    for (int waited = 0; waited < 20000; waited += 250) {
        Sleep(250);
        LONGLONG bytes = SinkBytes(host);
        if (bytes > 0 && bytes == onePlay)
            break;
        onePlay = bytes;
    }
    ASSERT_GT(onePlay, 0) << "Test played nothing";
    ASSERT_TRUE(IsWindow(dialog));

    Click(dialog, IDOK);
    ASSERT_TRUE(AwaitLog(host, "Setting returned 1", 30000)) << LogText(host);
    Sleep(PastNextBoundaryMs() + 2000);
    EXPECT_FALSE(LogLines(LogText(host), "timer 5000").empty()) << LogText(host);
    double plays = static_cast<double>(SinkBytes(host)) / onePlay;
    EXPECT_GT(plays, 1.8) << "no chime at the minute: " << SinkBytes(host) << " bytes";
    EXPECT_LT(plays, 2.2) << SinkBytes(host) << " bytes, " << onePlay << " per play";

    PostMessageA(hostWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(AwaitEnd({ &host }, 120000));
    EXPECT_EQ(ExitCode(host), 0) << LogText(host);
    ExpectStored({ 1, 0, 60, 0, sound });
}

// The user's application-data folder, as the shell keeps it.
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

struct StartFolderCase {
    const char* name;
    size_t appDataLength;  // 0: the folder as the prefix has it
    bool fits;
};

// The chooser starts in "Nordale\Vantry" below the application-data
// folder; a start folder that would not fit its 260 bytes is left out.
TEST_F(SettingsDialogTest, BrowseStartsBelowTheApplicationDataFolderWhenThePathFits)
{
    const StartFolderCase cases[] = {
        { "application-data folder of the prefix", 0, true },
        { "start folder of 259 characters", 244, true },
        { "start folder of 260 characters", 245, false },
    };
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    char saved[1024] = "";
    DWORD savedSize = sizeof(saved);
    DWORD savedType = 0;
    ASSERT_EQ(RegQueryValueExA(key, "AppData", NULL, &savedType, (BYTE*)saved, &savedSize), ERROR_SUCCESS);
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    CreateDirectoryA((std::string(temp) + "appdata").c_str(), NULL);

    for (const StartFolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        Store({ 1, 0, 60, 0, "" });
        std::string appData;
        if (c.appDataLength) {
            appData = MakeFolderOfLength(std::string(temp) + "appdata\\", c.appDataLength);
            ASSERT_FALSE(appData.empty());
            RegSetValueExA(key, "AppData", 0, REG_EXPAND_SZ, (const BYTE*)appData.c_str(),
                           (DWORD)appData.size() + 1);
        }
        if (c.appDataLength)
            ASSERT_EQ(AppDataFolder(), appData);
        else
            appData = AppDataFolder();
        std::string expected = c.fits ? appData + "\\Nordale\\Vantry" : "";

        LoadModule();
        int result = RunSetting([&](HWND dialog) {
            PostClick(dialog, IDC_BROWSE);
            HWND chooser = WaitForChooser(dialog);
            ASSERT_NE(chooser, nullptr);
            Click(chooser, IDCANCEL);
            EXPECT_TRUE(WaitUntilClosed(chooser));
            {
                std::lock_guard<std::mutex> hold(recordLock);
                ASSERT_EQ(openFileCalls.size(), 1u);
                EXPECT_EQ(openFileCalls[0].initialDir, expected);
                EXPECT_NE(openFileCalls[0].fields.lpstrInitialDir, nullptr);
            }
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, 0);
        UnloadModule();
        ClearRecords();
        RegSetValueExA(key, "AppData", 0, savedType, (const BYTE*)saved, savedSize);
    }
    RegCloseKey(key);
}

// ------------------------------------------------------------ look

// Only a button of Common Controls 6 answers BCM_GETIDEALSIZE; user32's
// classic button leaves it to default processing, which gives 0.
bool AnswersIdealSize(HWND button)
{
    SIZE size = { 0, 0 };
    return button && SendMessageA(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&size))
        && size.cx > 0 && size.cy > 0;
}

// A push button made by this program on the calling thread.
bool HostButtonAnswersIdealSize(HWND host)
{
    HWND button = CreateWindowA("Button", "host", WS_CHILD | BS_PUSHBUTTON, 0, 0, 80, 24, host, NULL,
                                GetModuleHandleA(NULL), NULL);
    EXPECT_NE(button, nullptr);
    bool answers = AnswersIdealSize(button);
    DestroyWindow(button);
    return answers;
}

// The buttons of the dialog: push buttons and radio buttons.
const int kButtons[] = { IDOK, IDCANCEL, 101, 102, 104, 105, 107, 108, 115, 116, 117 };

// In a host without a manifest, the dialog and the chooser still get the
// controls the module's manifest names, and the host's own windows made
// afterwards are as before.
TEST_F(SettingsDialogTest, ButtonsAreCommonControls6InAHostWithoutAManifest)
{
    ASSERT_EQ(FindResourceA(NULL, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)), nullptr)
        << "this test program must have no manifest of its own";
    ASSERT_FALSE(HostButtonAnswersIdealSize(host.handle)) << "the host's buttons are already version 6";
    Store({ 1, 1, 1800, 0, "C:\\chime.wav" });  // every button enabled
    LoadModule();
    int result = RunSetting([&](HWND dialog) {
        for (int id : kButtons)
            EXPECT_TRUE(AnswersIdealSize(GetDlgItem(dialog, id))) << "button " << id;
        PostClick(dialog, IDC_BROWSE);
        HWND chooser = WaitForChooser(dialog);
        ASSERT_NE(chooser, nullptr);
        EXPECT_TRUE(AnswersIdealSize(GetDlgItem(chooser, IDOK))) << "the chooser's OK";
        EXPECT_TRUE(AnswersIdealSize(GetDlgItem(chooser, IDCANCEL))) << "the chooser's Cancel";
        Click(chooser, IDCANCEL);
        EXPECT_TRUE(WaitUntilClosed(chooser));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(HostButtonAnswersIdealSize(host.handle)) << "the module's context stayed active";
}

// ------------------------------------------------------------ help file

// The HTML Help storage of the platform (itss.dll), through which HTML
// Help reads compiled help files. Its interface has no public header; the
// methods up to the one used here, in their order:
struct ITStorage;
struct ITStorageMethods {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(ITStorage*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(ITStorage*);
    ULONG(STDMETHODCALLTYPE* Release)(ITStorage*);
    HRESULT(STDMETHODCALLTYPE* StgCreateDocfile)(ITStorage*, const WCHAR*, DWORD, DWORD, IStorage**);
    HRESULT(STDMETHODCALLTYPE* StgCreateDocfileOnILockBytes)(ITStorage*, ILockBytes*, DWORD, DWORD, IStorage**);
    HRESULT(STDMETHODCALLTYPE* StgIsStorageFile)(ITStorage*, const WCHAR*);
    HRESULT(STDMETHODCALLTYPE* StgIsStorageILockBytes)(ITStorage*, ILockBytes*);
    HRESULT(STDMETHODCALLTYPE* StgOpenStorage)(ITStorage*, const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**);
};
struct ITStorage {
    const ITStorageMethods* methods;
};
const CLSID kClsidITStorage = { 0x5d02926a, 0x212e, 0x11d0, { 0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec } };
const IID kIidITStorage = { 0x88cc31de, 0x27ab, 0x11d0, { 0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec } };

// One file of the compiled help file beside the module, read through the
// platform's HTML Help storage; "" when it is missing.
std::string ReadFromHelpFile(const std::string& inner)
{
    std::string path = TestFolder() + "Chimora.chm";
    WCHAR widePath[MAX_PATH];
    WCHAR wideInner[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
    MultiByteToWideChar(CP_ACP, 0, inner.c_str(), -1, wideInner, MAX_PATH);

    std::string content;
    ITStorage* its = NULL;
    IStorage* storage = NULL;
    IStream* stream = NULL;
    if (FAILED(CoCreateInstance(kClsidITStorage, NULL, CLSCTX_INPROC_SERVER, kIidITStorage,
                                reinterpret_cast<void**>(&its))))
        return content;
    if (SUCCEEDED(its->methods->StgOpenStorage(its, widePath, NULL, STGM_READ | STGM_SHARE_DENY_WRITE,
                                               NULL, 0, &storage))) {
        if (SUCCEEDED(storage->OpenStream(wideInner, NULL, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
            char buffer[4096];
            ULONG read = 0;
            while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &read)) && read > 0)
                content.append(buffer, read);
            stream->Release();
        }
        storage->Release();
    }
    its->methods->Release(its);
    return content;
}

// The popup file as Windows' help compiler stores one: CRLF line ends, and a
// ".topic N" line with text after it for each of the 13 context-help ids.
TEST(HelpFile, HoldsOnePopupTopicForEachContextHelpIdWithCrlfLineEnds)
{
    CoInitialize(NULL);
    std::string popup = ReadFromHelpFile("popup.txt");
    ASSERT_FALSE(popup.empty()) << "popup.txt is missing from Chimora.chm";
    ASSERT_EQ(popup.substr(popup.size() - 2), "\r\n") << "the last line has no CRLF";
    std::vector<std::string> lines;
    for (size_t at = 0; at < popup.size();) {
        size_t end = popup.find("\r\n", at);
        if (end == std::string::npos)
            break;
        lines.push_back(popup.substr(at, end - at));
        at = end + 2;
    }
    std::vector<int> topics;
    for (size_t i = 0; i < lines.size(); i++) {
        const std::string& line = lines[i];
        SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + line);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "a line end other than CRLF";
        if (line.compare(0, 7, ".topic ") != 0)
            continue;
        topics.push_back(atoi(line.c_str() + 7));
        EXPECT_EQ(line, ".topic " + std::to_string(topics.back())) << "a topic line holds only its number";
        EXPECT_TRUE(i + 1 < lines.size() && !lines[i + 1].empty() && lines[i + 1][0] != '.')
            << "topic without text";
    }
    std::vector<int> wanted;
    for (const HelpControl& c : kContextHelpControls)
        wanted.push_back(c.id);
    EXPECT_EQ(topics, wanted);
    CoUninitialize();
}

// #SYSTEM holds records of a 16-bit code and a 16-bit length after a
// 32-bit version; code 2 names the default topic.
TEST(HelpFile, HasAJapaneseDefaultTopic)
{
    CoInitialize(NULL);
    std::string system = ReadFromHelpFile("#SYSTEM");
    ASSERT_GT(system.size(), 4u) << "no #SYSTEM in Chimora.chm";
    std::string topic;
    for (size_t at = 4; at + 4 <= system.size();) {
        WORD code = *reinterpret_cast<const WORD*>(system.data() + at);
        WORD length = *reinterpret_cast<const WORD*>(system.data() + at + 2);
        if (code == 2)
            topic = std::string(system.data() + at + 4, length).c_str();
        at += 4 + length;
    }
    ASSERT_FALSE(topic.empty()) << "no default topic";
    std::string page = ReadFromHelpFile(topic);
    EXPECT_NE(page.find(Ansi("時報モジュールの設定")), std::string::npos);
    for (const char* label : { "時報音の鳴らし方", "時間制", "時報間隔", "WAVﾌｧｲﾙ名", "テスト" })
        EXPECT_NE(page.find(Ansi(label)), std::string::npos) << label;
    CoUninitialize();
}

}  // namespace

// The tray program's quiet-hours dialog as a user meets it: the program's
// GUI thread runs RunQuietDialog with the dialog's own resources linked in,
// and a second thread reads the controls, clicks, chooses and types with
// the messages that a user's input produces. Afterwards the tests look at
// the result, the caller's choice and the registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/dialog_driver.h"
#include "tests/quiet_registry.h"
#include "tests/test_support.h"
#include "tray/quiet_dialog.h"
#include "tray/quiet_dialog_ids.h"

namespace {

// Every control, in template order, and the ones the check box greys.
const std::vector<int> kControls = {
    201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214, IDOK, IDCANCEL,
};
const std::set<int> kAll(kControls.begin(), kControls.end());
const std::set<int> kRangeOff = { 201, 213, 214, IDOK, IDCANCEL };
const std::vector<int> kCheckBoxes = { IDC_QUIET_ENABLE, IDC_QUIET_WHEN_LOCKED,
                                       IDC_QUIET_FULL_SCREEN };

std::set<int> Without(std::set<int> ids, int id)
{
    ids.erase(id);
    return ids;
}

// "00", "01", ... up to count - 1.
std::vector<std::string> Numbers(int count)
{
    std::vector<std::string> labels;
    for (int n = 0; n < count; n++) {
        char label[8];
        snprintf(label, sizeof(label), "%02d", n);
        labels.push_back(label);
    }
    return labels;
}

// The times as the four lists show them.
struct ShownTimes {
    std::string startHour, startMinute, endHour, endMinute;
    bool operator==(const ShownTimes& o) const
    {
        return startHour == o.startHour && startMinute == o.startMinute && endHour == o.endHour
            && endMinute == o.endMinute;
    }
};

void PrintTo(const ShownTimes& t, std::ostream* out)
{
    *out << t.startHour << ":" << t.startMinute << " to " << t.endHour << ":" << t.endMinute;
}

ShownTimes Times(HWND dialog)
{
    return { ListSelection(dialog, IDC_QUIET_START_HOUR), ListSelection(dialog, IDC_QUIET_START_MINUTE),
             ListSelection(dialog, IDC_QUIET_END_HOUR), ListSelection(dialog, IDC_QUIET_END_MINUTE) };
}

void ChooseTimes(HWND dialog, const ShownTimes& t)
{
    ChooseListItem(dialog, IDC_QUIET_START_HOUR, t.startHour);
    ChooseListItem(dialog, IDC_QUIET_START_MINUTE, t.startMinute);
    ChooseListItem(dialog, IDC_QUIET_END_HOUR, t.endHour);
    ChooseListItem(dialog, IDC_QUIET_END_MINUTE, t.endMinute);
}

// The window with the keyboard focus on the dialog's thread.
HWND Focus(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info);
    return info.hwndFocus;
}

// Waits up to two seconds for what a posted key leads to.
bool Eventually(const std::function<bool()>& done)
{
    for (int waited = 0; waited < 2000; waited += 10) {
        if (done())
            return true;
        Sleep(10);
    }
    return done();
}

// A key as the keyboard gives it to the control with the focus; the
// dialog's loop sees it before the control does.
void PressKey(HWND dialog, UINT down, UINT character, WPARAM key, LPARAM flags)
{
    HWND focus = Focus(dialog);
    if (down)
        PostMessageA(focus, down, key, flags);
    if (character)
        PostMessageA(focus, character, key, flags);
}

void PressAlt(HWND dialog, char letter)
{
    PressKey(dialog, 0, WM_SYSCHAR, (WPARAM)letter, 0x20000001);
}

std::string Text(HWND dialog, int id)
{
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

// The dialog ended with OK, and want is both the caller's choice and what
// the registry holds.
void ExpectStoredOnOk(INT_PTR result, const QuietHours& quiet, const QuietHours& want)
{
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(quiet, want);
    QuietHours stored = {};
    ASSERT_TRUE(ReadQuietDwords(&stored));
    EXPECT_EQ(stored, want);
}

// ------------------------------------------------------------ fixture

class QuietDialogTest : public testing::Test {
protected:
    HostWindow host;

    void SetUp() override { ASSERT_NE(host.handle, nullptr); }

    void TearDown() override { DeleteQuietKey(); }

    // A fresh key holding stored (no key for null), and the choice the
    // program loads from it to give the dialog.
    QuietHours StoreAndLoad(const QuietHours* stored)
    {
        DeleteQuietKey();
        if (stored)
            WriteQuietDwords(*stored);
        QuietHours quiet;
        LoadQuietHours(&quiet);
        return quiet;
    }

    QuietHours StoreAndLoad(const QuietHours& stored) { return StoreAndLoad(&stored); }

    // Runs the dialog on this thread over *quiet, driven by drive.
    INT_PTR Run(QuietHours* quiet, BOOL fullScreenAvailable,
                const std::function<void(HWND dialog)>& drive)
    {
        return RunWithDialog(host.handle, [&] {
            return (int)RunQuietDialog(GetModuleHandleA(NULL), host.handle, quiet,
                                       fullScreenAvailable);
        }, drive);
    }
};

// ------------------------------------------------------------ opening

struct OpeningCase {
    const char* name;
    bool stored;  // false: no key
    QuietHours choice;
    BOOL fullScreenAvailable;
    std::set<int> checked;
    ShownTimes times;
    std::set<int> enabled;
};

TEST_F(QuietDialogTest, ShowsTheStoredChoice)
{
    const OpeningCase cases[] = {
        { "nothing stored", false, {}, TRUE, {}, { "22", "00", "07", "00" }, kRangeOff },
        { "on, 23:45 to 06:30, when locked", true, { 1, 1425, 390, 1, 0 }, TRUE, { 201, 213 },
          { "23", "45", "06", "30" }, kAll },
        { "on, 23:59 to 00:00, full screen", true, { 1, 1439, 0, 0, 1 }, TRUE, { 201, 214 },
          { "23", "59", "00", "00" }, kAll },
        { "off, 01:00 to 02:00, both options, full screen not available", true,
          { 0, 60, 120, 1, 1 }, FALSE, { 213, 214 }, { "01", "00", "02", "00" },
          Without(kRangeOff, 214) },
        { "on, full screen off and not available", true, { 1, 0, 1439, 0, 0 }, FALSE, { 201 },
          { "00", "00", "23", "59" }, Without(kAll, 214) },
    };
    for (const OpeningCase& c : cases) {
        SCOPED_TRACE(c.name);
        QuietHours quiet = StoreAndLoad(c.stored ? &c.choice : nullptr);
        INT_PTR result = Run(&quiet, c.fullScreenAvailable, [&](HWND dialog) {
            EXPECT_EQ(CheckedButtons(dialog, kCheckBoxes), c.checked);
            EXPECT_EQ(Times(dialog), c.times);
            EXPECT_EQ(EnabledControls(dialog, kControls), c.enabled);
            EXPECT_EQ(ListItems(dialog, IDC_QUIET_START_HOUR), Numbers(24));
            EXPECT_EQ(ListItems(dialog, IDC_QUIET_END_HOUR), Numbers(24));
            EXPECT_EQ(ListItems(dialog, IDC_QUIET_START_MINUTE), Numbers(60));
            EXPECT_EQ(ListItems(dialog, IDC_QUIET_END_MINUTE), Numbers(60));
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, IDCANCEL);
    }
}

// The texts in the system code page, byte for byte: a resource script read
// in the wrong encoding gives other bytes. 表 (0x95 0x5C) ends in a
// backslash byte.
TEST_F(QuietDialogTest, JapaneseTextsInCodePage932)
{
    ASSERT_EQ(GetACP(), 932u) << "the tests run with LANG=ja_JP.UTF-8";
    const struct { int id; const char* text; } texts[] = {
        { IDC_QUIET_ENABLE, "\x8e\x9e\x95\xf1\x82\xf0\x96\xc2\x82\xe7\x82\xb3\x82\xc8\x82\xa2"
                            "\x8e\x9e\x8a\xd4\x91\xd1\x82\xf0\x8e\x67\x82\xa4(&Q)" },
        { IDC_QUIET_START_LABEL, "\x8a\x4a\x8e\x6e(&S):" },
        { IDC_QUIET_START_HOUR_UNIT, "\x8e\x9e" },
        { IDC_QUIET_START_MINUTE_UNIT, "\x95\xaa" },
        { IDC_QUIET_END_LABEL, "\x8f\x49\x97\xb9(&E):" },
        { IDC_QUIET_END_HOUR_UNIT, "\x8e\x9e" },
        { IDC_QUIET_END_MINUTE_UNIT, "\x95\xaa" },
        { IDC_QUIET_END_NOTE, "\x8f\x49\x97\xb9\x8e\x9e\x8d\x8f\x82\xbf\x82\xe5\x82\xa4\x82\xc7"
                              "\x82\xcc\x8e\x9e\x95\xf1\x82\xcd\x96\xc2\x82\xe8\x82\xdc\x82\xb7"
                              "\x81\x42" },
        { IDC_QUIET_WHEN_LOCKED, "\x89\xe6\x96\xca\x82\xcc\x83\x8d\x83\x62\x83\x4e\x92\x86\x82\xcd"
                                 "\x96\xc2\x82\xe7\x82\xb3\x82\xc8\x82\xa2(&L)" },
        { IDC_QUIET_FULL_SCREEN, "\x91\x53\x89\xe6\x96\xca\x95\x5c\x8e\xa6\x82\xe2\x83\x76\x83\x8c"
                                 "\x83\x5b\x83\x93\x83\x65\x81\x5b\x83\x56\x83\x87\x83\x93\x82\xcc"
                                 "\x8a\xd4\x82\xcd\x96\xc2\x82\xe7\x82\xb3\x82\xc8\x82\xa2(&F)" },
        { IDOK, "\x97\xb9\x89\xf0" },
        { IDCANCEL, "\x8e\xe6\x8f\xc1" },
    };
    QuietHours quiet = StoreAndLoad(nullptr);
    Run(&quiet, TRUE, [&](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), "\x8e\x9e\x95\xf1\x82\xf0\x96\xc2\x82\xe7\x82\xb3\x82\xc8"
                                      "\x82\xa2\x8e\x9e\x8a\xd4\x91\xd1");
        for (const auto& t : texts) {
            SCOPED_TRACE(t.id);
            EXPECT_EQ(Text(dialog, t.id), t.text);
        }
        Click(dialog, IDCANCEL);
    });
}

// ------------------------------------------------------------ enable rules

TEST_F(QuietDialogTest, TheCheckBoxGreysTheTimes)
{
    const struct { const char* name; BOOL fullScreenAvailable; std::set<int> on, off; } cases[] = {
        { "full screen available", TRUE, kAll, kRangeOff },
        { "full screen not available", FALSE, Without(kAll, 214), Without(kRangeOff, 214) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QuietHours quiet = StoreAndLoad(nullptr);
        Run(&quiet, c.fullScreenAvailable, [&](HWND dialog) {
            EXPECT_EQ(EnabledControls(dialog, kControls), c.off);
            Click(dialog, IDC_QUIET_ENABLE);
            EXPECT_EQ(EnabledControls(dialog, kControls), c.on);
            Click(dialog, IDC_QUIET_ENABLE);
            EXPECT_EQ(EnabledControls(dialog, kControls), c.off);
            Click(dialog, IDCANCEL);
        });
    }
}

// ------------------------------------------------------------ ending

// Ends the dialog with OK as a user does: the button, or Enter anywhere.
void ClickOk(HWND dialog)
{
    Click(dialog, IDOK);
}

void PressEnter(HWND dialog)
{
    PressKey(dialog, WM_KEYDOWN, 0, VK_RETURN, 1);
}

struct OkCase {
    const char* name;
    bool stored;
    QuietHours before;
    std::vector<int> clicks;
    ShownTimes times;
    void (*end)(HWND dialog);
    QuietHours after;
};

TEST_F(QuietDialogTest, OkStoresTheChoice)
{
    const OkCase cases[] = {
        { "everything on, from nothing stored", false, {}, { 201, 213, 214 },
          { "23", "15", "05", "45" }, ClickOk, { 1, 1395, 345, 1, 1 } },
        { "everything off", true, { 1, 1425, 390, 1, 1 }, { 201, 213, 214 },
          { "23", "45", "06", "30" }, ClickOk, { 0, 1425, 390, 0, 0 } },
        { "times only, the last and first minute", true, { 1, 1320, 420, 0, 1 }, {},
          { "23", "59", "00", "00" }, ClickOk, { 1, 1439, 0, 0, 1 } },
        { "a range within the day, with Enter", true, { 1, 1320, 420, 1, 0 }, { 213 },
          { "09", "00", "17", "30" }, PressEnter, { 1, 540, 1050, 0, 0 } },
        { "nothing changed, stored anew", false, {}, {}, { "22", "00", "07", "00" }, ClickOk,
          { 0, 1320, 420, 0, 0 } },
    };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.name);
        QuietHours quiet = StoreAndLoad(c.stored ? &c.before : nullptr);
        INT_PTR result = Run(&quiet, TRUE, [&](HWND dialog) {
            // The times are chosen while the lists are enabled.
            bool on = IsDlgButtonChecked(dialog, IDC_QUIET_ENABLE) == BST_CHECKED;
            if (!on)
                Click(dialog, IDC_QUIET_ENABLE);
            ChooseTimes(dialog, c.times);
            if (!on)
                Click(dialog, IDC_QUIET_ENABLE);
            for (int id : c.clicks)
                Click(dialog, id);
            c.end(dialog);
        });
        ExpectStoredOnOk(result, quiet, c.after);
    }
}

// Greyed but checked where the system cannot tell: OK keeps it.
TEST_F(QuietDialogTest, OkKeepsTheGreyedFullScreenOption)
{
    QuietHours quiet = StoreAndLoad({ 0, 1320, 420, 0, 1 });
    INT_PTR result = Run(&quiet, FALSE, [&](HWND dialog) {
        Click(dialog, IDC_QUIET_WHEN_LOCKED);
        Click(dialog, IDOK);
    });
    ExpectStoredOnOk(result, quiet, { 0, 1320, 420, 1, 1 });
}

void ClickCancel(HWND dialog)
{
    Click(dialog, IDCANCEL);
}

TEST_F(QuietDialogTest, CancelStoresNothing)
{
    const struct { const char* name; bool stored; void (*end)(HWND); } cases[] = {
        { "Cancel, nothing stored", false, ClickCancel },
        { "Cancel", true, ClickCancel },
        { "Esc", true, PressEscape },
        { "the close box", true, CloseBox },
    };
    const QuietHours before = { 1, 1425, 390, 1, 0 };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QuietHours quiet = StoreAndLoad(c.stored ? &before : nullptr);
        const QuietHours loaded = quiet;
        const std::vector<std::string> raw = QuietRawValues();
        INT_PTR result = Run(&quiet, TRUE, [&](HWND dialog) {
            Click(dialog, IDC_QUIET_WHEN_LOCKED);
            Click(dialog, IDC_QUIET_FULL_SCREEN);
            if (IsDlgButtonChecked(dialog, IDC_QUIET_ENABLE) != BST_CHECKED)
                Click(dialog, IDC_QUIET_ENABLE);
            ChooseTimes(dialog, { "01", "02", "03", "04" });
            Click(dialog, IDC_QUIET_ENABLE);
            c.end(dialog);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(quiet, loaded);
        EXPECT_EQ(QuietRawValues(), raw);
        EXPECT_EQ(QuietKeyExists(), c.stored);
    }
}

// ------------------------------------------------------------ equal times

// The message box that OK opens over the dialog: its text, and its caption,
// which is the dialog's. Closes it with its OK button.
void ExpectRefusal(HWND dialog)
{
    HWND box = WaitForDialog(GetWindowThreadProcessId(dialog, NULL), dialog);
    ASSERT_NE(box, nullptr) << "no message";
    EXPECT_EQ(WindowText(box), WindowText(dialog));
    // Message boxes show their text in the static control 0xFFFF.
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)),
              "\x8a\x4a\x8e\x6e\x82\xc6\x8f\x49\x97\xb9\x82\xaa\x93\xaf\x82\xb6\x8e\x9e\x8d\x8f"
              "\x82\xc5\x82\xb7\x81\x42\x95\xca\x82\xcc\x8e\x9e\x8d\x8f\x82\xf0\x91\x49\x82\xf1"
              "\x82\xc5\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42");
    Click(box, IDOK);
    EXPECT_TRUE(WaitUntilClosed(box));
}

TEST_F(QuietDialogTest, EqualTimesAreRefusedAndTheDialogStaysOpen)
{
    // Refused, then mended: the end moves on by 30 minutes.
    const struct { const char* name; ShownTimes equal; QuietHours want; } cases[] = {
        { "at the stored start", { "22", "00", "22", "00" }, { 1, 1320, 1350, 1, 0 } },
        { "both at midnight", { "00", "00", "00", "00" }, { 1, 0, 30, 1, 0 } },
    };
    const QuietHours before = { 1, 1320, 420, 1, 0 };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QuietHours quiet = StoreAndLoad(before);
        const std::vector<std::string> raw = QuietRawValues();
        INT_PTR result = Run(&quiet, TRUE, [&](HWND dialog) {
            ChooseTimes(dialog, c.equal);
            // The message is modal: the click is posted, not waited for.
            PostClick(dialog, IDOK);
            ExpectRefusal(dialog);
            EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog closed";
            HWND endHour = GetDlgItem(dialog, IDC_QUIET_END_HOUR);
            EXPECT_TRUE(Eventually([&] { return Focus(dialog) == endHour; }))
                << "the focus is on " << GetDlgCtrlID(Focus(dialog));
            EXPECT_EQ(QuietRawValues(), raw) << "stored before the refusal was mended";
            EXPECT_EQ(quiet, before);
            // Mended, OK goes through.
            ChooseListItem(dialog, IDC_QUIET_END_MINUTE, "30");
            Click(dialog, IDOK);
        });
        ExpectStoredOnOk(result, quiet, c.want);
    }
}

// With quiet hours off the times are greyed and cannot be mended: equal
// ones give way to the times shown at first, without a message.
TEST_F(QuietDialogTest, EqualTimesWithQuietHoursOffKeepTheFirstTimes)
{
    QuietHours quiet = StoreAndLoad({ 1, 1380, 360, 0, 0 });
    INT_PTR result = Run(&quiet, TRUE, [&](HWND dialog) {
        ChooseTimes(dialog, { "12", "00", "12", "00" });
        Click(dialog, IDC_QUIET_ENABLE);
        Click(dialog, IDOK);
    });
    ExpectStoredOnOk(result, quiet, { 0, 1380, 360, 0, 0 });
}

// ------------------------------------------------------------ keyboard

// Tab goes through the usable controls in reading order and round again.
TEST_F(QuietDialogTest, TabOrder)
{
    const struct { const char* name; DWORD enable; std::vector<int> order; } cases[] = {
        { "quiet hours on", 1, { 201, 203, 205, 208, 210, 213, 214, IDOK, IDCANCEL, 201 } },
        { "quiet hours off", 0, { 201, 213, 214, IDOK, IDCANCEL, 201 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QuietHours quiet = StoreAndLoad({ c.enable, 1320, 420, 0, 0 });
        Run(&quiet, TRUE, [&](HWND dialog) {
            HWND control = Focus(dialog);
            EXPECT_EQ(control, GetDlgItem(dialog, IDC_QUIET_ENABLE)) << "the first focus";
            std::vector<int> order = { GetDlgCtrlID(control) };
            for (size_t i = 1; i < c.order.size(); i++) {
                control = GetNextDlgTabItem(dialog, control, FALSE);
                order.push_back(GetDlgCtrlID(control));
            }
            EXPECT_EQ(order, c.order);
            Click(dialog, IDCANCEL);
        });
    }
}

// Alt and a label's letter: a check box toggles and takes the focus, a
// time's label hands the focus to its hour list.
TEST_F(QuietDialogTest, Mnemonics)
{
    const struct { char letter; int focus; std::set<int> checked; } steps[] = {
        { 's', IDC_QUIET_START_HOUR, { 201 } },
        { 'e', IDC_QUIET_END_HOUR, { 201 } },
        { 'l', IDC_QUIET_WHEN_LOCKED, { 201, 213 } },
        { 'f', IDC_QUIET_FULL_SCREEN, { 201, 213, 214 } },
        { 'q', IDC_QUIET_ENABLE, { 213, 214 } },
    };
    QuietHours quiet = StoreAndLoad({ 1, 1320, 420, 0, 0 });
    INT_PTR result = Run(&quiet, TRUE, [&](HWND dialog) {
        for (const auto& step : steps) {
            SCOPED_TRACE(std::string("Alt+") + step.letter);
            PressAlt(dialog, step.letter);
            HWND want = GetDlgItem(dialog, step.focus);
            EXPECT_TRUE(Eventually([&] { return Focus(dialog) == want; }))
                << "the focus is on " << GetDlgCtrlID(Focus(dialog));
            EXPECT_TRUE(Eventually([&] { return CheckedButtons(dialog, kCheckBoxes) == step.checked; }));
        }
        EXPECT_EQ(EnabledControls(dialog, kControls), kRangeOff);
        Click(dialog, IDOK);
    });
    ExpectStoredOnOk(result, quiet, { 0, 1320, 420, 1, 1 });
}

}  // namespace

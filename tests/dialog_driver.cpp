#include "dialog_driver.h"

#include <gtest/gtest.h>

#include <thread>

// The system posts this to the window with the focus when F1 is pressed;
// its default processing sends WM_HELP.
static const UINT WM_KEYF1_MESSAGE = 0x004D;

enum { WAIT_LIMIT_MS = 5000, WAIT_STEP_MS = 10 };

struct DialogSearch {
    HWND owner;
    HWND found;
};

static BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM param)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(param);
    char name[16];

    if (GetClassNameA(window, name, sizeof(name)) && lstrcmpA(name, "#32770") == 0
        && GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(DWORD thread, HWND owner)
{
    for (int waited = 0; waited < WAIT_LIMIT_MS; waited += WAIT_STEP_MS) {
        DialogSearch search = { owner, NULL };
        EnumThreadWindows(thread, FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        Sleep(WAIT_STEP_MS);
    }
    return NULL;
}

bool WaitUntilClosed(HWND window)
{
    for (int waited = 0; waited < WAIT_LIMIT_MS; waited += WAIT_STEP_MS) {
        if (!IsWindow(window))
            return true;
        Sleep(WAIT_STEP_MS);
    }
    return !IsWindow(window);
}

static BOOL CALLBACK CollectDialogs(HWND window, LPARAM param)
{
    char name[16];
    if (GetClassNameA(window, name, sizeof(name)) && lstrcmpA(name, "#32770") == 0
        && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

// Cancels every dialog open on the thread, a chooser over the settings
// dialog included, so that a failed test does not hang.
static void CancelDialogs(DWORD thread)
{
    for (int round = 0; round < 50; round++) {
        std::vector<HWND> dialogs;
        EnumThreadWindows(thread, CollectDialogs, reinterpret_cast<LPARAM>(&dialogs));
        if (dialogs.empty())
            return;
        for (HWND dialog : dialogs)
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        Sleep(100);
    }
}

int RunWithDialog(HWND owner, const std::function<int()>& run,
                  const std::function<void(HWND dialog)>& drive)
{
    DWORD gui = GetCurrentThreadId();
    std::thread driver([&] {
        HWND dialog = WaitForDialog(gui, owner);
        if (!dialog) {
            ADD_FAILURE() << "the dialog did not appear";
            return;
        }
        drive(dialog);
        if (!WaitUntilClosed(dialog)) {
            ADD_FAILURE() << "the dialog was left open";
            CancelDialogs(gui);
        }
    });
    int result = run();
    driver.join();
    return result;
}

// A click reaches only a visible, enabled button.
static HWND ClickableButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    bool clickable = button && IsWindowVisible(button) && IsWindowEnabled(button);
    EXPECT_TRUE(clickable) << "control " << id << " cannot be clicked";
    return clickable ? button : NULL;
}

// A host timer that the dialog's modal loop dispatches on the GUI thread,
// as a host's own timers and messages are while the dialog is open.
struct HostCall {
    std::function<void()> call;
    HANDLE done;
};
static HostCall hostCall;

static void CALLBACK RunHostCall(HWND window, UINT message, UINT_PTR id, DWORD time)
{
    (void)message;
    (void)time;
    KillTimer(window, id);
    hostCall.call();
    SetEvent(hostCall.done);
}

bool CallFromTheDialogLoop(HWND host, const std::function<void()>& call)
{
    const UINT_PTR hostTimer = 1;
    hostCall.call = call;
    hostCall.done = CreateEventA(NULL, TRUE, FALSE, NULL);
    bool ran = SetTimer(host, hostTimer, 10, RunHostCall) != 0
        && WaitForSingleObject(hostCall.done, 10000) == WAIT_OBJECT_0;
    CloseHandle(hostCall.done);
    return ran;
}

void Click(HWND dialog, int id)
{
    SendMessageA(ClickableButton(dialog, id), BM_CLICK, 0, 0);
}

void PostClick(HWND dialog, int id)
{
    PostMessageA(ClickableButton(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, int id, const std::string& text)
{
    HWND edit = GetDlgItem(dialog, id);
    for (unsigned char c : text)
        SendMessageA(edit, WM_CHAR, c, 1);
}

void ClearEdit(HWND dialog, int id)
{
    HWND edit = GetDlgItem(dialog, id);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 1);
}

// The window that has the keyboard focus on the dialog's thread.
static HWND FocusOf(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info);
    return info.hwndFocus ? info.hwndFocus : dialog;
}

void PressEscape(HWND dialog)
{
    HWND focus = FocusOf(dialog);
    PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(focus, WM_KEYUP, VK_ESCAPE, 0xC0000001);
}

void PressF1(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), WM_KEYF1_MESSAGE, 0, 0);
}

void CloseBox(HWND dialog)
{
    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void ChooseListItem(HWND dialog, int id, const std::string& label)
{
    HWND list = GetDlgItem(dialog, id);
    LRESULT index = SendMessageA(list, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)label.c_str());
    ASSERT_NE(index, CB_ERR) << label << " is not in the list";
    SendMessageA(list, WM_KEYDOWN, VK_HOME, 1);
    for (LRESULT i = 0; i < index; i++)
        SendMessageA(list, WM_KEYDOWN, VK_DOWN, 1);
}

std::set<int> EnabledControls(HWND dialog, const std::vector<int>& ids)
{
    std::set<int> enabled;
    for (int id : ids)
        if (IsWindowEnabled(GetDlgItem(dialog, id)))
            enabled.insert(id);
    return enabled;
}

std::set<int> CheckedButtons(HWND dialog, const std::vector<int>& ids)
{
    std::set<int> checked;
    for (int id : ids)
        if (SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED)
            checked.insert(id);
    return checked;
}

std::vector<std::string> ListItems(HWND dialog, int id)
{
    HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> items;
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        char text[256] = "";
        SendMessageA(list, CB_GETLBTEXT, i, (LPARAM)text);
        items.push_back(text);
    }
    return items;
}

std::string ListSelection(HWND dialog, int id)
{
    HWND list = GetDlgItem(dialog, id);
    LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return "";
    char text[256] = "";
    SendMessageA(list, CB_GETLBTEXT, index, (LPARAM)text);
    return text;
}

std::string WindowText(HWND window)
{
    // Asked of the window itself: for a window of another process,
    // GetWindowText gives the caption it was created with, not an edit's text.
    char text[1024] = "";
    SendMessageA(window, WM_GETTEXT, sizeof(text), (LPARAM)text);
    return text;
}

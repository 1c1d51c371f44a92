// The quiet-hours dialog of the tray program: shows a choice, lets the user
// edit it in the controls, and stores it only on OK.
#include "quiet_dialog.h"

#include "quiet_dialog_ids.h"

enum { HOURS_PER_DAY = 24, MINUTES_PER_HOUR = 60, MESSAGE_LIMIT = 256, CAPTION_LIMIT = 64 };

// The two lists that show one time of day.
struct TimeLists {
    int Hour;
    int Minute;
};

static const TimeLists StartLists = { IDC_QUIET_START_HOUR, IDC_QUIET_START_MINUTE };
static const TimeLists EndLists = { IDC_QUIET_END_HOUR, IDC_QUIET_END_MINUTE };

// What the quiet-hours check box enables and disables.
static const int RangeControls[] = {
    IDC_QUIET_START_LABEL, IDC_QUIET_START_HOUR, IDC_QUIET_START_HOUR_UNIT,
    IDC_QUIET_START_MINUTE, IDC_QUIET_START_MINUTE_UNIT,
    IDC_QUIET_END_LABEL, IDC_QUIET_END_HOUR, IDC_QUIET_END_HOUR_UNIT,
    IDC_QUIET_END_MINUTE, IDC_QUIET_END_MINUTE_UNIT, IDC_QUIET_END_NOTE,
};

// One run of the dialog: the module of its resources, the caller's choice,
// and whether the full-screen check works on this system. Kept in the
// dialog's DWLP_USER.
struct QuietDialogRun {
    HINSTANCE Instance;
    QuietHours* Quiet;
    BOOL FullScreenAvailable;
};

static BOOL IsChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

static void Check(HWND dialog, int id, DWORD on)
{
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// Fills list with the numbers 0 to count - 1, each as two digits, so the
// row of a number is the number.
static void FillNumbers(HWND dialog, int list, int count)
{
    char label[3];
    int n;

    label[2] = 0;
    for (n = 0; n < count; n++) {
        label[0] = (char)('0' + n / 10);
        label[1] = (char)('0' + n % 10);
        SendDlgItemMessageA(dialog, list, CB_ADDSTRING, 0, (LPARAM)label);
    }
}

// Fills the two lists and selects minuteOfDay's hour and minute.
static void ShowTime(HWND dialog, const TimeLists* lists, DWORD minuteOfDay)
{
    FillNumbers(dialog, lists->Hour, HOURS_PER_DAY);
    FillNumbers(dialog, lists->Minute, MINUTES_PER_HOUR);
    SendDlgItemMessageA(dialog, lists->Hour, CB_SETCURSEL, minuteOfDay / MINUTES_PER_HOUR, 0);
    SendDlgItemMessageA(dialog, lists->Minute, CB_SETCURSEL, minuteOfDay % MINUTES_PER_HOUR, 0);
}

// The time of day the two lists show, in minutes after midnight. Each list
// always has a selection: a drop-down list cannot be emptied by the user.
static DWORD ReadTime(HWND dialog, const TimeLists* lists)
{
    LRESULT hour = SendDlgItemMessageA(dialog, lists->Hour, CB_GETCURSEL, 0, 0);
    LRESULT minute = SendDlgItemMessageA(dialog, lists->Minute, CB_GETCURSEL, 0, 0);

    return (DWORD)(hour * MINUTES_PER_HOUR + minute);
}

// Greys the times while quiet hours are off.
static void EnableRange(HWND dialog)
{
    BOOL enable = IsChecked(dialog, IDC_QUIET_ENABLE);
    int i;

    for (i = 0; i < (int)ARRAYSIZE(RangeControls); i++)
        EnableWindow(GetDlgItem(dialog, RangeControls[i]), enable);
}

static INT_PTR OnInitDialog(HWND dialog, QuietDialogRun* run)
{
    const QuietHours* quiet = run->Quiet;

    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)run);
    Check(dialog, IDC_QUIET_ENABLE, quiet->Enable);
    ShowTime(dialog, &StartLists, quiet->Start);
    ShowTime(dialog, &EndLists, quiet->End);
    Check(dialog, IDC_QUIET_WHEN_LOCKED, quiet->WhenLocked);
    // Where the system cannot tell, the option shows the stored choice,
    // greyed, and OK keeps it.
    Check(dialog, IDC_QUIET_FULL_SCREEN, quiet->FullScreen);
    EnableWindow(GetDlgItem(dialog, IDC_QUIET_FULL_SCREEN), run->FullScreenAvailable);
    EnableRange(dialog);
    // Opened from the notification area, the dialog has no taskbar button
    // to be found by: it comes to the front.
    SetForegroundWindow(dialog);
    return TRUE;  // the focus goes to the first control, the check box
}

// Refuses an empty range with a message, the focus on the end's hour.
static void RefuseEqualTimes(HWND dialog, HINSTANCE instance)
{
    char message[MESSAGE_LIMIT];
    char caption[CAPTION_LIMIT];

    message[0] = 0;
    caption[0] = 0;
    LoadStringA(instance, IDS_QUIET_SAME_TIMES, message, sizeof(message));
    GetWindowTextA(dialog, caption, sizeof(caption));
    MessageBoxA(dialog, message, caption, MB_OK | MB_ICONEXCLAMATION);
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_QUIET_END_HOUR), TRUE);
}

// Takes the controls into the caller's choice and the registry, and ends
// the dialog; with quiet hours on and the start equal to the end, refuses
// and stays open.
static void OnOk(HWND dialog)
{
    QuietDialogRun* run = (QuietDialogRun*)GetWindowLongPtrA(dialog, DWLP_USER);
    QuietHours choice;

    choice.Enable = IsChecked(dialog, IDC_QUIET_ENABLE);
    choice.Start = ReadTime(dialog, &StartLists);
    choice.End = ReadTime(dialog, &EndLists);
    choice.WhenLocked = IsChecked(dialog, IDC_QUIET_WHEN_LOCKED);
    choice.FullScreen = IsChecked(dialog, IDC_QUIET_FULL_SCREEN);
    if (choice.Start == choice.End) {
        if (choice.Enable) {
            RefuseEqualTimes(dialog, run->Instance);
            return;
        }
        // Greyed, the times cannot be mended: the ones shown at the start
        // stay, and quiet hours are off.
        choice.Start = run->Quiet->Start;
        choice.End = run->Quiet->End;
    }
    *run->Quiet = choice;
    // A failed write leaves the choice in force until the program ends.
    SaveQuietHours(&choice);
    EndDialog(dialog, IDOK);
}

static INT_PTR CALLBACK QuietDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, (QuietDialogRun*)lParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_QUIET_ENABLE:
            if (HIWORD(wParam) == BN_CLICKED)
                EnableRange(dialog);
            return TRUE;
        case IDOK:
            OnOk(dialog);
            return TRUE;
        case IDCANCEL:  // also Esc and the caption's close button
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR RunQuietDialog(HINSTANCE instance, HWND owner, QuietHours* quiet, BOOL fullScreenAvailable)
{
    QuietDialogRun run;

    run.Instance = instance;
    run.Quiet = quiet;
    run.FullScreenAvailable = fullScreenAvailable;
    // -1 or 0 when the dialog could not be made: nothing was changed.
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_QUIET), owner, QuietDialogProc,
                        (LPARAM)&run) != IDOK)
        return IDCANCEL;
    return IDOK;
}

// The settings dialog: one modal run over the host window per Setting call.
// It shows the module's settings record, lets the user edit it in the
// controls, and writes the controls back into the record only on OK.
#include "settings_dialog.h"

#include "../module/environ.h"
#include "../module/module.h"
#include "../resources/resource_ids.h"
#include "../utilities/strings.h"
#include "module_context.h"

// No walk over an interval list goes further than this many rows.
enum { MAX_INTERVAL_ROWS = 100 };

// Limit of the file-name edit, in characters. The edit counts characters,
// so it may hold twice as many bytes of double-byte text.
enum { WAVE_NAME_LIMIT = 260, WAVE_TEXT_SIZE = WAVE_NAME_LIMIT * 2 + 1 };

const IntervalChoice IntervalModeList[] = {
    { "None", -1 },
    { "1",    60 },
    { "5",    300 },
    { "10",   600 },
    { "15",   900 },
    { "30",   1800 },
    { "60",   3600 },
    { "",     0 },
};

const IntervalChoice StrikeModeList[] = {
    { "None", -1 },
    { "30",   1800 },
    { "60",   3600 },
    { "",     0 },
};

// Controls that EnableModuleControls enables before and after the hour
// system, and that DisableModuleControls disables, in that order.
static const int SignalControls[] = { IDC_SIGNAL_GROUP, IDC_SIGNAL_ONCE, IDC_SIGNAL_STRIKE };
static const int SoundControls[] = {
    IDC_SOUND_GROUP, IDC_INTERVAL_LABEL, IDC_INTERVAL, IDC_MINUTES_LABEL,
    IDC_WAVE_LABEL, IDC_WAVE_NAME, IDC_BROWSE,
};
static const int HourSystemControls[] = { IDC_HOURS_GROUP, IDC_HOURS_12, IDC_HOURS_24 };
static const int ModuleControls[] = {
    IDC_SIGNAL_GROUP, IDC_SIGNAL_ONCE, IDC_SIGNAL_STRIKE, IDC_HOURS_GROUP,
    IDC_HOURS_12, IDC_HOURS_24, IDC_SOUND_GROUP, IDC_INTERVAL_LABEL,
    IDC_INTERVAL, IDC_MINUTES_LABEL, IDC_WAVE_LABEL, IDC_WAVE_NAME, IDC_BROWSE,
};

// The dialog object of the open dialog: set by WM_INITDIALOG, cleared
// around each run so that no message reaches the object of an earlier one.
static SettingsDialog* CurrentDialog = NULL;

// Enables or disables each control of ids, in order.
static void EnableControls(HWND dialog, const int* ids, int count, BOOL enable)
{
    int i;

    for (i = 0; i < count; i++)
        EnableWindow(GetDlgItem(dialog, ids[i]), enable);
}

static BOOL IsChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// Enables the hour-system controls when "strike the hour" is checked.
static void EnableHourSystem(HWND dialog)
{
    if (IsChecked(dialog, IDC_SIGNAL_STRIKE))
        EnableControls(dialog, HourSystemControls, ARRAYSIZE(HourSystemControls), TRUE);
}

// Disables the hour-system controls when "once per interval" is checked.
static void DisableHourSystem(HWND dialog)
{
    if (IsChecked(dialog, IDC_SIGNAL_ONCE))
        EnableControls(dialog, HourSystemControls, ARRAYSIZE(HourSystemControls), FALSE);
}

// Enables what the module being on makes usable; the hour system only
// for "strike the hour".
static void EnableModuleControls(HWND dialog)
{
    EnableControls(dialog, SignalControls, ARRAYSIZE(SignalControls), TRUE);
    EnableHourSystem(dialog);
    EnableControls(dialog, SoundControls, ARRAYSIZE(SoundControls), TRUE);
}

// Disables the controls 103 to 115. Test (116) follows the edit alone.
static void DisableModuleControls(HWND dialog)
{
    EnableControls(dialog, ModuleControls, ARRAYSIZE(ModuleControls), FALSE);
}

// Enables Test exactly while the file-name edit holds text.
static void UpdateTestButton(HWND dialog)
{
    char name[MAX_PATH];

    EnableWindow(GetDlgItem(dialog, IDC_TEST), ReadWaveName(dialog, name) > 0);
}

// The number of rows of list before its end row, at most MAX_INTERVAL_ROWS.
static int CountIntervalRows(const IntervalChoice* list)
{
    int count = 0;

    while (count < MAX_INTERVAL_ROWS && list[count].Label[0] != 0)
        count++;
    return count;
}

// Fills the interval combo box with the labels of list and selects the
// first row whose seconds equal key; no row, no selection.
static void FillIntervalList(HWND dialog, const IntervalChoice* list, LONG key)
{
    int count = CountIntervalRows(list);
    int i;

    SendDlgItemMessageA(dialog, IDC_INTERVAL, CB_RESETCONTENT, 0, 0);
    for (i = 0; i < count; i++)
        SendDlgItemMessageA(dialog, IDC_INTERVAL, CB_ADDSTRING, 0, (LPARAM)list[i].Label);
    for (i = 0; i < count; i++) {
        if (list[i].Seconds == key) {
            SendDlgItemMessageA(dialog, IDC_INTERVAL, CB_SETCURSEL, i, 0);
            break;
        }
    }
}

int ReadWaveName(HWND dialog, char* path)
{
    char text[WAVE_TEXT_SIZE];
    int length = 0;
    int step;

    text[0] = 0;
    // Read whole, the edit's text ends on a whole character; the cut keeps
    // it so, and the path never ends in a lone lead byte.
    GetDlgItemTextA(dialog, IDC_WAVE_NAME, text, sizeof(text));
    while (text[length]) {
        step = IsMultiByteChar(text + length) ? 2 : 1;
        if (length + step > MAX_PATH - 1)
            break;
        length += step;
    }
    lstrcpynA(path, text, length + 1);
    return length;
}

// Writes the controls into the module's record. The combo box is unsorted,
// so its selection index is the row of the list the signal type shows.
static void StoreSettings(HWND dialog)
{
    Environ* settings = CurrentDialog->Module->Settings;
    const IntervalChoice* list;
    LRESULT row;

    settings->Enable = IsChecked(dialog, IDC_MODULE_ON) ? 1 : 0;
    settings->SignalType = IsChecked(dialog, IDC_SIGNAL_STRIKE) ? 1 : 0;
    settings->TimeType = IsChecked(dialog, IDC_HOURS_24) ? 1 : 0;

    list = settings->SignalType ? StrikeModeList : IntervalModeList;
    row = SendDlgItemMessageA(dialog, IDC_INTERVAL, CB_GETCURSEL, 0, 0);
    // Without a selection (the stored interval was not in the list shown)
    // the stored interval stays as it is.
    if (row >= 0 && row < CountIntervalRows(list))
        settings->Interval = list[row].Seconds;

    ReadWaveName(dialog, settings->WaveName);
}

// Brings the controls to the stored settings.
static INT_PTR OnInitDialog(HWND dialog, LPARAM param)
{
    Environ* settings = CurrentDialog->Module->Settings;
    LONG exStyle;

    (void)param;
    // The caption's "?" button, which leads to WM_HELP.
    exStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
    SetWindowLongA(dialog, GWL_EXSTYLE, exStyle | WS_EX_CONTEXTHELP);
    // A frame style takes effect only once the frame is told of it.
    SetWindowPos(dialog, NULL, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    CheckRadioButton(dialog, IDC_MODULE_ON, IDC_MODULE_OFF,
                     settings->Enable ? IDC_MODULE_ON : IDC_MODULE_OFF);
    CheckRadioButton(dialog, IDC_SIGNAL_ONCE, IDC_SIGNAL_STRIKE,
                     settings->SignalType ? IDC_SIGNAL_STRIKE : IDC_SIGNAL_ONCE);
    CheckRadioButton(dialog, IDC_HOURS_12, IDC_HOURS_24,
                     settings->TimeType ? IDC_HOURS_24 : IDC_HOURS_12);
    FillIntervalList(dialog, settings->SignalType ? StrikeModeList : IntervalModeList,
                     settings->Interval);

    SendDlgItemMessageA(dialog, IDC_WAVE_NAME, EM_LIMITTEXT, WAVE_NAME_LIMIT, 0);
    // The edit reports the new text with EN_CHANGE, which updates Test.
    SetDlgItemTextA(dialog, IDC_WAVE_NAME, settings->WaveName);

    if (settings->Enable)
        EnableModuleControls(dialog);
    return 1;
}

// Handles the buttons, the radio buttons and the edit. 1 for the ids
// handled, 0 for the others (the hour system and the combo box).
static INT_PTR OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
        StoreSettings(dialog);
        EndDialog(dialog, 1);
        return 1;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return 1;
    case IDC_MODULE_ON:
        EnableModuleControls(dialog);
        return 1;
    case IDC_MODULE_OFF:
        DisableModuleControls(dialog);
        return 1;
    case IDC_SIGNAL_ONCE:
        DisableHourSystem(dialog);
        FillIntervalList(dialog, IntervalModeList, -1);
        return 1;
    case IDC_SIGNAL_STRIKE:
        EnableHourSystem(dialog);
        FillIntervalList(dialog, StrikeModeList, -1);
        return 1;
    case IDC_WAVE_NAME:
        UpdateTestButton(dialog);
        return 1;
    case IDC_BROWSE:
        CurrentDialog->BrowseSoundFile(dialog);
        return 1;
    case IDC_TEST:
        CurrentDialog->TestSound(dialog);
        return 1;
    case IDC_HELP_BUTTON:
        CurrentDialog->ShowHelp(dialog);
        return 1;
    }
    return 0;
}

// The close box and the system menu's Close end the dialog like Cancel.
static INT_PTR OnSysCommand(HWND dialog, WPARAM command)
{
    // The low four bits of a system command are used by the system.
    if ((command & 0xFFF0) == SC_CLOSE) {
        EndDialog(dialog, 0);
        return 1;
    }
    return 0;
}

static INT_PTR OnHelp(HWND dialog, LPARAM param)
{
    return CurrentDialog->ShowContextHelp(dialog, (const HELPINFO*)param);
}

static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Messages of the creation come before WM_INITDIALOG and its object.
    if (message == WM_INITDIALOG)
        CurrentDialog = (SettingsDialog*)lParam;
    if (!CurrentDialog)
        return 0;

    switch (message) {
    case WM_HELP:
        return OnHelp(dialog, lParam);
    case WM_INITDIALOG:
        return OnInitDialog(dialog, lParam);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    case WM_SYSCOMMAND:
        return OnSysCommand(dialog, wParam);
    }
    return 0;
}

int SettingsDialog::Run(VTAdModule& module)
{
    INT_PTR result;

    Module = &module;
    Instance = module.Instance;
    CurrentDialog = NULL;
    result = DialogBoxInModuleContext(Instance, MAKEINTRESOURCEA(IDD_SETTINGS), module.ParentWindow,
                                      SettingsDialogProc, (LPARAM)this);
    CurrentDialog = NULL;
    return (int)result;
}

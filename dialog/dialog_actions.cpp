// Actions of the settings dialog that reach outside it: the sound-file
// chooser, the test playback, the help file and its context-help popups.
#include "settings_dialog.h"

#include <commdlg.h>
#include <htmlhelp.h>
#include <mmsystem.h>
#include <shlobj.h>

#include "../include/chimora.h"
#include "../module/module_reference.h"
#include "../resources/resource_ids.h"
#include "module_context.h"

// Limit of the chooser's title buffer.
enum { BROWSE_TITLE_LIMIT = 80 };

// The chooser's one filter pair. The description is kept in UTF-16 and
// converted to the ANSI code page when the chooser opens, so that it reads
// right under any code page, not only 932.
static const WCHAR SoundFileDescription[] = L"Waveサウンド (*.wav)";
static const char SoundFilePattern[] = "*.wav";
enum { SOUND_FILTER_LIMIT = 96 };

// Appended to the help file's path to name its text-popup file.
static const char PopupFile[] = "::/popup.txt";

// The controls that have a popup topic, numbered by their ids.
static const int ContextHelpIds[] = {
    IDOK, IDCANCEL, IDC_MODULE_ON, IDC_MODULE_OFF, IDC_SIGNAL_ONCE, IDC_SIGNAL_STRIKE,
    IDC_HOURS_12, IDC_HOURS_24, IDC_INTERVAL, IDC_WAVE_NAME, IDC_BROWSE, IDC_TEST,
    IDC_HELP_BUTTON,
};

// Older headers give OPENFILENAMEA without its last three fields.
static_assert(sizeof(OPENFILENAMEA) == 88, "the full OPENFILENAMEA");
static_assert(sizeof(HH_POPUP) == 52, "HH_POPUP of 32-bit Windows");

// Joins first, second and third into out (MAX_PATH bytes). Returns 1; when
// the joined path would not fit, leaves out empty and returns 0.
static int JoinPath(char* out, const char* first, const char* second, const char* third)
{
    out[0] = 0;
    if (lstrlenA(first) + lstrlenA(second) + lstrlenA(third) >= MAX_PATH)
        return 0;
    lstrcpyA(out, first);
    lstrcatA(out, second);
    lstrcatA(out, third);
    return 1;
}

// Forms in path (MAX_PATH bytes) the help file's path in the module's own
// folder, followed by suffix. 0 when the module's file name is longer than
// its buffer or the path would not fit.
static int FormHelpPath(HINSTANCE instance, const char* suffix, char* path)
{
    char folder[MAX_PATH];
    char name[MAX_PATH];
    DWORD length;

    path[0] = 0;
    length = GetModuleFileNameA(instance, folder, sizeof(folder));
    // A name that fills the whole buffer has been cut short.
    if (length == 0 || length >= sizeof(folder))
        return 0;
    GetPathName(folder, folder);
    name[0] = 0;
    LoadStringA(instance, IDS_HELP_FILE, name, sizeof(name));
    return JoinPath(path, folder, name, suffix);
}

// Forms the chooser's filter in filter (SOUND_FILTER_LIMIT bytes): the
// description in the ANSI code page, the pattern, and the empty string that
// closes the list.
static void FormSoundFileFilter(char* filter)
{
    int length;

    ZeroMemory(filter, SOUND_FILTER_LIMIT);
    // Room is left for the pattern and the closing empty string.
    length = WideCharToMultiByte(CP_ACP, 0, SoundFileDescription, -1, filter,
                                 SOUND_FILTER_LIMIT - sizeof(SoundFilePattern) - 1, NULL, NULL);
    // Should the conversion fail, the pattern describes itself.
    if (length <= 0)
        length = 1 + lstrlenA(lstrcpyA(filter, SoundFilePattern));
    lstrcpyA(filter + length, SoundFilePattern);
}

// The libraries whose workers outlive the call that started them, pinned
// before each such call (never in DllMain): a module that never uses them
// pins nothing. On Windows the HTML Help viewer runs on a thread of its own
// and outlives the dialog; the chooser leaves the shell's threads behind; a
// sound played asynchronously plays on a thread of the player's
// (PlayerLibrary).
static const char HelpLibrary[] = "hhctrl.ocx";
static const char ChooserLibrary[] = "comdlg32.dll";

// 1 when the control id has a popup topic in the help file.
static int HasContextHelp(int id)
{
    int i;

    for (i = 0; i < (int)ARRAYSIZE(ContextHelpIds); i++)
        if (ContextHelpIds[i] == id)
            return 1;
    return 0;
}

int SettingsDialog::BrowseSoundFile(HWND dialog)
{
    char title[BROWSE_TITLE_LIMIT];
    char appData[MAX_PATH];
    char folder[MAX_PATH];
    char initialDir[MAX_PATH];
    char file[MAX_PATH];
    char filter[SOUND_FILTER_LIMIT];
    OPENFILENAMEA ofn;
    BOOL chosen;

    title[0] = 0;
    LoadStringA(Instance, IDS_BROWSE_TITLE, title, sizeof(title));

    // The chooser starts in the host's folder under the user's application
    // data; without that folder, or when the joined path would not fit, it
    // starts where its own defaults put it.
    ZeroMemory(initialDir, sizeof(initialDir));
    if (SHGetFolderPathA(dialog, CSIDL_APPDATA, NULL, 0, appData) == S_OK) {
        folder[0] = 0;
        LoadStringA(Instance, IDS_BROWSE_FOLDER, folder, sizeof(folder));
        JoinPath(initialDir, appData, "\\", folder);
    }

    // The chooser opens with the name already in the edit.
    ReadWaveName(dialog, file);

    ZeroMemory(&ofn, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = dialog;
    FormSoundFileFilter(filter);
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrInitialDir = initialDir;
    ofn.lpstrTitle = title;
    // The chosen name need not exist and gets no extension added.
    ofn.Flags = OFN_READONLY | OFN_HIDEREADONLY;

    PinSystemLibrary(ChooserLibrary);
    chosen = OpenFileNameInModuleContext(Instance, &ofn);
    // The edit reports the new text, and Test follows it.
    if (chosen)
        SetDlgItemTextA(dialog, IDC_WAVE_NAME, file);
    return chosen;
}

int SettingsDialog::TestSound(HWND dialog)
{
    char name[MAX_PATH];

    ReadWaveName(dialog, name);
    // Without SND_FILENAME a system sound of that name comes first, and the
    // default sound plays when neither is found.
    PinSystemLibrary(PlayerLibrary);
    PlaySoundA(name, NULL, SND_ASYNC | SND_NOWAIT);
    return 1;
}

int SettingsDialog::ShowHelp(HWND dialog)
{
    char path[MAX_PATH];

    if (FormHelpPath(Instance, "", path)) {
        PinSystemLibrary(HelpLibrary);
        HtmlHelpA(dialog, path, HH_DISPLAY_TOPIC, 0);
    }
    return 1;
}

int SettingsDialog::ShowContextHelp(HWND dialog, const HELPINFO* help)
{
    char path[MAX_PATH];
    HH_POPUP popup;

    if (!HasContextHelp(help->iCtrlId))
        return 0;
    // No popup when its path cannot be formed.
    if (!FormHelpPath(Instance, PopupFile, path))
        return 0;

    ZeroMemory(&popup, sizeof(popup));
    popup.cbStruct = sizeof(popup);
    popup.hinst = NULL;
    popup.idString = help->iCtrlId;
    popup.pszText = NULL;
    popup.pt = help->MousePos;
    // The system's colours and default margins.
    popup.clrForeground = (COLORREF)-1;
    popup.clrBackground = (COLORREF)-1;
    SetRect(&popup.rcMargins, -1, -1, -1, -1);
    popup.pszFont = NULL;
    PinSystemLibrary(HelpLibrary);
    HtmlHelpA(dialog, path, HH_DISPLAY_TEXT_POPUP, (DWORD_PTR)&popup);
    return 1;
}

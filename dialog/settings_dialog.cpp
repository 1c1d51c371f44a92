// The settings dialog: one modal run over the host window per Setting call.
#include "settings_dialog.h"

#include "../module/module.h"
#include "../resources/resource_ids.h"

// The dialog object of the open dialog, set by WM_INITDIALOG.
static SettingsDialog* CurrentDialog = NULL;

static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CurrentDialog = (SettingsDialog*)lParam;
        return 1;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
        return 1;
    }
    return 0;
}

int SettingsDialog::Run(VTAdModule& module)
{
    Module = &module;
    Instance = module.Instance;
    return (int)DialogBoxParamA(Instance, MAKEINTRESOURCEA(IDD_SETTINGS), module.ParentWindow,
                                SettingsDialogProc, (LPARAM)this);
}

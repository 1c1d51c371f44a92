// Entry point, the process-wide module object and the host exports.
#include "module.h"

#include "../dialog/module_context.h"
#include "../dialog/settings_dialog.h"
#include "../include/chimora.h"
#include "../resources/resource_ids.h"
#include "../utilities/strings.h"
#include "environ.h"
#include "heap_object.h"
#include "module_reference.h"

enum { TITLE_LIMIT = 80 };

VTAdModule* ProcessModule = NULL;

VTAdModule::VTAdModule(HINSTANCE instance)
{
    void* memory = AllocateObject<Environ>();

    ParentWindow = NULL;
    Instance = instance;
    Settings = NULL;
    if (memory)
        Settings = new (memory) Environ(instance);
    LastHour = -1;
    LastMinute = -1;
    LastSecond = -1;
    TimerWindow = NULL;
    DueTick = 0;
    Ticks = 0;
    DialogOpen = FALSE;
    TimerWanted = FALSE;
    StoppedInDialog = FALSE;
}

// Runs at process detach, which may come on a chime runner's thread or the
// releaser's: only a timer still armed (the host freed the module without
// StopModule) is killed from here, then from a thread that does not own the
// window. Wine and ReactOS allow that KillTimer; Windows does not document it.
VTAdModule::~VTAdModule()
{
    KillMinuteTimer();
    DestroyObject(Settings);
}

// Creates the module object with its settings record; null when either
// cannot be had, since a module without its record can serve no export.
static VTAdModule* CreateModule(HINSTANCE instance)
{
    void* memory = AllocateObject<VTAdModule>();
    VTAdModule* module;

    if (!memory)
        return NULL;
    module = new (memory) VTAdModule(instance);
    if (!module->Settings) {
        DestroyObject(module);
        return NULL;
    }
    return module;
}

// Creates the module, with its settings record, at process attach; saves
// and frees it at detach. Never refuses the load.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        InitLeadByteSet();
        ProcessModule = CreateModule(instance);
        break;
    case DLL_PROCESS_DETACH:
        DestroyObject(ProcessModule);
        ProcessModule = NULL;
        // At the process's end the system takes the context back itself.
        if (!reserved)
            ReleaseModuleContext();
        break;
    }
    return TRUE;
}

int WINAPI QueryVTAModule(void)
{
    return 1;
}

void WINAPI SetParentWindow(HWND window)
{
    if (ProcessModule)
        ProcessModule->ParentWindow = window;
}

int WINAPI IsModuleEnable(void)
{
    if (!ProcessModule)
        return 0;
    return ProcessModule->Settings->Enable;
}

int WINAPI GetTitleName(char* title)
{
    if (!ProcessModule || !title)
        return 0;
    return LoadStringA(ProcessModule->Instance, IDS_TITLE, title, TITLE_LIMIT);
}

int VTAdModule::Start()
{
    if (!DialogOpen)
        return ArmMinuteTimer();
    if (!CanArmTimer())
        return 0;
    TimerWanted = TRUE;
    StoppedInDialog = FALSE;
    return 1;
}

BOOL VTAdModule::Stop()
{
    BOOL wasWanted = TimerWanted;

    if (!DialogOpen)
        return KillMinuteTimer();
    TimerWanted = FALSE;
    StoppedInDialog = TRUE;
    return wasWanted;
}

// Shows what the key holds now, as another host process may have saved
// since this one loaded, and keeps the timer stopped while the dialog is
// open. A nonzero end code (OK, or a dialog that could not be created)
// saves the record and arms or stops the timer by Enable, unless the host
// stopped the module while the dialog was open: its last word wins, as a
// host that stops and frees the module from a message the dialog's loop
// dispatches is shutting down. Cancel gives the timer back as the host last
// asked, before the dialog or during it.
int VTAdModule::RunSettings()
{
    SettingsDialog* dialog;
    void* memory;
    int result;

    Settings->RefreshFromRegistry();
    TimerWanted = KillMinuteTimer();
    memory = AllocateObject<SettingsDialog>();
    if (!memory) {
        if (TimerWanted)
            ArmMinuteTimer();
        return 0;
    }
    dialog = new (memory) SettingsDialog;
    StoppedInDialog = FALSE;
    DialogOpen = TRUE;
    result = dialog->Run(*this);
    DialogOpen = FALSE;
    if (result != 0) {
        Settings->SaveToRegistry();
        if (Settings->Enable && !StoppedInDialog)
            ArmMinuteTimer();
        else
            KillMinuteTimer();
    } else if (TimerWanted) {
        ArmMinuteTimer();
    }
    DestroyObject(dialog);
    return result;
}

// A call while the dialog is open (from a host timer that its modal loop
// dispatched) opens no second dialog, changes nothing and returns 0. The
// module holds a reference on itself while the dialog runs: a host that
// calls FreeLibrary meanwhile cannot unmap the code the dialog runs in, and
// the image goes only once this call has returned into the host.
int WINAPI Setting(void)
{
    VTAdModule* module = ProcessModule;
    HMODULE self;
    BOOL held;
    int result;

    if (!module || module->DialogOpen)
        return 0;
    held = HoldThisModule(&self);
    result = module->RunSettings();
    if (held)
        ReleaseThisModuleLater(self, module->ParentWindow);
    return result;
}

int WINAPI StartModule(void)
{
    if (!ProcessModule)
        return 0;
    return ProcessModule->Start();
}

int WINAPI StopModule(void)
{
    if (!ProcessModule)
        return 0;
    return ProcessModule->Stop();
}

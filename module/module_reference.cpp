// References that keep the module's image mapped while its code may still
// run, their release from a thread that ends outside the image, and pins of
// the system libraries whose workers may outlive the module.
#include "module_reference.h"

#include "module.h"

enum {
    RELEASER_STACK = 4096,       // the releaser only sends messages
    HOST_ANSWER_LIMIT_MS = 3000, // one wait for the host thread's answer; a
                                 //   window that is gone stands in for it
    RECHECK_PAUSE_MS = 250,      // between two looks at a tick that is due
};

const char PlayerLibrary[] = "winmm.dll";

// What a releaser owns: the reference it gives back and the window whose
// thread it waits for.
struct ReleaseOrder {
    HMODULE Module;
    HWND Window;
};

BOOL HoldThisModule(HMODULE* module)
{
    *module = NULL;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCSTR>(&HoldThisModule), module);
}

// 1 once the window's thread has handled a message sent now, which it does
// only outside the module's code; 0 when it did not within the limit; -1
// when the window is gone, after a pause that stands in for the wait.
static int HostThreadAnswered(HWND window)
{
    DWORD_PTR answer;

    if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, HOST_ANSWER_LIMIT_MS, &answer))
        return 1;
    if (GetLastError() == ERROR_TIMEOUT)
        return 0;
    Sleep(HOST_ANSWER_LIMIT_MS);
    return -1;
}

// Waits until the window's thread has left the module's code with no tick
// under way or due soon, then gives the reference back as the thread's last
// act: this may be what unmaps the image. The host may have let go of the
// module without StopModule (during the dialog, while OK or Cancel armed
// the timer again, or while a strike played): the unload then kills the
// timer from this thread, and the tick it would have run is never due
// before that. A tick that started between the two looks makes the thread
// look again. A window that is gone took its timer with it.
void GiveBackWhenNoTickCanRun(HMODULE module, HWND window)
{
    VTAdModule* owner = ProcessModule;
    LONG ticks;
    BOOL quiet;
    int answered;

    for (;;) {
        ticks = owner->Ticks;
        quiet = !owner->TickMayComeSoon();
        answered = HostThreadAnswered(window);
        if (answered < 0)
            break;
        if (answered && quiet && !owner->TickMayComeSoon() && ticks == owner->Ticks)
            break;
        Sleep(RECHECK_PAUSE_MS);
    }
    FreeLibraryAndExitThread(module, 0);
}

static DWORD WINAPI ModuleReleaser(LPVOID parameter)
{
    ReleaseOrder* order = static_cast<ReleaseOrder*>(parameter);
    HMODULE module = order->Module;
    HWND window = order->Window;

    HeapFree(GetProcessHeap(), 0, order);
    GiveBackWhenNoTickCanRun(module, window);
    return 0;
}

int ReleaseThisModuleLater(HMODULE module, HWND window)
{
    ReleaseOrder* order;
    HANDLE thread;

    order = static_cast<ReleaseOrder*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ReleaseOrder)));
    if (!order)
        return 0;
    order->Module = module;
    order->Window = window;
    thread = CreateThread(NULL, RELEASER_STACK, ModuleReleaser, order, 0, NULL);
    if (!thread) {
        HeapFree(GetProcessHeap(), 0, order);
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

void PinSystemLibrary(const char* name)
{
    HMODULE library;

    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, name, &library);
}

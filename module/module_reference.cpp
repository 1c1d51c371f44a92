// References that keep the module's image mapped while its code may still
// run, and their release from a thread that ends outside the image.
#include "module_reference.h"

enum {
    RELEASER_STACK = 4096,       // the releaser only sends one message
    HOST_ANSWER_LIMIT_MS = 3000, // a host thread that does not pump by then
                                 //   has long left the module's code
};

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

// Waits until the window's thread handles a message, which it does only
// outside the module's code, then gives the reference back as the thread's
// last act: this may be what unmaps the image.
static DWORD WINAPI ModuleReleaser(LPVOID parameter)
{
    ReleaseOrder* order = static_cast<ReleaseOrder*>(parameter);
    HMODULE module = order->Module;
    HWND window = order->Window;
    DWORD_PTR answer;

    HeapFree(GetProcessHeap(), 0, order);
    // A window that is gone answers at once with a failure; the pause then
    // stands in for the wait.
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, HOST_ANSWER_LIMIT_MS, &answer)
        && GetLastError() != ERROR_TIMEOUT)
        Sleep(HOST_ANSWER_LIMIT_MS);
    FreeLibraryAndExitThread(module, 0);
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

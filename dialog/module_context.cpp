// The activation context made from the module's manifest (resource type 24,
// id 1): made once, at the first window that needs it, on the GUI thread,
// and released when the module is unloaded.
#include "module_context.h"

enum { MANIFEST_RESOURCE_ID = 1 };

// The context, or INVALID_HANDLE_VALUE while none has been made.
static HANDLE ModuleContext = INVALID_HANDLE_VALUE;

// Makes the context from the module's manifest the first time; activates it
// on this thread. 1 with the cookie for LeaveModuleContext, 0 when the
// context cannot be had: the windows then take the host's look.
static int EnterModuleContext(HINSTANCE instance, ULONG_PTR* cookie)
{
    char path[MAX_PATH];
    ACTCTXA context;
    DWORD length;

    if (ModuleContext == INVALID_HANDLE_VALUE) {
        ZeroMemory(&context, sizeof(context));
        context.cbSize = sizeof(context);
        context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.hModule = instance;
        context.lpResourceName = MAKEINTRESOURCEA(MANIFEST_RESOURCE_ID);
        // Windows XP reads the module through its path, later ones through
        // the handle: both are given.
        length = GetModuleFileNameA(instance, path, sizeof(path));
        if (length == 0 || length >= sizeof(path))
            return 0;
        context.lpSource = path;
        ModuleContext = CreateActCtxA(&context);
    }
    if (ModuleContext == INVALID_HANDLE_VALUE)
        return 0;
    return ActivateActCtx(ModuleContext, cookie) ? 1 : 0;
}

static void LeaveModuleContext(int entered, ULONG_PTR cookie)
{
    if (entered)
        DeactivateActCtx(0, cookie);
}

INT_PTR DialogBoxInModuleContext(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC procedure,
                                 LPARAM param)
{
    ULONG_PTR cookie = 0;
    int entered = EnterModuleContext(instance, &cookie);
    INT_PTR result = DialogBoxParamA(instance, name, owner, procedure, param);

    LeaveModuleContext(entered, cookie);
    return result;
}

BOOL OpenFileNameInModuleContext(HINSTANCE instance, OPENFILENAMEA* ofn)
{
    ULONG_PTR cookie = 0;
    int entered = EnterModuleContext(instance, &cookie);
    BOOL chosen = GetOpenFileNameA(ofn);

    LeaveModuleContext(entered, cookie);
    return chosen;
}

// Runs at process detach, under the loader lock, where releasing is safe:
// no window of the module is left, and the context is active on no thread.
void ReleaseModuleContext(void)
{
    if (ModuleContext == INVALID_HANDLE_VALUE)
        return;
    ReleaseActCtx(ModuleContext);
    ModuleContext = INVALID_HANDLE_VALUE;
}

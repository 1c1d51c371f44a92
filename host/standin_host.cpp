// The least host a module needs: loads a module file, checks that it is one,
// reads its title and enable flag, hands it a main window, starts it, runs
// the message loop, opens its settings on request, and at the end stops and
// unloads it. Says what it did on its console, one line per step.
//
//   standin_host [--module PATH] [--run SECONDS] [--settings] [--linger SECONDS]
//
//   --module PATH      the module file (default: Chimora.vxm beside the host)
//   --run SECONDS      end by itself after that long (default: when closed)
//   --settings         open the module's settings once the loop runs
//   --linger SECONDS   after unloading, keep the process that much longer
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "module_loader.h"

enum {
    TITLE_SIZE = 80,        // the title buffer a module may fill
    MODULE_TIMER_ID = 5000, // the module's own timer on our window
    RUN_TIMER_ID = 1,       // ends the run after --run
    ID_SETTINGS = 100,      // menu commands
    ID_EXIT = 101,
    LINE_SIZE = 512,
};

struct Options {
    char ModulePath[MAX_PATH];
    DWORD RunMs;     // 0: until the window is closed
    BOOL Settings;
    DWORD LingerMs;
};

static ModuleCalls Module;

// Writes one line, stamped with the local time, to standard output. The text
// is in the ANSI code page (a module's title is): a console gets it as
// Unicode, a pipe or file as UTF-8.
static void Say(const char* format, ...)
{
    char line[LINE_SIZE];
    WCHAR wide[LINE_SIZE];
    char utf8[LINE_SIZE * 3];
    SYSTEMTIME now;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode, written;
    va_list args;
    int length, wideLength;

    GetLocalTime(&now);
    length = _snprintf(line, LINE_SIZE, "[%02u:%02u:%02u.%03u] ", now.wHour, now.wMinute,
                       now.wSecond, now.wMilliseconds);
    va_start(args, format);
    _vsnprintf(line + length, LINE_SIZE - length - 2, format, args);
    va_end(args);
    line[LINE_SIZE - 3] = '\0';
    lstrcatA(line, "\n");

    wideLength = MultiByteToWideChar(CP_ACP, 0, line, -1, wide, LINE_SIZE) - 1;
    if (wideLength < 0)
        return;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, wide, wideLength, &written, NULL);
        return;
    }
    length = WideCharToMultiByte(CP_UTF8, 0, wide, wideLength, utf8, sizeof(utf8), NULL, NULL);
    WriteFile(out, utf8, length, &written, NULL);
    FlushFileBuffers(out);
}

static void OpenSettings(void)
{
    Say("Setting ...");
    Say("Setting returned %d", Module.Setting());
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_SETTINGS)
            OpenSettings();
        else if (LOWORD(wParam) == ID_EXIT)
            PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_TIMER:
        if (wParam != RUN_TIMER_ID)
            break;
        KillTimer(window, RUN_TIMER_ID);
        Say("run time over");
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        // The module's timer lives on this window: stop it while the window
        // is still there.
        Say("StopModule returned %d", Module.StopModule());
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND CreateMainWindow(HINSTANCE instance, const char* title)
{
    WNDCLASSA wc;
    HMENU menu = CreateMenu();
    HMENU moduleMenu = CreatePopupMenu();

    memset(&wc, 0, sizeof(wc));
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "StandinHostWindow";
    RegisterClassA(&wc);

    AppendMenuA(moduleMenu, MF_STRING, ID_SETTINGS, "&Settings...");
    AppendMenuA(moduleMenu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(moduleMenu, MF_STRING, ID_EXIT, "E&xit");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(moduleMenu), "&Module");

    return CreateWindowA("StandinHostWindow", title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 420, 160, NULL, menu, instance, NULL);
}

// Runs the message loop until the main window is gone. The module's own
// timer messages are reported with the time each took to handle: that is
// how long the module held this thread.
static void RunLoop(HWND window)
{
    LARGE_INTEGER frequency, before, after;
    MSG msg;

    QueryPerformanceFrequency(&frequency);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam == MODULE_TIMER_ID) {
            Say("timer %u", MODULE_TIMER_ID);
            QueryPerformanceCounter(&before);
            DispatchMessageA(&msg);
            QueryPerformanceCounter(&after);
            Say("timer %u handled in %.1f ms", MODULE_TIMER_ID,
                (after.QuadPart - before.QuadPart) * 1000.0 / frequency.QuadPart);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

static DWORD Milliseconds(const char* seconds)
{
    double value = atof(seconds);
    return value > 0 ? static_cast<DWORD>(value * 1000 + 0.5) : 0;
}

// FALSE on an unknown option or a missing value.
static BOOL ParseOptions(int argc, char** argv, Options* options)
{
    char* slash;
    int i;

    memset(options, 0, sizeof(*options));
    GetModuleFileNameA(NULL, options->ModulePath, MAX_PATH);
    slash = strrchr(options->ModulePath, '\\');
    lstrcpyA(slash ? slash + 1 : options->ModulePath, "Chimora.vxm");

    for (i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--settings"))
            options->Settings = TRUE;
        else if (!strcmp(argv[i], "--module") && i + 1 < argc)
            lstrcpynA(options->ModulePath, argv[++i], MAX_PATH);
        else if (!strcmp(argv[i], "--run") && i + 1 < argc)
            options->RunMs = Milliseconds(argv[++i]);
        else if (!strcmp(argv[i], "--linger") && i + 1 < argc)
            options->LingerMs = Milliseconds(argv[++i]);
        else
            return FALSE;
    }
    return TRUE;
}

int main(int argc, char** argv)
{
    Options options;
    LoadedHostModule loaded;
    WCHAR widePath[MAX_PATH];
    HMODULE module;
    HWND window;
    char title[TITLE_SIZE];
    int length;

    if (!ParseOptions(argc, argv, &options)) {
        fprintf(stderr, "usage: standin_host [--module PATH] [--run SECONDS] [--settings]"
                        " [--linger SECONDS]\n");
        return 3;
    }

    MultiByteToWideChar(CP_ACP, 0, options.ModulePath, -1, widePath, MAX_PATH);
    switch (LoadHostModule(widePath, &loaded)) {
    case MODULE_LOADED:
        break;
    case MODULE_MISSING:
    case MODULE_LOAD_FAILED:
        Say("cannot load %s (error %lu)", options.ModulePath, loaded.Error);
        return 1;
    case MODULE_NOT_A_MODULE:
        if (loaded.MissingExport)
            Say("the module does not export %s", loaded.MissingExport);
        Say("%s is not a module", options.ModulePath);
        return 2;
    }
    module = loaded.Handle;
    Module = loaded.Calls;
    Say("loaded %s", options.ModulePath);
    Say("QueryVTAModule returned 1");

    memset(title, 0, sizeof(title));
    length = Module.GetTitleName(title);
    title[TITLE_SIZE - 1] = '\0';
    Say("GetTitleName returned %d: %s", length, title);
    Say("IsModuleEnable returned %d", Module.IsModuleEnable());

    window = CreateMainWindow(GetModuleHandleA(NULL), title);
    if (!window) {
        Say("cannot create the main window (error %lu)", GetLastError());
        FreeLibrary(module);
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    Module.SetParentWindow(window);
    Say("SetParentWindow done");
    Say("StartModule returned %d", Module.StartModule());

    if (options.RunMs)
        SetTimer(window, RUN_TIMER_ID, options.RunMs, NULL);
    if (options.Settings)
        PostMessageA(window, WM_COMMAND, ID_SETTINGS, 0);
    RunLoop(window);

    FreeLibrary(module);
    Say("module unloaded%s", GetModuleHandleA(options.ModulePath) ? ", still mapped" : "");
    if (options.LingerMs) {
        Sleep(options.LingerMs);
        Say("after %lu ms the module is %s", options.LingerMs,
            GetModuleHandleA(options.ModulePath) ? "still mapped" : "unmapped");
    }
    Say("exit");
    return 0;
}

// HTML Help's windows outlive the settings dialog on Windows: the viewer that
// the Help button opens runs on a thread of its own. When the host then
// unloads the module, the HTML Help control (hhctrl.ocx, which the module
// imports) must stay in the process, or the window's next message runs
// freed code. Under Wine the viewer lives on the caller's thread and dies
// with the dialog; the test emulates Windows by handing the window over to
// the host window, so that it outlives the dialog, before the host stops
// and unloads the module. Each case runs as a host process of its own, so
// that a crash or a hang in it is seen from outside.
//
// Run with --host CASE, the program is that host; it prints what it did and
// ends with 0 when it got through to its normal end.
#include <gtest/gtest.h>

#include <windows.h>

#include <htmlhelp.h>
#include <stdio.h>
#include <string.h>

#include "resources/resource_ids.h"
#include "tests/dialog_driver.h"
#include "tests/host_session.h"
#include "tests/test_support.h"

namespace {

// One way for an HTML Help window to be open when the module goes.
struct HelpCase {
    const char* name;
    // Help button: the module opens the viewer. Context help: the module
    // asks for a text popup, which Wine does not show; a viewer opened
    // through the same hhctrl.ocx stands in for the popup window that
    // Windows shows.
    bool helpButton;
};
const HelpCase kHelpCases[] = {
    {"help-button", true},
    {"context-help", false},
};

// A hung host is killed after this; under load Wine takes a minute or more
// to start a process.
const DWORD kHostLimitMs = 300000;

const char kEndedNormally[] = "the host ended normally";

typedef HWND(WINAPI* HtmlHelpFn)(HWND, LPCSTR, UINT, DWORD_PTR);

void Say(const char* text, const char* detail = "")
{
    printf("%s%s\n", text, detail);
    fflush(stdout);
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedWindow(HWND window, LPARAM param)
{
    OwnedSearch* search = reinterpret_cast<OwnedSearch*>(param);
    if (GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the thread owned by owner, or null.
HWND OwnedWindow(DWORD thread, HWND owner)
{
    OwnedSearch search = {owner, NULL};
    EnumThreadWindows(thread, FindOwnedWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The host of one case: opens the settings, gets an HTML Help window that
// outlives the dialog, stops and unloads the module, then goes on using
// its message loop, closes the help window and ends. Returns its exit code.
int RunHost(const HelpCase& c)
{
    DeleteSettingsKey();
    HostWindow host;
    LoadedModule module;
    if (!host.handle || !module.Load()) {
        Say("cannot load ", ModulePath().c_str());
        return 2;
    }
    module.Export<SetParentWindowFn>("SetParentWindow")(host.handle);
    DWORD gui = GetCurrentThreadId();
    HWND help = NULL;

    RunWithDialog(host.handle, module.Export<IntFn>("Setting"), [&](HWND dialog) {
        if (c.helpButton) {
            Click(dialog, IDC_HELP_BUTTON);
            help = OwnedWindow(gui, dialog);
            // On Windows the viewer is not the dialog's to destroy.
            if (help)
                SetWindowLongPtrA(help, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(host.handle));
        } else {
            PressF1(dialog, IDC_INTERVAL);
        }
        Click(dialog, IDCANCEL);
    });
    if (!c.helpButton) {
        // Through the module's hhctrl.ocx, without a reference of our own.
        HtmlHelpFn htmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("hhctrl.ocx"), MAKEINTRESOURCEA(14))));
        if (htmlHelp)
            help = htmlHelp(host.handle, (TestFolder() + "Chimora.chm").c_str(), HH_DISPLAY_TOPIC, 0);
    }
    if (!IsWindow(help)) {
        Say("no help window outlived the dialog");
        return 3;
    }
    Say("a help window outlived the dialog");

    // The host's end of the module: stop, then unload.
    module.Export<IntFn>("StopModule")();
    module.Unload();
    Say("the module is unloaded; hhctrl.ocx is ",
        GetModuleHandleA("hhctrl.ocx") ? "still loaded" : "gone");

    // The host runs on, and the user closes the help window.
    RedrawWindow(help, NULL, NULL, RDW_INVALIDATE | RDW_ALLCHILDREN);
    PumpMessages(500);
    PostMessageA(help, WM_CLOSE, 0, 0);
    PumpMessages(500);
    Say("the help window is ", IsWindow(help) ? "still open" : "closed");
    DestroyWindow(help);
    Say(kEndedNormally);
    return 0;
}

TEST(HelpViewer, OutlivesTheModuleAndTheHostEndsNormally)
{
    for (const HelpCase& c : kHelpCases) {
        SCOPED_TRACE(c.name);
        ProcessRun run;
        ASSERT_TRUE(Launch(&run, c.name, "help_viewer_test.exe", {"--host", c.name}, 0, kHostLimitMs));
        ASSERT_TRUE(AwaitEnd({&run}, kHostLimitMs + 10000)) << "the host did not end";
        std::string log = LogText(run);
        EXPECT_EQ(ExitCode(run), 0) << log;
        EXPECT_NE(log.find("a help window outlived the dialog"), std::string::npos) << log;
        EXPECT_NE(log.find("hhctrl.ocx is still loaded"), std::string::npos) << log;
        EXPECT_NE(log.find("the help window is closed"), std::string::npos) << log;
        EXPECT_NE(log.find(kEndedNormally), std::string::npos) << log;
    }
    DeleteSettingsKey();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--host") == 0) {
        for (const HelpCase& c : kHelpCases)
            if (strcmp(argv[2], c.name) == 0)
                return RunHost(c);
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

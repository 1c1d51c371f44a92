// Opens the settings dialog as a host would, over a stand-in host window and
// with a sample of settings that enables every control, then prints the
// dialog's screen rectangle ("x y width height") and keeps the dialog open
// until a line arrives on standard input. tools/screenshot.sh photographs
// it in between. The settings key is removed again at the end.
#include <stdio.h>

#include "resources/resource_ids.h"
#include "tests/dialog_driver.h"
#include "tests/test_support.h"

int main()
{
    DeleteSettingsKey();
    WriteSettingsDword("Enable", 1);
    WriteSettingsDword("SignalType", 1);
    WriteSettingsDword("Interval", 1800);
    WriteSettingsDword("TimeType", 1);
    std::string wave = Ansi("C:\\Sounds\\時報.wav");
    WriteSettingsValue("WaveName", REG_SZ, wave.c_str(), (DWORD)wave.size() + 1);

    int status = 1;
    {
        LoadedModule module;
        HostWindow host;
        if (!module.Load() || !host.handle) {
            fprintf(stderr, "cannot load %s\n", ModulePath().c_str());
            return 1;
        }
        module.Export<SetParentWindowFn>("SetParentWindow")(host.handle);
        IntFn setting = module.Export<IntFn>("Setting");
        RunWithDialog(host.handle, setting, [&](HWND dialog) {
            RECT frame;
            char line[16];
            GetWindowRect(dialog, &frame);
            printf("%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left,
                   frame.bottom - frame.top);
            fflush(stdout);
            if (fgets(line, sizeof(line), stdin))
                status = 0;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    }
    DeleteSettingsKey();
    return status;
}

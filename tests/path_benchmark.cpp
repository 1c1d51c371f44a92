// Times the module's path routines against the platform's own (shlwapi) on
// the same inputs, double-byte paths among them, and prints the time per
// call and the ratio module / platform (below 1: the module is faster).
//   tools/wine-run.sh --prefix build/wineprefix build/path_benchmark.exe
#include <windows.h>
#include <shlwapi.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "tests/utility_exports.h"

namespace {

const char* const kPaths[] = {
    "C:\\chime.wav",
    "C:\\Program Files\\Quillet\\Vantry\\Modules\\Chimora.vxm",
    "C:\\Users\\\x83\x5C\x83\x74\x83g\\Music\\\x95\x5C\x8E\xA6\x89\xB9.wav",
    "D:\\\x83\x5C\x83\x74\x83g\\\x83\x5C\x83\x74\x83g\\\x83\x5C\x83\x74\x83g.txt",
    "archive.tar.gz",
    "\\\\server\\share\\folder\\sub folder\\file name.extension",
    "C:\\Documents and Settings\\All Users\\Application Data\\Quillet\\TimeSignal\\sounds\\"
    "a rather long file name for a sound that marks the hour.wav",
    "C:\\\x95\x5C\\\x94\x5C\\\x83\x5C\\\x95\x5C\x94\x5C\x83\x5C.wav",
};
const int kPathCount = sizeof(kPaths) / sizeof(kPaths[0]);
const int kRounds = 20000;
const int kRepeats = 5;

// Volatile sink, so that no result can be optimised away.
volatile int sink;

double Now()
{
    static LARGE_INTEGER frequency;
    LARGE_INTEGER count;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return (double)count.QuadPart / (double)frequency.QuadPart;
}

// One way of getting a part of a path: with a result string to fill.
struct Method {
    const char* name;
    void (*run)(const char* path, char* buf);
};

UtilityExports fn;

// Pointer results of the platform are taken as they are, with no copy: the
// module's routines copy their result, so this favours the platform.
void ModuleFileName(const char* path, char* buf) { sink += fn.GetFileName(path, buf); }
void PlatformFileName(const char* path, char*) { sink += (int)(INT_PTR)PathFindFileNameA(path); }
void ModuleFileNameExt(const char* path, char* buf) { sink += fn.GetFileNameExt(path, buf); }
void PlatformFileNameExt(const char* path, char*) { sink += (int)(INT_PTR)PathFindExtensionA(path); }
// The platform works in place: both sides copy the input first.
void ModulePathName(const char* path, char* buf)
{
    lstrcpyA(buf, path);
    sink += fn.GetPathName(buf, buf);
}
void PlatformPathName(const char* path, char* buf)
{
    lstrcpyA(buf, path);
    sink += PathRemoveFileSpecA(buf);
}
void ModulePathNameOnly(const char* path, char* buf)
{
    lstrcpyA(buf, path);
    sink += fn.GetPathNameOnly(buf, buf);
}
void PlatformPathNameOnly(const char* path, char* buf)
{
    lstrcpyA(buf, path);
    PathRemoveExtensionA(buf);
    sink += buf[0];
}

// Nanoseconds per call, the best of kRepeats runs over all inputs.
double Time(void (*run)(const char*, char*))
{
    char buf[MAX_PATH];
    double best = 0;
    for (int repeat = 0; repeat < kRepeats; repeat++) {
        double start = Now();
        for (int round = 0; round < kRounds; round++)
            for (int i = 0; i < kPathCount; i++)
                run(kPaths[i], buf);
        double took = Now() - start;
        if (repeat == 0 || took < best)
            best = took;
    }
    return best * 1e9 / ((double)kRounds * kPathCount);
}

}  // namespace

int main()
{
    LoadedModule module;
    if (!module.Load()) {
        fprintf(stderr, "cannot load %s\n", ModulePath().c_str());
        return 1;
    }
    std::string missing;
    if (!fn.Resolve(module, &missing)) {
        fprintf(stderr, "exports missing: %s\n", missing.c_str());
        return 1;
    }

    const struct {
        Method module, platform;
    } pairs[] = {
        {{"GetFileName", ModuleFileName}, {"PathFindFileNameA", PlatformFileName}},
        {{"GetFileNameExt", ModuleFileNameExt}, {"PathFindExtensionA", PlatformFileNameExt}},
        {{"GetPathName", ModulePathName}, {"PathRemoveFileSpecA", PlatformPathName}},
        {{"GetPathNameOnly", ModulePathNameOnly}, {"PathRemoveExtensionA", PlatformPathNameOnly}},
    };

    int doubleByte = 0;
    for (int i = 0; i < kPathCount; i++)
        for (const char* p = kPaths[i]; *p; p++)
            if (IsDBCSLeadByte((BYTE)*p)) {
                doubleByte++;
                break;
            }
    printf("code page %u, %d paths (%d with double-byte characters) x %d rounds, best of %d\n", GetACP(),
           kPathCount, doubleByte, kRounds, kRepeats);
    printf("%-16s %9s   %-21s %9s   %s\n", "module", "ns/call", "platform", "ns/call", "ratio");
    for (const auto& pair : pairs) {
        double mine = Time(pair.module.run);
        double theirs = Time(pair.platform.run);
        printf("%-16s %9.1f   %-21s %9.1f   %.2f\n", pair.module.name, mine, pair.platform.name, theirs,
               mine / theirs);
    }
    return 0;
}

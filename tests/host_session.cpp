#include "host_session.h"

#include <mmsystem.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/test_support.h"

// CHIMORA_BINARY_DIR and CHIMORA_SOURCE_DIR are the Unix paths of the build
// and source folders, given by the build.

namespace {

const ULONGLONG kMinuteMs = 60000;

typedef WCHAR*(CDECL* DosNameFn)(const char* unixName);
typedef LONG(CDECL* UnixSpawnFn)(char* const argv[], int wait);

std::string UnixBuildPath(const std::string& name)
{
    return std::string(CHIMORA_BINARY_DIR) + "/" + name;
}

// Wine's Windows name of a Unix path.
std::string DosPath(const std::string& unixPath)
{
    static DosNameFn dosName = reinterpret_cast<DosNameFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    char narrow[MAX_PATH] = "";
    if (!dosName)
        return narrow;
    WCHAR* wide = dosName(unixPath.c_str());
    if (wide) {
        WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof(narrow), NULL, NULL);
        HeapFree(GetProcessHeap(), 0, wide);
    }
    return narrow;
}

// POSIX TZ for a zone offsetMinutes ahead of UTC (POSIX counts westward).
std::string PosixZone(int offsetMinutes)
{
    char zone[32];
    int magnitude = abs(offsetMinutes);
    sprintf(zone, "CHM%c%d:%02d", offsetMinutes >= 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return zone;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWhole(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

}  // namespace

std::string BuildFile(const char* name)
{
    return DosPath(UnixBuildPath(name));
}

ULONGLONG UtcNowMs()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return ((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;
}

ULONGLONG NextBoundaryMs(ULONGLONG leadMs)
{
    return (UtcNowMs() + leadMs + kMinuteMs - 1) / kMinuteMs * kMinuteMs;
}

int OffsetForLocalTime(ULONGLONG boundaryMs, int hour, int minute)
{
    int utcMinute = static_cast<int>(boundaryMs / kMinuteMs % 1440);
    int offset = ((hour * 60 + minute - utcMinute) % 1440 + 1440) % 1440;
    return offset > 720 ? offset - 1440 : offset;
}

void WriteHostSettings(const HostSettings& settings)
{
    char wave[MAX_PATH];
    memset(wave, 0, sizeof(wave));
    if (settings.wave[0])
        lstrcpynA(wave, BuildFile(settings.wave).c_str(), MAX_PATH);
    WriteSettingsDword("Enable", 1);
    WriteSettingsDword("SignalType", settings.signalType);
    WriteSettingsDword("Interval", settings.interval);
    WriteSettingsDword("TimeType", settings.timeType);
    WriteSettingsValue("WaveName", REG_SZ, wave, sizeof(wave));
}

bool Launch(ProcessRun* run, const char* name, const char* program,
            const std::vector<std::string>& args, int offsetMinutes, DWORD limitMs)
{
    static UnixSpawnFn spawn = reinterpret_cast<UnixSpawnFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    std::string unixFolder = UnixBuildPath(std::string("runs/") + name);

    CreateDirectoryA(DosPath(UnixBuildPath("runs")).c_str(), NULL);
    run->name = name;
    run->folder = DosPath(unixFolder) + "\\";
    CreateDirectoryA(run->folder.c_str(), NULL);
    const char* const leftovers[] = {"log", "rc", "rc.part", "sink.raw"};
    for (const char* file : leftovers)
        DeleteFileA((run->folder + file).c_str());
    if (!spawn)
        return false;

    // env TZ=.. HOME=.. CHIME_SINK=.. sh -c SCRIPT FOLDER timeout .. wine-run.sh .. program args
    // HOME holds the .asoundrc that sends all sound to $CHIME_SINK. The
    // script lets go of this process's standard handles, which a test
    // runner may be waiting on.
    char limit[32];
    sprintf(limit, "%.1f", limitMs / 1000.0);
    std::vector<std::string> words = {
        "/usr/bin/env",
        "TZ=" + PosixZone(offsetMinutes),
        "HOME=" + UnixBuildPath("capture-home"),
        "CHIME_SINK=" + unixFolder + "/sink.raw",
        "/bin/sh",
        "-c",
        "exec </dev/null >/dev/null 2>&1; \"$@\" >\"$0/log\" 2>&1; echo $? >\"$0/rc.part\";"
        " mv \"$0/rc.part\" \"$0/rc\"",
        unixFolder,
        "timeout",
        "-k",
        "5",
        limit,
        std::string(CHIMORA_SOURCE_DIR) + "/tools/wine-run.sh",
        "--prefix",
        UnixBuildPath("wineprefix"),
        program[0] == '/' ? std::string(program) : UnixBuildPath(program),
    };
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(NULL);

    run->startedMs = UtcNowMs();
    return spawn(argv.data(), FALSE) == 0;
}

bool AwaitLog(const ProcessRun& run, const char* text, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (LogText(run).find(text) == std::string::npos) {
        if (ExitCode(run) != -1 || GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

bool AwaitEnd(const std::vector<ProcessRun*>& runs, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (const ProcessRun* run : runs) {
        while (ExitCode(*run) == -1) {
            if (GetTickCount() - start > timeoutMs)
                return false;
            Sleep(100);
        }
    }
    return true;
}

int ExitCode(const ProcessRun& run)
{
    std::string rc = run.folder + "rc";
    if (!Exists(rc))
        return -1;
    return atoi(ReadWhole(rc).c_str());
}

std::string LogText(const ProcessRun& run)
{
    return ReadWhole(run.folder + "log");
}

LONGLONG SinkBytes(const ProcessRun& run)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA((run.folder + "sink.raw").c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int PlayOnceIfAsked(int argc, char** argv)
{
    if (argc != 3 || strcmp(argv[1], "--play") != 0)
        return -1;
    // Bound here, not imported: a host test must not load the player's
    // library before the module does.
    typedef BOOL(WINAPI * PlaySoundFn)(LPCSTR, HMODULE, DWORD);
    PlaySoundFn play = reinterpret_cast<PlaySoundFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("winmm.dll"), "PlaySoundA")));
    return play && play(argv[2], NULL, SND_SYNC | SND_FILENAME) ? 0 : 1;
}

std::vector<LogLine> LogLines(const std::string& log, const char* prefix)
{
    std::vector<LogLine> lines;
    size_t at = 0;
    while (at < log.size()) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos)
            end = log.size();
        std::string line = log.substr(at, end - at);
        at = end + 1;
        LogLine parsed;
        char text[512];
        if (sscanf(line.c_str(), "[%d:%d:%d.%d] %511[^\r\n]", &parsed.hour, &parsed.minute,
                   &parsed.second, &parsed.millisecond, text) != 5)
            continue;
        parsed.text = text;
        if (parsed.text.compare(0, strlen(prefix), prefix) == 0)
            lines.push_back(parsed);
    }
    return lines;
}

int MsOfDay(const LogLine& line)
{
    return ((line.hour * 60 + line.minute) * 60 + line.second) * 1000 + line.millisecond;
}

// Runs the stand-in host (or another program of the build) as a process of
// its own in the same Wine prefix, with its own local time and its own sound
// sink, and reads back what it did: its console log, its exit code and the
// bytes it played. Shared by the end-to-end tests and the benchmark.
#ifndef CHIMORA_HOST_SESSION_H
#define CHIMORA_HOST_SESSION_H

#include <windows.h>

#include <string>
#include <vector>

// One process run. Its files live in <build>/runs/<name>/: "log" (its
// standard output and error), "rc" (its exit code, written when it ended)
// and "sink.raw" (every sample it played, through the ALSA file device).
struct ProcessRun {
    std::string name;
    std::string folder;  // Windows path of the run's folder, with a trailing backslash
    ULONGLONG startedMs; // UTC milliseconds (see UtcNowMs) when it was launched
};

// The settings a host's module reads at load. Enable is always 1.
struct HostSettings {
    LONG signalType;
    LONG timeType;
    LONG interval;
    const char* wave;  // a file of the build folder, or "" for none
};

// A file of the build folder, as a Windows path.
std::string BuildFile(const char* name);

// UTC now, in milliseconds since 1601, to the platform's best precision.
ULONGLONG UtcNowMs();

// The first minute boundary at least leadMs ahead of now, in UtcNowMs terms.
ULONGLONG NextBoundaryMs(ULONGLONG leadMs);

// The offset from UTC, in whole minutes within +-12 h, that makes the local
// clock read hour:minute at the UTC boundary.
int OffsetForLocalTime(ULONGLONG boundaryMs, int hour, int minute);

// Writes the settings to the registry for the next module to load.
void WriteHostSettings(const HostSettings& settings);

// Starts program (a file of the build folder, or an absolute Unix path) with args, its local time
// offsetMinutes ahead of UTC and its sound going to its own sink; it is
// killed should it still run after limitMs. Wine gives a child the parent's
// Unix environment whatever its Windows one says, so the run is started as a
// Unix process with TZ and the sink in its own. False when it could not be
// started.
bool Launch(ProcessRun* run, const char* name, const char* program,
            const std::vector<std::string>& args, int offsetMinutes, DWORD limitMs);

// Waits until the run's log holds text; false after timeoutMs.
bool AwaitLog(const ProcessRun& run, const char* text, DWORD timeoutMs);

// Waits until every run has ended; false after timeoutMs.
bool AwaitEnd(const std::vector<ProcessRun*>& runs, DWORD timeoutMs);

// The run's exit code; -1 while it runs.
int ExitCode(const ProcessRun& run);

// The run's log, UTF-8 as the host writes it.
std::string LogText(const ProcessRun& run);

// Bytes the run has played so far.
LONGLONG SinkBytes(const ProcessRun& run);

// For a test program started as "PROGRAM --play FILE": plays FILE once
// with a plain PlaySoundA, the measure of one play in the program's sink,
// and returns the exit code to end with (0 when it played). -1 when the
// program was started otherwise.
int PlayOnceIfAsked(int argc, char** argv);

// A line of a host's log: its local time stamp and its text.
struct LogLine {
    int hour, minute, second, millisecond;
    std::string text;
};

// The host's log lines whose text begins with prefix.
std::vector<LogLine> LogLines(const std::string& log, const char* prefix);

// A log line's time as milliseconds since midnight.
int MsOfDay(const LogLine& line);

#endif

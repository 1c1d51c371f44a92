// Benchmark, not a test: how the time signal keeps to the clock over several
// minute boundaries, with nothing faked. Three stand-in hosts run the built
// module on their real window timers and Wine's real player, their sound
// captured through the ALSA file device:
//   interval  Interval 60: one asynchronous play every minute
//   strike    Interval 60 in strike mode: a chime runner every minute
//   idle      enabled, Interval -1: the timer runs, nothing sounds
// For each boundary it prints how late the timer message came, how long the
// tick held the host's GUI thread, and when the first sample reached the
// sink; then the idle host's timer messages per hour.
//
//   chime_bench.exe [minutes]     (default 5; run through tools/wine-run.sh)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/host_session.h"
#include "tests/test_support.h"

namespace {

const ULONGLONG kMinuteMs = 60000;
const ULONGLONG kDayMs = 86400000;
const ULONGLONG kLeadMs = 12000;  // to start the hosts before the first boundary
const ULONGLONG kWindowMs = 5000; // what follows a boundary belongs to it
const ULONGLONG kQuietMs = 300;   // sink silence that separates two sounds

struct Host {
    const char* name;   // its run folder
    const char* label;  // in the figures
    HostSettings settings;
    bool sounds;
    ProcessRun run;
    std::vector<ULONGLONG> onsets;  // UTC ms at which sound began to arrive
};

Host hosts[] = {
    {"bench-interval", "interval", {0, 0, 60, "tick.wav"}, true, {}, {}},
    {"bench-strike", "strike", {1, 0, 60, "tick.wav"}, true, {}, {}},
    {"bench-idle", "idle", {0, 0, -1, "tick.wav"}, false, {}, {}},
};
const size_t kHostCount = sizeof(hosts) / sizeof(hosts[0]);

volatile LONG watching = 1;

// Polls the sounding hosts' sinks every millisecond and notes when bytes
// start to arrive after a quiet spell.
DWORD WINAPI WatchSinks(LPVOID)
{
    LONGLONG sizes[kHostCount] = {};
    ULONGLONG changed[kHostCount] = {};
    while (watching) {
        ULONGLONG now = UtcNowMs();
        for (size_t i = 0; i < kHostCount; i++) {
            if (!hosts[i].sounds)
                continue;
            LONGLONG size = SinkBytes(hosts[i].run);
            if (size == sizes[i])
                continue;
            if (now - changed[i] > kQuietMs)
                hosts[i].onsets.push_back(now);
            sizes[i] = size;
            changed[i] = now;
        }
        Sleep(1);
    }
    return 0;
}

struct Tick {
    ULONGLONG at;  // UTC ms of the timer message
    double heldMs; // time the tick held the GUI thread
};

// The host's timer messages on the day of dayStartMs (the hosts run in UTC).
std::vector<Tick> Ticks(const std::string& log, ULONGLONG dayStartMs)
{
    std::vector<Tick> ticks;
    for (const LogLine& line : LogLines(log, "timer 5000")) {
        double held;
        if (line.text == "timer 5000") {
            Tick tick = {dayStartMs + MsOfDay(line), -1};
            ticks.push_back(tick);
        } else if (sscanf(line.text.c_str(), "timer 5000 handled in %lf ms", &held) == 1 &&
                   !ticks.empty()) {
            ticks.back().heldMs = held;
        }
    }
    return ticks;
}

// The first time in times within the window after boundary, or 0.
ULONGLONG FirstAfter(const std::vector<ULONGLONG>& times, ULONGLONG boundary)
{
    for (ULONGLONG t : times)
        if (t >= boundary && t < boundary + kWindowMs)
            return t;
    return 0;
}

struct Stat {
    double sum, max;
    int count;
};

void Add(Stat* stat, double value)
{
    stat->sum += value;
    stat->max = stat->count ? (value > stat->max ? value : stat->max) : value;
    stat->count++;
}

void PrintStat(const char* what, const Stat& stat)
{
    if (stat.count)
        printf("  %-46s mean %7.1f ms   max %7.1f ms   (%d)\n", what, stat.sum / stat.count,
               stat.max, stat.count);
    else
        printf("  %-46s none measured\n", what);
}

}  // namespace

int main(int argc, char** argv)
{
    int minutes = argc > 1 ? atoi(argv[1]) : 5;
    if (minutes < 2)
        minutes = 2;

    ULONGLONG first = NextBoundaryMs(kLeadMs);
    ULONGLONG last = first + (minutes - 1) * kMinuteMs;
    LONGLONG early = static_cast<LONGLONG>(first - kLeadMs - UtcNowMs());
    if (early > 0)
        Sleep(static_cast<DWORD>(early));
    printf("%d minute boundaries, from %02llu:%02llu UTC\n", minutes, first % kDayMs / 3600000,
           first % 3600000 / kMinuteMs);
    fflush(stdout);

    for (Host& host : hosts) {
        WriteHostSettings(host.settings);
        char seconds[32];
        sprintf(seconds, "%.3f", (last + 4000 - UtcNowMs()) / 1000.0);
        DWORD limit = static_cast<DWORD>(last + 30000 - UtcNowMs());
        if (!Launch(&host.run, host.name, "standin_host.exe", {"--run", seconds}, 0, limit) ||
            !AwaitLog(host.run, "StartModule returned 1", 20000)) {
            printf("%s did not start:\n%s\n", host.name, LogText(host.run).c_str());
            return 1;
        }
    }
    DeleteSettingsKey();

    HANDLE watcher = CreateThread(NULL, 0, WatchSinks, NULL, 0, NULL);
    std::vector<ProcessRun*> runs;
    for (Host& host : hosts)
        runs.push_back(&host.run);
    bool ended = AwaitEnd(runs, static_cast<DWORD>(last + 45000 - UtcNowMs()));
    InterlockedExchange(&watching, 0);
    WaitForSingleObject(watcher, INFINITE);
    DeleteSettingsKey();
    if (!ended) {
        printf("the hosts did not end\n");
        return 1;
    }

    printf("\n%-9s %-15s %12s %10s %14s %14s\n", "boundary", "host", "timer late", "tick held",
           "sound start", "sound - timer");
    Stat timerLate = {}, held = {}, soundLate[kHostCount] = {}, ownPart[kHostCount] = {};
    ULONGLONG dayStart = first / kDayMs * kDayMs;
    for (ULONGLONG boundary = first; boundary <= last; boundary += kMinuteMs) {
        for (size_t i = 0; i < kHostCount; i++) {
            Host& host = hosts[i];
            std::vector<Tick> ticks = Ticks(LogText(host.run), dayStart);
            const Tick* tick = NULL;
            for (const Tick& t : ticks)
                if (t.at >= boundary && t.at < boundary + kWindowMs)
                    tick = &t;
            ULONGLONG onset = FirstAfter(host.onsets, boundary);
            printf("%02llu:%02llu:00  %-15s", boundary % kDayMs / 3600000,
                   boundary % 3600000 / kMinuteMs, host.label);
            if (tick) {
                printf(" %+9lld ms %7.1f ms", static_cast<LONGLONG>(tick->at - boundary), tick->heldMs);
                Add(&timerLate, static_cast<double>(tick->at - boundary));
                Add(&held, tick->heldMs);
            } else {
                printf(" %12s %10s", "none", "-");
            }
            if (onset) {
                printf(" %+11lld ms", static_cast<LONGLONG>(onset - boundary));
                Add(&soundLate[i], static_cast<double>(onset - boundary));
                if (tick) {
                    printf(" %+11lld ms", static_cast<LONGLONG>(onset - tick->at));
                    Add(&ownPart[i], static_cast<double>(onset - tick->at));
                }
            } else {
                printf(" %14s", host.sounds ? "none" : "-");
            }
            printf("\n");
        }
    }

    printf("\nsummary\n");
    PrintStat("timer message after the boundary", timerLate);
    PrintStat("tick held the GUI thread", held);
    for (size_t i = 0; i < kHostCount; i++) {
        if (!hosts[i].sounds)
            continue;
        std::string what = std::string("sound start after the boundary, ") + hosts[i].label;
        PrintStat(what.c_str(), soundLate[i]);
        what = std::string("sound start after the timer message, ") + hosts[i].label;
        PrintStat(what.c_str(), ownPart[i]);
    }
    for (Host& host : hosts) {
        if (host.sounds)
            continue;
        std::vector<Tick> ticks = Ticks(LogText(host.run), dayStart);
        if (ticks.size() < 2) {
            printf("  %s: %u timer messages\n", host.label, static_cast<unsigned>(ticks.size()));
            continue;
        }
        double spacing = static_cast<double>(ticks.back().at - ticks.front().at) / (ticks.size() - 1);
        printf("  %s: %u timer messages in %d minutes, one every %.3f s: %.1f per hour\n",
               host.label, static_cast<unsigned>(ticks.size()), minutes, spacing / 1000,
               3600000 / spacing);
    }
    return 0;
}

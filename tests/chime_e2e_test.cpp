// The time signal end to end, nothing faked inside the module: stand-in
// hosts, each a process with its own local time (TZ) and its own ALSA file
// sink, load the built module, which arms its real window timer and plays
// through Wine's real PlaySoundA. All scenarios share one minute boundary;
// the bytes in each sink, divided by one plain play's bytes, count the plays.
//
// Run with --play FILE, the program plays FILE once with a plain PlaySoundA
// and ends: that is the measure of one play.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <math.h>
#include <string.h>

#include "tests/host_session.h"
#include "tests/test_support.h"

namespace {

// Made by the build. The capture sink is not paced: Wine plays into it
// about four times faster than real time, so a strike that must outlast the
// host's unload uses the long sound.
const char kTick[] = "tick.wav";  // 0.2 s
const char kLong[] = "long.wav";  // 6 s
const char* const kSounds[] = {kTick, kLong};
const size_t kSoundCount = sizeof(kSounds) / sizeof(kSounds[0]);

struct Scenario {
    const char* name;
    HostSettings settings;
    int hour, minute;  // local time at the boundary
    int runAfterMs;    // the host ends that long after the boundary
    int lingerMs;      // and then stays that long without the module
    int plays;         // expected; -1: not counted
};

const Scenario kScenarios[] = {
    {"strike-24h-14", {1, 1, 3600, kTick}, 14, 0, 9000, 0, 14},
    {"strike-12h-14", {1, 0, 3600, kTick}, 14, 0, 9000, 0, 2},
    {"interval-900-at-45", {0, 0, 900, kTick}, 10, 45, 6000, 0, 1},
    {"interval-900-at-46", {0, 0, 900, kTick}, 10, 46, 6000, 0, 0},
    {"empty-wave", {0, 0, 60, ""}, 10, 45, 6000, 0, 0},
    {"unload-mid-strike-linger", {1, 0, 3600, kLong}, 17, 0, 2000, 14000, 5},
    {"unload-mid-strike-exit", {1, 0, 3600, kLong}, 17, 0, 2000, 0, -1},
};
const size_t kScenarioCount = sizeof(kScenarios) / sizeof(kScenarios[0]);

// Each host takes a second or two to start under Wine; they start one after
// the other, because each must read its own settings from the one registry.
const ULONGLONG kLeadMs = 3000 * (kScenarioCount + kSoundCount) + 5000;

// Time a run gets beyond its plan before it is killed.
const DWORD kSlackMs = 20000;

// Everything the one shared boundary produced.
struct Outcome {
    bool ran;
    std::string failure;
    ULONGLONG boundaryMs;
    LONGLONG playBytes[kSoundCount];  // one plain play of each sound
    ProcessRun calibrations[kSoundCount];
    ProcessRun hosts[kScenarioCount];
};

Outcome outcome;

std::string Seconds(ULONGLONG ms)
{
    char text[32];
    sprintf(text, "%.3f", ms / 1000.0);
    return text;
}

// Starts every scenario's host for the next boundary far enough ahead,
// waits for them all and measures one play.
void RunAllAtOneBoundary()
{
    outcome.ran = true;
    ASSERT_EQ(GetACP(), 932u);
    outcome.boundaryMs = NextBoundaryMs(kLeadMs);
    // No host may see an earlier boundary.
    LONGLONG early = static_cast<LONGLONG>(outcome.boundaryMs - kLeadMs - UtcNowMs());
    if (early > 0)
        Sleep(static_cast<DWORD>(early));
    std::vector<ProcessRun*> all;

    for (size_t i = 0; i < kScenarioCount; i++) {
        const Scenario& s = kScenarios[i];
        ProcessRun& run = outcome.hosts[i];
        WriteHostSettings(s.settings);
        ULONGLONG runMs = outcome.boundaryMs + s.runAfterMs - UtcNowMs();
        std::vector<std::string> args = {"--run", Seconds(runMs)};
        if (s.lingerMs)
            args.insert(args.end(), {"--linger", Seconds(s.lingerMs)});
        ASSERT_TRUE(Launch(&run, s.name, "standin_host.exe", args,
                           OffsetForLocalTime(outcome.boundaryMs, s.hour, s.minute),
                           static_cast<DWORD>(runMs + s.lingerMs + kSlackMs)))
            << s.name;
        all.push_back(&run);
        // Its module has read the settings once it has started.
        ASSERT_TRUE(AwaitLog(run, "StartModule returned", 20000)) << s.name << ":\n" << LogText(run);
        ASSERT_LT(UtcNowMs() + 500, outcome.boundaryMs) << s.name << " started too late";
    }
    DeleteSettingsKey();

    for (size_t i = 0; i < kSoundCount; i++) {
        std::string name = std::string("one-play-") + kSounds[i];
        ASSERT_TRUE(Launch(&outcome.calibrations[i], name.c_str(), "chime_e2e_test.exe",
                           {"--play", BuildFile(kSounds[i])}, 0, kSlackMs));
        all.push_back(&outcome.calibrations[i]);
    }

    int lastEndMs = 0;
    for (const Scenario& s : kScenarios)
        lastEndMs = s.runAfterMs + s.lingerMs > lastEndMs ? s.runAfterMs + s.lingerMs : lastEndMs;
    ULONGLONG untilEnd = outcome.boundaryMs + lastEndMs + kSlackMs + 5000 - UtcNowMs();
    ASSERT_TRUE(AwaitEnd(all, static_cast<DWORD>(untilEnd)));
    Sleep(500);  // the sinks' writers drain after their process ends
    for (size_t i = 0; i < kSoundCount; i++) {
        ASSERT_EQ(ExitCode(outcome.calibrations[i]), 0) << kSounds[i];
        outcome.playBytes[i] = SinkBytes(outcome.calibrations[i]);
        ASSERT_GT(outcome.playBytes[i], 0) << "no sound captured: is the sink set up?";
    }
    // The hosts saved their settings at unload.
    DeleteSettingsKey();
}

class ChimeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!outcome.ran) {
            RunAllAtOneBoundary();
            if (HasFatalFailure())
                outcome.failure = "the shared run failed; see the first test";
        }
        ASSERT_TRUE(outcome.failure.empty()) << outcome.failure;
    }

    const Scenario& Find(const char* name, const ProcessRun** run)
    {
        for (size_t i = 0; i < kScenarioCount; i++) {
            if (!strcmp(kScenarios[i].name, name)) {
                *run = &outcome.hosts[i];
                return kScenarios[i];
            }
        }
        ADD_FAILURE() << "no scenario " << name;
        *run = &outcome.hosts[0];
        return kScenarios[0];
    }

    // One plain play of the scenario's sound, in bytes.
    LONGLONG PlayBytes(const Scenario& s)
    {
        for (size_t i = 0; i < kSoundCount; i++)
            if (!strcmp(kSounds[i], s.settings.wave))
                return outcome.playBytes[i];
        return outcome.playBytes[0];
    }

    // Plays in the run's sink, to the nearest whole play: Wine's mixer may
    // add or drop a period now and then.
    int Plays(const Scenario& s, const ProcessRun& run)
    {
        return static_cast<int>(floor(static_cast<double>(SinkBytes(run)) / PlayBytes(s) + 0.5));
    }

    // What every host must show: a clean end, one tick of the module's timer
    // at the boundary, read in the scenario's own local time, and the
    // expected number of plays.
    void ExpectScenario(const char* name)
    {
        const ProcessRun* run;
        const Scenario& s = Find(name, &run);
        std::string log = LogText(*run);
        SCOPED_TRACE(std::string(name) + ", log:\n" + log);

        EXPECT_EQ(ExitCode(*run), 0);
        EXPECT_EQ(LogLines(log, "StartModule returned 1").size(), 1u);
        std::vector<LogLine> ticks;
        for (const LogLine& line : LogLines(log, "timer 5000"))
            if (line.text == "timer 5000")
                ticks.push_back(line);
        ASSERT_EQ(ticks.size(), 1u) << "one tick, at the boundary";
        EXPECT_EQ(ticks[0].hour, s.hour);
        EXPECT_EQ(ticks[0].minute, s.minute);
        EXPECT_LE(ticks[0].second, 1) << "the timer fires at most a second late";
        EXPECT_EQ(LogLines(log, "StopModule returned 1").size(), 1u) << "the tick re-armed";
        if (s.plays >= 0)
            EXPECT_EQ(Plays(s, *run), s.plays) << SinkBytes(*run) << " bytes, " << PlayBytes(s)
                                               << " per play";
        EXPECT_EQ(LogLines(log, "exit").size(), 1u);
    }
};

TEST_F(ChimeEndToEnd, StrikeAtTheFullHourPlaysTheHourCount)
{
    ExpectScenario("strike-24h-14");
    ExpectScenario("strike-12h-14");
}

TEST_F(ChimeEndToEnd, IntervalPlaysOnceOnItsGridAndNotOffIt)
{
    ExpectScenario("interval-900-at-45");
    ExpectScenario("interval-900-at-46");
}

TEST_F(ChimeEndToEnd, EmptyWaveNamePlaysNothing)
{
    ExpectScenario("empty-wave");
}

// The host unloads the module while its chime runner still strikes: the
// runner's own reference keeps the module mapped until its last stroke, and
// then the module goes. Neither a host that stays nor one that exits at once
// crashes.
TEST_F(ChimeEndToEnd, UnloadDuringAStrikeEndsCleanly)
{
    const ProcessRun* run;
    ExpectScenario("unload-mid-strike-linger");
    const Scenario& linger = Find("unload-mid-strike-linger", &run);
    std::string log = LogText(*run);
    EXPECT_EQ(LogLines(log, "module unloaded, still mapped").size(), 1u) << log;
    EXPECT_EQ(LogLines(log, "after 14000 ms the module is unmapped").size(), 1u) << log;

    ExpectScenario("unload-mid-strike-exit");
    Find("unload-mid-strike-exit", &run);
    log = LogText(*run);
    EXPECT_EQ(LogLines(log, "module unloaded, still mapped").size(), 1u) << log;
    EXPECT_GT(SinkBytes(*run), 0) << "the strike had begun";
    EXPECT_LT(SinkBytes(*run), linger.plays * PlayBytes(linger)) << "and was cut short by the exit";
}

}  // namespace

int main(int argc, char** argv)
{
    int played = PlayOnceIfAsked(argc, argv);
    if (played >= 0)
        return played;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

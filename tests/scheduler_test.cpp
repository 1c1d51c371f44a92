// The minute timer's logic, driven through the scheduler's seam: a scripted
// local clock, a player and a runner start that record what they are asked,
// and the real window timer on a real window. The module's code is linked in;
// its strings come from the built module file, loaded as data.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "module/environ.h"
#include "module/module.h"
#include "module/scheduler.h"
#include "tests/test_support.h"

namespace {

struct ClockTime {
    WORD hour, minute, second;
};

struct Play {
    std::string path;
    DWORD flags;
    DWORD thread;
};

struct Strike {
    int count;
    std::string path;
};

// What the seam was asked during one case. The clock hands out the script
// in order and then repeats its last entry.
struct Recorder {
    std::vector<ClockTime> script;
    size_t readings;
    std::vector<DWORD> pauses;
    std::vector<UINT> periods;
    std::vector<Play> plays;
    std::vector<Strike> strikes;
};

Recorder seen;

// Plays come from runner threads too.
CRITICAL_SECTION playLock;
HANDLE playGate;     // plays wait here until a test opens it
HANDLE playCounted;  // set when playsWanted plays have been seen
size_t playsWanted;

void WINAPI ScriptedClock(LPSYSTEMTIME now)
{
    size_t at = seen.readings < seen.script.size() ? seen.readings : seen.script.size() - 1;
    ZeroMemory(now, sizeof(*now));
    now->wYear = 2024;
    now->wMonth = 5;
    now->wDay = 17;
    now->wHour = seen.script[at].hour;
    now->wMinute = seen.script[at].minute;
    now->wSecond = seen.script[at].second;
    seen.readings++;
}

void WINAPI CountedPause(DWORD milliseconds)
{
    seen.pauses.push_back(milliseconds);
}

// Records the period and arms the real timer.
UINT_PTR WINAPI RecordedTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC callback)
{
    seen.periods.push_back(period);
    return SetTimer(window, id, period, callback);
}

BOOL WINAPI RecordedPlay(LPCSTR sound, HMODULE module, DWORD flags)
{
    EXPECT_EQ(module, nullptr);
    WaitForSingleObject(playGate, 10000);
    EnterCriticalSection(&playLock);
    Play play = {sound, flags, GetCurrentThreadId()};
    seen.plays.push_back(play);
    if (seen.plays.size() == playsWanted)
        SetEvent(playCounted);
    LeaveCriticalSection(&playLock);
    return TRUE;
}

int RecordedRunner(int count, const char* path)
{
    Strike strike = {count, path};
    seen.strikes.push_back(strike);
    return 1;
}

const SchedulerSystem kRecordingScheduler = {
    ScriptedClock, CountedPause, RecordedTimer, RecordedPlay, RecordedRunner,
};

const char kWave[] = "C:\\Sounds\\chime.wav";

// A module object on a fresh registry key, its timer on a real window,
// reached by the timer callback as the loaded library's would be.
class Scheduling : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InitializeCriticalSection(&playLock);
        playGate = CreateEventA(NULL, TRUE, TRUE, NULL);
        playCounted = CreateEventA(NULL, TRUE, FALSE, NULL);
    }

    void SetUp() override
    {
        DeleteSettingsKey();
        strings = LoadLibraryExA(ModulePath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(strings, nullptr);
        ASSERT_NE(host.handle, nullptr);
        module = new VTAdModule(strings);
        ASSERT_NE(module->Settings, nullptr);
        module->ParentWindow = host.handle;
        module->Settings->Enable = 1;
        ProcessModule = module;
        Reset({{10, 0, 0}});
        Scheduler = kRecordingScheduler;
    }

    void TearDown() override
    {
        Scheduler = PlatformScheduler;
        ProcessModule = NULL;
        delete module;
        FreeLibrary(strings);
        DeleteSettingsKey();
    }

    void Reset(std::vector<ClockTime> script)
    {
        seen = Recorder();
        seen.script = script;
        seen.readings = 0;
        playsWanted = 0;
        ResetEvent(playCounted);
        SetEvent(playGate);
    }

    // Waits for the total number of plays to reach count.
    bool AwaitPlays(size_t count)
    {
        EnterCriticalSection(&playLock);
        playsWanted = count;
        if (seen.plays.size() >= count)
            SetEvent(playCounted);
        LeaveCriticalSection(&playLock);
        return WaitForSingleObject(playCounted, 10000) == WAIT_OBJECT_0;
    }

    HostWindow host;
    HMODULE strings;
    VTAdModule* module;
};

// ---------------------------------------------------------------- arming

struct ArmCase {
    const char* name;
    WORD second;
    UINT period;
};

const ArmCase kArmCases[] = {
    {"second 0: a full minute", 0, 60000},
    {"second 30", 30, 30000},
    {"second 59: one second", 59, 1000},
};

TEST_F(Scheduling, ArmingAimsAtTheNextMinuteBoundary)
{
    for (const ArmCase& c : kArmCases) {
        SCOPED_TRACE(c.name);
        Reset({{10, 7, c.second}});
        EXPECT_EQ(module->ArmMinuteTimer(), 1);
        ASSERT_EQ(seen.periods.size(), 1u);
        EXPECT_EQ(seen.periods[0], c.period);
        EXPECT_NE(KillTimer(host.handle, MINUTE_TIMER_ID), 0) << "timer 5000 on the host window";
    }
}

TEST_F(Scheduling, DisabledModuleArmsNothingAndLeavesAnArmedTimer)
{
    EXPECT_EQ(module->ArmMinuteTimer(), 1);
    module->Settings->Enable = 0;
    Reset({{10, 7, 0}});
    EXPECT_EQ(module->ArmMinuteTimer(), 0);
    EXPECT_TRUE(seen.periods.empty());
    EXPECT_NE(module->KillMinuteTimer(), 0) << "the earlier timer is still armed";
    EXPECT_EQ(module->KillMinuteTimer(), 0);
}

// ---------------------------------------------------------------- the tick

struct TickCase {
    const char* name;
    LONG signalType;
    LONG interval;
    const char* wave;
    SHORT lastMinute;             // before the tick
    std::vector<ClockTime> clock; // what the clock reads, in order
    size_t readings;              // clock readings of the tick, the re-arming's included
    size_t pauses;                // 100 ms pauses of the gate
    bool played;                  // played once, asynchronously
    int strokes;                  // count handed to a chime runner; 0: none
    SHORT recordedMinute;         // LastMinute after the tick
};

const TickCase kTickCases[] = {
    {"900 sounds at :45", 0, 900, kWave, 44, {{10, 45, 0}}, 2, 0, true, 0, 45},
    {"900 is silent at :46", 0, 900, kWave, 45, {{10, 46, 0}}, 2, 0, false, 0, 46},
    {"60 sounds at any minute", 0, 60, kWave, 16, {{10, 17, 1}}, 2, 0, true, 0, 17},
    {"300 sounds at :55", 0, 300, kWave, 54, {{10, 55, 0}}, 2, 0, true, 0, 55},
    {"600 is silent at :55", 0, 600, kWave, 54, {{10, 55, 0}}, 2, 0, false, 0, 55},
    {"1800 sounds at :30", 0, 1800, kWave, 29, {{10, 30, 0}}, 2, 0, true, 0, 30},
    {"3600 is silent at :30", 0, 3600, kWave, 29, {{10, 30, 0}}, 2, 0, false, 0, 30},
    {"3600 sounds at :00", 0, 3600, kWave, 59, {{11, 0, 0}}, 2, 0, true, 0, 0},
    {"-1 never sounds and records nothing", 0, -1, kWave, -1, {{11, 0, 0}}, 1, 0, false, 0, -1},
    {"-1 never strikes", 1, -1, kWave, 59, {{11, 0, 0}}, 1, 0, false, 0, 59},
    {"0 seconds: a 0-minute step never sounds", 0, 0, kWave, 59, {{11, 0, 0}}, 2, 0, false, 0, 0},
    {"59 seconds: a 0-minute step never sounds", 0, 59, kWave, 59, {{11, 0, 0}}, 2, 0, false, 0, 0},
    {"low 16 bits of 30: a 0-minute step never strikes", 1, 0x10000 + 30, kWave, 59, {{11, 0, 0}},
     2, 0, false, 0, 0},
    {"only the low 16 bits count: 65536 + 900 sounds at :45", 0, 0x10000 + 900, kWave, 44,
     {{10, 45, 0}}, 2, 0, true, 0, 45},
    {"empty WaveName plays nothing", 0, 900, "", 44, {{10, 45, 0}}, 2, 0, false, 0, 45},
    {"empty WaveName strikes nothing", 1, 3600, "", 59, {{11, 0, 0}}, 2, 0, false, 0, 0},
    {"strike on the grid", 1, 3600, kWave, 59, {{11, 0, 0}}, 3, 0, false, 11, 0},
    {"strike off the grid", 1, 3600, kWave, 29, {{11, 30, 0}}, 2, 0, false, 0, 30},
    {"same minute as the last tick: 30 readings, 30 pauses, then that minute", 0, 900, kWave, 45,
     {{10, 45, 58}}, 31, 30, true, 0, 45},
    {"minute turns over during the wait", 0, 900, kWave, 44,
     {{10, 44, 59}, {10, 44, 59}, {10, 45, 0}}, 4, 2, true, 0, 45},
    {"late tick tests its own minute; the passed one is not made up", 0, 900, kWave, 44,
     {{10, 46, 5}}, 2, 0, false, 0, 46},
};

TEST_F(Scheduling, TickSoundsOnTheGridAndAlwaysRearms)
{
    for (const TickCase& c : kTickCases) {
        SCOPED_TRACE(c.name);
        Reset(c.clock);
        module->Settings->SignalType = c.signalType;
        module->Settings->TimeType = 1;
        module->Settings->Interval = c.interval;
        lstrcpyA(module->Settings->WaveName, c.wave);
        module->LastMinute = c.lastMinute;

        module->OnTick();

        EXPECT_EQ(seen.readings, c.readings);
        EXPECT_EQ(seen.pauses, std::vector<DWORD>(c.pauses, 100));
        if (c.played) {
            ASSERT_EQ(seen.plays.size(), 1u);
            EXPECT_EQ(seen.plays[0].path, c.wave);
            EXPECT_EQ(seen.plays[0].flags, static_cast<DWORD>(SND_ASYNC)) << "SND_ASYNC alone";
        } else {
            EXPECT_TRUE(seen.plays.empty());
        }
        if (c.strokes) {
            ASSERT_EQ(seen.strikes.size(), 1u);
            EXPECT_EQ(seen.strikes[0].count, c.strokes);
            EXPECT_EQ(seen.strikes[0].path, c.wave);
        } else {
            EXPECT_TRUE(seen.strikes.empty());
        }
        EXPECT_EQ(module->LastMinute, c.recordedMinute);
        if (c.recordedMinute != c.lastMinute || c.pauses) {
            const ClockTime& last = c.clock.back();
            EXPECT_EQ(module->LastHour, last.hour);
            EXPECT_EQ(module->LastSecond, last.second);
        }
        // Re-armed from the second of the last reading.
        ASSERT_EQ(seen.periods.size(), 1u);
        EXPECT_EQ(seen.periods[0], (60u - c.clock.back().second) * 1000u);
        EXPECT_NE(KillTimer(host.handle, MINUTE_TIMER_ID), 0) << "re-armed";
    }
}

TEST_F(Scheduling, DisabledTickDoesNotRearm)
{
    module->Settings->Interval = 60;
    module->ArmMinuteTimer();
    module->Settings->Enable = 0;
    Reset({{10, 1, 0}});
    module->OnTick();
    EXPECT_TRUE(seen.periods.empty());
    EXPECT_EQ(module->KillMinuteTimer(), 0) << "the tick killed it and armed nothing";
}

// ---------------------------------------------------------------- strokes

struct StrokeCase {
    const char* name;
    ClockTime at;
    LONG interval;
    int twelveHour;
    int twentyFourHour;
};

const StrokeCase kStrokeCases[] = {
    {"00:00", {0, 0, 0}, 3600, 12, 24},
    {"01:00", {1, 0, 0}, 3600, 1, 1},
    {"11:00", {11, 0, 0}, 3600, 11, 11},
    {"12:00", {12, 0, 0}, 3600, 12, 12},
    {"13:00", {13, 0, 0}, 3600, 1, 13},
    {"23:00", {23, 0, 0}, 3600, 11, 23},
    {"00:30 is one stroke", {0, 30, 0}, 1800, 1, 1},
    {"13:30 is one stroke", {13, 30, 0}, 1800, 1, 1},
    {"23:30 is one stroke", {23, 30, 0}, 1800, 1, 1},
    {"every minute, 13:17", {13, 17, 0}, 60, 1, 13},
};

TEST_F(Scheduling, StrikeCountsTheHourInEitherHourSystem)
{
    for (const StrokeCase& c : kStrokeCases) {
        for (LONG timeType = 0; timeType <= 1; timeType++) {
            SCOPED_TRACE(std::string(c.name) + (timeType ? ", 24-hour count" : ", 12-hour count"));
            Reset({c.at});
            module->Settings->SignalType = 1;
            module->Settings->TimeType = timeType;
            module->Settings->Interval = c.interval;
            lstrcpyA(module->Settings->WaveName, kWave);
            module->LastMinute = -1;

            module->OnTick();

            ASSERT_EQ(seen.strikes.size(), 1u);
            EXPECT_EQ(seen.strikes[0].count, timeType ? c.twentyFourHour : c.twelveHour);
            EXPECT_EQ(seen.strikes[0].path, kWave);
            EXPECT_TRUE(seen.plays.empty()) << "the tick itself plays nothing";
            EXPECT_NE(KillTimer(host.handle, MINUTE_TIMER_ID), 0) << "re-armed";
        }
    }
}

// ---------------------------------------------------------------- callback

struct CallbackCase {
    const char* name;
    UINT_PTR id;
    bool withModule;
    bool armed;  // false: the message was posted before the timer was killed
    bool ticks;
};

const CallbackCase kCallbackCases[] = {
    {"timer 5000 runs the tick", MINUTE_TIMER_ID, true, true, true},
    {"another timer is ignored", MINUTE_TIMER_ID + 1, true, true, false},
    {"no module object: nothing", MINUTE_TIMER_ID, false, true, false},
    {"a message left over after the kill: nothing, no timer armed", MINUTE_TIMER_ID, true, false,
     false},
};

TEST_F(Scheduling, CallbackTicksOnlyForItsTimerAndAnExistingModule)
{
    for (const CallbackCase& c : kCallbackCases) {
        SCOPED_TRACE(c.name);
        Reset({{10, 45, 0}});
        module->Settings->Interval = 900;
        lstrcpyA(module->Settings->WaveName, kWave);
        module->LastMinute = 44;
        module->TimerWindow = c.armed ? host.handle : NULL;
        ProcessModule = c.withModule ? module : NULL;

        OnMinuteTimer(host.handle, WM_TIMER, c.id, GetTickCount());

        ProcessModule = module;
        EXPECT_EQ(seen.plays.size(), c.ticks ? 1u : 0u);
        EXPECT_EQ(KillTimer(host.handle, MINUTE_TIMER_ID) != 0, c.ticks) << "a tick re-arms";
    }
}

// ---------------------------------------------------------------- runner

// The real runner start, with the recording player: each stroke is a
// synchronous play on the runner's own thread, of the runner's own path.
TEST_F(Scheduling, RunnerPlaysItsCountSynchronouslyOnItsOwnThread)
{
    Scheduler.StartRunner = StartChimeRunner;
    Reset({{3, 0, 0}});
    ResetEvent(playGate);
    module->Settings->SignalType = 1;
    module->Settings->TimeType = 0;
    module->Settings->Interval = 3600;
    lstrcpyA(module->Settings->WaveName, kWave);

    module->OnTick();
    // What the tick read from is gone once the runner plays.
    lstrcpyA(module->Settings->WaveName, "C:\\Sounds\\other.wav");
    SetEvent(playGate);

    ASSERT_TRUE(AwaitPlays(3));
    Sleep(300);  // a fourth stroke would show up here
    EnterCriticalSection(&playLock);
    std::vector<Play> plays = seen.plays;
    LeaveCriticalSection(&playLock);
    ASSERT_EQ(plays.size(), 3u);
    for (const Play& play : plays) {
        EXPECT_EQ(play.path, kWave);
        EXPECT_EQ(play.flags, static_cast<DWORD>(SND_SYNC)) << "SND_SYNC alone";
        EXPECT_NE(play.thread, GetCurrentThreadId());
        EXPECT_EQ(play.thread, plays[0].thread);
    }
}

// A strike started while an earlier runner still plays gets its own count
// and path; the earlier runner goes on with its own.
TEST_F(Scheduling, OverlappingRunnersKeepTheirOwnCountAndPath)
{
    Scheduler.StartRunner = StartChimeRunner;
    module->Settings->SignalType = 1;
    module->Settings->TimeType = 0;
    module->Settings->Interval = 1800;

    Reset({{2, 0, 0}});
    ResetEvent(playGate);
    lstrcpyA(module->Settings->WaveName, "C:\\Sounds\\two.wav");
    module->OnTick();

    seen.script = {{2, 30, 0}};
    seen.readings = 0;
    lstrcpyA(module->Settings->WaveName, "C:\\Sounds\\half.wav");
    module->OnTick();
    SetEvent(playGate);

    ASSERT_TRUE(AwaitPlays(3));
    Sleep(300);
    EnterCriticalSection(&playLock);
    std::vector<Play> plays = seen.plays;
    LeaveCriticalSection(&playLock);
    ASSERT_EQ(plays.size(), 3u);
    int two = 0, half = 0;
    for (const Play& play : plays) {
        if (play.path == "C:\\Sounds\\two.wav")
            two++;
        else if (play.path == "C:\\Sounds\\half.wav")
            half++;
    }
    EXPECT_EQ(two, 2);
    EXPECT_EQ(half, 1);
    KillTimer(host.handle, MINUTE_TIMER_ID);
}

}  // namespace

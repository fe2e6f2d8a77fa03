// Measures the real RaveloRemote.exe from the program folder under Wine,
// driven the way a user drives it: the simulated service posts the remote
// keys, the stand-ins of the sibling programs answer, and the program is
// observed from outside (its windows, the OSD form's alpha, the player's
// activity log, and the process's CPU time, memory, handles and threads).
// Prints markdown tables and writes everything it saw to the raw output.
// Not a test: nothing here passes or fails, apart from a run that cannot
// take place at all.
//
//   program_bench [--out FILE] [--startups N] [--reps N] [--log-reps N]
//                 [--idle SECONDS] [--displays N] [--speed FACTOR] [--quick]
//                 [--baseline PROGRAM_FOLDER]
//
// With --baseline, the start-ups, the displays and the memory loop run for
// both program folders in one session, alternating run by run, and every
// headline figure comes with its baseline and their ratio. The last line
// of standard output is always one JSON object with the headline figures.
#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "BenchRig.h"
#include "BenchStats.h"
#include "FadeMeter.h"
#include "MovieFile.h"
#include "OsdWatcher.h"
#include "PlayerLog.h"
#include "ProcessProbe.h"
#include "ProtocolFacts.h"

using namespace bench;
using harness::FindEvent;
using harness::PlayerEvent;
using harness::PlayerLog;

namespace {

// The program's own timing, as designed: the pauses after its movie
// commands, the holds, the idle timer, the pause before ending the level
// and tuning displays, and the fade.
constexpr double kCommandPauseMs = 100;
constexpr double kProfileHoldMs = 2000;
constexpr double kCaptionWaitMs = 3000; // Kelvo auto; the warnings used here
constexpr double kIdleTimerMs = 3000;
constexpr double kEndPauseMs = 250;
constexpr double kFadeMs = 250;
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr int kOsdAlpha = 229;

constexpr DWORD kDisplayTimeoutMs = 30000;
constexpr DWORD kStartTimeoutMs = 60000;

struct Options {
    int startups = 7;
    int reps = 5;
    int logReps = 3;
    int idleSeconds = 60;
    int displays = 1000;
    double speed = 1000;
    std::string out;
    std::string baseline;     // program folder to compare with, run by run
    bool startupOnly = false; // with --baseline: the start-ups alone
};

struct DisplayKind {
    const char* name;
    const char* movie; // movie file base name, and the caption of its player window
    LONG key;
    double pausesMs;      // the program's pauses before the display is on screen
    bool holdAfterIntro;  // the hold starts with the movie's intro call-back
    double holdMs;        // from the start of the hold to the end command
    bool pauseAfterStart; // the pause follows the command that starts the movie (the level's "show %d")
    const char* startCommand;
    const char* endCommand;
};

// The pauses: label (or the level's "show %d", or the tuning's set2Digit)
// and, for the warning, the content as well.
const DisplayKind kProfileOn{
    "profile on", "RaveloProfileOn", kKeyProfileA, kCommandPauseMs, true, kProfileHoldMs, false, "show", "end"};
const DisplayKind kProfileOff{
    "profile off", "RaveloProfileOff", kKeyProfileA, kCommandPauseMs, true, kProfileHoldMs, false, "show", "end"};
const DisplayKind kKelvoAuto{"Kelvo auto", "KelvoAuto", kKeyAutoMode, kCommandPauseMs, false, kCaptionWaitMs,
                             false,        "show",      "end"};
const DisplayKind kKelvoManual{
    "Kelvo manual", "KelvoManual", kKeyManualMode, kCommandPauseMs, false, kIdleTimerMs + kEndPauseMs,
    true,           "show",        "end"};
const DisplayKind kTuning{"tuning", "OCTuning", kKeyTuneUp, kCommandPauseMs, true, kIdleTimerMs + kEndPauseMs,
                          false,    "in",       "out"};
// Key 148 while the engine is not running: the 3000 ms "not running" notice.
const DisplayKind kWarning{"warning", "Warning", kKeyAutoMode, 2 * kCommandPauseMs, false, kCaptionWaitMs,
                           false,     "show",    "end"};

const DisplayKind* const kKinds[] = {&kProfileOn, &kProfileOff, &kKelvoAuto, &kKelvoManual, &kTuning, &kWarning};

// Everything printed is kept for the raw output.
class Output {
public:
    void Line(const std::string& text) {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        all_ += text + "\n";
    }
    void Table(const std::string& text) {
        tables_ += text + "\n";
        Line(text);
    }
    const std::string& Tables() const { return tables_; }
    bool Write(const std::string& path) const { return path.empty() || testsupport::WriteTextFile(path, all_); }

private:
    std::string all_;
    std::string tables_;
};

Output out;

struct DisplaySample {
    bool ok = false;
    std::string problem;
    std::string player;
    double keyCallMs = -1;
    double shownMs = -1;
    double hiddenMs = -1;
    double nominalMs = 0;
    double guiCpuMs = -1;     // the GUI thread over the whole display (schedstat, else GetThreadTimes)
    double openGuiCpuMs = -1; // the GUI thread from the key until the display is on screen
    double processCpuMs = -1; // the whole process
    FadeMeter::Result fade;   // the fade thread alone
    std::vector<AlphaChange> alphas;
    // From the player's log (ticks), when it was on.
    double introMs = -1, holdMs = -1, outroMs = -1, callbackToHideMs = -1;
    double keyToFirstRequestMs = -1, startToShownMs = -1;
};

struct KindResults {
    Series shown, overhead, hidden, deviation, keyCall, gui, openGui, other;
    Series keyToFirstRequest, startToShown;
    Series intro, hold, outro, callbackToHide, firstStepToHide;
    Series fade, fadeMissed; // the fade thread's CPU time, and the bound of its unread end
    int fadeUnmeasured = 0;
    std::map<std::string, int> alphaPatterns;
    int failures = 0;
    std::vector<std::string> problems;
};

// GUI thread and process CPU of the program, read between displays.
class CpuMeter {
public:
    CpuMeter(ProcessProbe& probe, DWORD guiThread) : probe_(probe), guiThread_(guiThread) {
        // The Linux run time of the first thread stands for the GUI thread
        // only when both accountings of that thread agree.
        const UnixFigures unix = probe_.SampleUnix();
        const double api = ProcessProbe::ThreadCpuMs(guiThread_);
        useSchedstat_ = unix.valid && api >= 0 && std::abs(unix.leaderCpuMs - api) <= 20;
    }
    struct Reading {
        double guiMs = -1;
        double processMs = -1;
    };
    Reading Read() const {
        Reading reading;
        if (useSchedstat_) {
            const UnixFigures unix = probe_.SampleUnix();
            if (unix.valid)
                reading.guiMs = unix.leaderRunMs;
        } else {
            reading.guiMs = ProcessProbe::ThreadCpuMs(guiThread_);
        }
        const ProcessFigures figures = probe_.Sample();
        if (figures.valid)
            reading.processMs = figures.cpuMs;
        return reading;
    }
    // The GUI thread only.
    double ReadGui() const { return useSchedstat_ ? probe_.UnixLeaderRunMs() : ProcessProbe::ThreadCpuMs(guiThread_); }
    bool UsesSchedstat() const { return useSchedstat_; }

private:
    ProcessProbe& probe_;
    DWORD guiThread_;
    bool useSchedstat_ = false;
};

// The mean step of GetTickCount over half a second (Wine advances it in
// irregular steps of up to about 16 ms).
double TickResolutionMs() {
    const DWORD first = GetTickCount();
    DWORD previous = first;
    int steps = 0;
    const double start = NowMs();
    while (NowMs() - start < 500) {
        const DWORD now = GetTickCount();
        if (now != previous) {
            ++steps;
            previous = now;
        }
    }
    return steps > 0 ? static_cast<double>(previous - first) / steps : 0;
}

double SleepOneMs() {
    const double start = NowMs();
    for (int i = 0; i < 50; ++i)
        Sleep(1);
    return (NowMs() - start) / 50;
}

std::string WineVersion() {
    using VersionFunc = const char*(CDECL*)();
    const auto version = reinterpret_cast<VersionFunc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    return version != nullptr ? std::string("Wine ") + version() : std::string("Windows (not Wine)");
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string Mb(double bytes) { return Format("%.2f MB", bytes / (1024.0 * 1024.0)); }

double NominalCycleMs(const DisplayKind& kind, const MovieLengths& lengths) {
    return kind.pausesMs + (kind.holdAfterIntro ? lengths.introMs : 0) + kind.holdMs + lengths.outroMs + kFadeMs;
}

std::string AlphaPattern(const std::vector<AlphaChange>& alphas) {
    std::string pattern;
    for (const AlphaChange& change : alphas) {
        if (change.alpha == kOsdAlpha && pattern.empty())
            continue;
        if (!pattern.empty())
            pattern += ' ';
        pattern += std::to_string(change.alpha);
    }
    return pattern.empty() ? "(none)" : pattern;
}

// Ticks between two log events (signed, so a wrap of the counter between
// them does no harm).
double TickDelta(const PlayerEvent* from, const PlayerEvent* to) {
    if (from == nullptr || to == nullptr)
        return -1;
    return static_cast<double>(static_cast<LONG>(to->tick - from->tick));
}

// One display: the key through the service, the OSD watched until it is
// hidden again, then a settling pause in which the program finishes the
// display's work (the state's end, the messages to the siblings).
DisplaySample RunDisplay(BenchRig& rig, const OsdWatcher& watcher, const CpuMeter& cpu, FadeMeter& fade,
                         const DisplayKind& kind, const MovieLengths& lengths, PlayerLog* log, double tickResolution,
                         DWORD settleMs) {
    DisplaySample sample;
    sample.nominalMs = NominalCycleMs(kind, lengths);
    if (watcher.OsdVisible() && !watcher.WaitHidden(kDisplayTimeoutMs)) {
        sample.problem = "the OSD was still visible before the key";
        return sample;
    }
    if (log != nullptr)
        log->Next(); // whatever came before this display
    const CpuMeter::Reading before = cpu.Read();
    fade.Begin();
    TickMap ticks;
    const double origin = NowMs();
    if (!rig.Press(kind.key)) {
        sample.problem = "the service did not post the key";
        return sample;
    }
    sample.keyCallMs = NowMs() - origin;
    double guiAtShown = -1;
    // The fade has begun once the form's alpha falls below the value it was shown with.
    auto fading = [](const DisplayTrace& trace) {
        if (trace.alphas.size() < 2 || trace.alphas.front().alpha != kOsdAlpha)
            return false;
        const int alpha = trace.alphas.back().alpha;
        return alpha >= 0 && alpha < kOsdAlpha;
    };
    const DisplayTrace trace = watcher.Watch(
        origin, kDisplayTimeoutMs, &ticks, [&cpu, &guiAtShown] { guiAtShown = cpu.ReadGui(); },
        [&fade, &fading](double now, const DisplayTrace& sofar) { fade.Poll(now, fading(sofar)); });
    if (trace.Complete())
        fade.Finish(origin + trace.hiddenMs, 300);
    sample.fade = fade.Get();
    if (before.guiMs >= 0 && guiAtShown >= 0)
        sample.openGuiCpuMs = guiAtShown - before.guiMs;
    sample.player = trace.player;
    sample.shownMs = trace.shownMs;
    sample.hiddenMs = trace.hiddenMs;
    sample.alphas = trace.alphas;
    Sleep(settleMs);
    const CpuMeter::Reading after = cpu.Read();
    if (before.guiMs >= 0 && after.guiMs >= 0)
        sample.guiCpuMs = after.guiMs - before.guiMs;
    if (before.processMs >= 0 && after.processMs >= 0)
        sample.processCpuMs = after.processMs - before.processMs;
    if (!trace.Complete()) {
        sample.problem = trace.shownMs < 0 ? "no display came up" : "the display did not end";
        return sample;
    }
    if (trace.player != kind.movie) {
        sample.problem = "showed " + trace.player + " instead of " + kind.movie;
        return sample;
    }
    if (trace.mostPlayersVisible != 1) {
        sample.problem = std::to_string(trace.mostPlayersVisible) + " players on screen at once";
        return sample;
    }
    if (log != nullptr) {
        std::vector<PlayerEvent> events;
        for (const PlayerEvent& event : log->Next())
            if (event.movie == kind.movie)
                events.push_back(event);
        const PlayerEvent* first = events.empty() || events.front().kind != "request" ? nullptr : &events.front();
        const PlayerEvent* start = FindEvent(events, "request", kind.startCommand);
        const PlayerEvent* intro = FindEvent(events, "callback", "intro");
        const PlayerEvent* end = FindEvent(events, "request", kind.endCommand);
        const PlayerEvent* outro = FindEvent(events, "callback", "outro");
        if (kind.holdAfterIntro)
            sample.introMs = TickDelta(start, intro);
        sample.holdMs = TickDelta(kind.holdAfterIntro ? intro : start, end);
        if (sample.holdMs >= 0 && kind.pauseAfterStart)
            sample.holdMs -= kind.pausesMs;
        sample.outroMs = TickDelta(end, outro);
        // An event happened while the counter showed its tick: half a tick
        // after that value was first seen, give or take half a tick.
        auto when = [&ticks, origin, tickResolution](const PlayerEvent* event) {
            const double seen = event == nullptr ? -1 : ticks.FirstSeenMs(event->tick);
            return seen < 0 ? -1 : seen - origin + tickResolution / 2;
        };
        if (when(outro) >= 0)
            sample.callbackToHideMs = trace.hiddenMs - when(outro);
        if (when(first) >= 0)
            sample.keyToFirstRequestMs = when(first);
        if (when(start) >= 0)
            sample.startToShownMs = trace.shownMs - when(start);
    }
    sample.ok = true;
    return sample;
}

void Collect(KindResults& results, const DisplayKind& kind, const DisplaySample& sample, int run, const char* pass) {
    out.Line(Format("display pass=%s kind=\"%s\" run=%d ok=%d player=%s key_call=%.2f shown=%.2f hidden=%.2f "
                    "nominal=%.0f gui_cpu=%.2f open_gui_cpu=%.2f process_cpu=%.2f key_to_first_request=%.1f "
                    "start_to_shown=%.1f intro=%.0f hold=%.0f outro=%.0f callback_to_hide=%.1f fade_cpu=%.3f "
                    "fade_unread_end_at_most=%.2f fade_new_threads=%d alphas=%s%s%s%s%s",
                    pass, kind.name, run, sample.ok ? 1 : 0, sample.player.empty() ? "-" : sample.player.c_str(),
                    sample.keyCallMs, sample.shownMs, sample.hiddenMs, sample.nominalMs, sample.guiCpuMs,
                    sample.openGuiCpuMs, sample.processCpuMs, sample.keyToFirstRequestMs, sample.startToShownMs,
                    sample.introMs, sample.holdMs, sample.outroMs, sample.callbackToHideMs, sample.fade.runMs,
                    sample.fade.missedAtMostMs, sample.fade.newThreads, AlphaPattern(sample.alphas).c_str(),
                    sample.fade.problem.empty() ? "" : " fade_problem=", sample.fade.problem.c_str(),
                    sample.problem.empty() ? "" : " problem=", sample.problem.c_str()));
    if (!sample.ok) {
        ++results.failures;
        results.problems.push_back(sample.problem);
        return;
    }
    results.keyCall.Add(sample.keyCallMs);
    results.shown.Add(sample.shownMs);
    results.overhead.Add(sample.shownMs - kind.pausesMs);
    results.hidden.Add(sample.hiddenMs);
    results.deviation.Add(sample.hiddenMs - sample.nominalMs);
    if (sample.guiCpuMs >= 0)
        results.gui.Add(sample.guiCpuMs);
    if (sample.openGuiCpuMs >= 0)
        results.openGui.Add(sample.openGuiCpuMs);
    if (sample.guiCpuMs >= 0 && sample.processCpuMs >= 0)
        results.other.Add(sample.processCpuMs - sample.guiCpuMs);
    if (sample.fade.ok) {
        results.fade.Add(sample.fade.runMs);
        results.fadeMissed.Add(sample.fade.missedAtMostMs);
    } else {
        ++results.fadeUnmeasured;
    }
    if (sample.keyToFirstRequestMs >= 0)
        results.keyToFirstRequest.Add(sample.keyToFirstRequestMs);
    if (sample.startToShownMs >= 0)
        results.startToShown.Add(sample.startToShownMs);
    if (sample.introMs >= 0)
        results.intro.Add(sample.introMs);
    if (sample.holdMs >= 0)
        results.hold.Add(sample.holdMs);
    if (sample.outroMs >= 0)
        results.outro.Add(sample.outroMs);
    if (sample.callbackToHideMs >= 0)
        results.callbackToHide.Add(sample.callbackToHideMs);
    for (const AlphaChange& change : sample.alphas) {
        if (change.alpha >= 0 && change.alpha < kOsdAlpha) {
            results.firstStepToHide.Add(sample.hiddenMs - change.ms);
            break;
        }
    }
    ++results.alphaPatterns[AlphaPattern(sample.alphas)];
}

struct Movies {
    std::map<std::string, MovieLengths> lengths;
    const MovieLengths& Of(const DisplayKind& kind) const { return lengths.at(kind.movie); }
};

Movies ReadMovies(const std::string& dist, double speed) {
    Movies movies;
    for (const DisplayKind* kind : kKinds)
        movies.lengths[kind->movie] = ReadMovieLengths(dist + "Resource\\" + kind->movie + ".swf", speed);
    return movies;
}

// A program instance with everything needed to watch it.
struct Instance {
    OsdWatcher watcher;
    ProcessProbe probe;
    std::unique_ptr<CpuMeter> cpu;
    std::unique_ptr<FadeMeter> fade;
};

bool AttachInstance(BenchRig& rig, Instance& instance, std::string& error) {
    if (!instance.watcher.Attach(rig.ProgramId())) {
        error = "the program's OSD form, main window or players were not found";
        return false;
    }
    if (!instance.probe.Open(rig.ProgramId())) {
        error = "the program's process cannot be opened";
        return false;
    }
    char prefix[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    const std::string entry =
        length > 0 && length < sizeof prefix ? std::string("WINEPREFIX=") + prefix : std::string();
    const bool unix = instance.probe.FindUnixProcess(rig.DistFolder() + "RaveloRemote.exe", entry);
    instance.cpu = std::make_unique<CpuMeter>(instance.probe, instance.watcher.GuiThreadId());
    instance.fade = std::make_unique<FadeMeter>(instance.probe);
    const UnixFigures figures = instance.probe.SampleUnix();
    out.Line(Format("attach pid=%lu unix_pid=%d gui_thread=%lu gui_thread_cpu_api=%.1f first_linux_thread_cpu=%.1f "
                    "gui_cpu_from=%s",
                    static_cast<unsigned long>(rig.ProgramId()), unix ? instance.probe.UnixPid() : 0,
                    static_cast<unsigned long>(instance.watcher.GuiThreadId()),
                    ProcessProbe::ThreadCpuMs(instance.watcher.GuiThreadId()), figures.leaderCpuMs,
                    instance.cpu->UsesSchedstat() ? "schedstat" : "GetThreadTimes"));
    return true;
}

bool StartInstance(BenchRig& rig, Instance& instance, const std::vector<std::string>& environment,
                   StartTimes* times = nullptr) {
    std::string error;
    if (!rig.StartProgram(environment, times, kStartTimeoutMs, error) || !AttachInstance(rig, instance, error)) {
        out.Line("error: " + error);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- start-up

struct StartupResults {
    StartTimes cold;
    double coldQuit = -1;
    Series registered, ready, quit;
};

// One start and quit; run 0 is the cold run.
bool StartupRun(BenchRig& rig, int run, StartupResults& results, const char* who) {
    StartTimes times;
    std::string error;
    if (!rig.StartProgram({}, &times, kStartTimeoutMs, error)) {
        out.Line("error: " + error);
        return false;
    }
    Sleep(500);
    double quit = -1;
    const bool ended = rig.QuitProgram(&quit);
    out.Line(Format("startup%s%s run=%d registered=%.2f ready=%.2f quit=%.2f ended=%d", *who ? " program=" : "", who,
                    run, times.registeredMs, times.readyMs, quit, ended ? 1 : 0));
    if (run == 0) {
        results.cold = times;
        results.coldQuit = quit;
        return true;
    }
    results.registered.Add(times.registeredMs);
    results.ready.Add(times.readyMs);
    if (ended)
        results.quit.Add(quit);
    return true;
}

bool MeasureStartup(BenchRig& rig, int runs, StartupResults& results) {
    out.Line(Format("# start-up: %d runs after one cold run", runs));
    for (int run = 0; run <= runs; ++run) {
        if (!StartupRun(rig, run, results, ""))
            return false;
    }
    return true;
}

// ----------------------------------------------------------------- displays

using ResultsByKind = std::map<const DisplayKind*, KindResults>;

bool RunKindGroup(BenchRig& rig, Instance& instance, const Movies& movies, PlayerLog* log, double tickResolution,
                  const std::vector<const DisplayKind*>& cycle, int reps, ResultsByKind& results, const char* pass) {
    for (int run = 1; run <= reps; ++run) {
        for (const DisplayKind* kind : cycle) {
            const DisplaySample sample = RunDisplay(rig, instance.watcher, *instance.cpu, *instance.fade, *kind,
                                                    movies.Of(*kind), log, tickResolution, 600);
            Collect(results[kind], *kind, sample, run, pass);
            if (!rig.ProgramRunning()) {
                out.Line("error: the program ended during the displays");
                return false;
            }
        }
    }
    return true;
}

bool RunAllKinds(BenchRig& rig, Instance& instance, const Movies& movies, PlayerLog* log, double tickResolution,
                 int reps, ResultsByKind& results, const char* pass) {
    LONG active = -1;
    if (BenchRig::ReadActiveProfile(active) && active != 0)
        BenchRig::WriteActiveProfile(0);
    // Key 144 alternates: profile A on, then off again.
    if (!RunKindGroup(rig, instance, movies, log, tickResolution, {&kProfileOn, &kProfileOff}, reps, results, pass) ||
        !RunKindGroup(rig, instance, movies, log, tickResolution, {&kKelvoAuto}, reps, results, pass) ||
        !RunKindGroup(rig, instance, movies, log, tickResolution, {&kKelvoManual}, reps, results, pass) ||
        !RunKindGroup(rig, instance, movies, log, tickResolution, {&kTuning}, reps, results, pass))
        return false;
    rig.StopKelvo();
    const bool warned = RunKindGroup(rig, instance, movies, log, tickResolution, {&kWarning}, reps, results, pass);
    if (!rig.StartKelvo()) {
        out.Line("error: the engine stand-in did not start again");
        return false;
    }
    return warned;
}

// --------------------------------------------------------------------- idle

struct IdleResult {
    bool valid = false;
    double seconds = 0;
    double cpuMs = 0;
    std::string cpuSource;
    bool unixValid = false;
    double unixCpuMs = 0, runMs = 0, slices = 0;
    DWORD threadsBefore = 0, threadsAfter = 0;
};

IdleResult MeasureIdle(Instance& instance, int seconds, const char* name) {
    IdleResult result;
    const ProcessFigures before = instance.probe.Sample();
    const UnixFigures unixBefore = instance.probe.SampleUnix();
    const double start = NowMs();
    // The bench does nothing meanwhile: no polling of the program's windows.
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const ProcessFigures after = instance.probe.Sample();
    const UnixFigures unixAfter = instance.probe.SampleUnix();
    result.seconds = (NowMs() - start) / 1000;
    result.valid = before.valid && after.valid;
    result.cpuMs = after.cpuMs - before.cpuMs;
    result.cpuSource = after.cpuSource;
    result.threadsBefore = before.threads;
    result.threadsAfter = after.threads;
    result.unixValid = unixBefore.valid && unixAfter.valid;
    if (result.unixValid) {
        result.unixCpuMs = unixAfter.processCpuMs - unixBefore.processCpuMs;
        result.runMs = unixAfter.tasksRunMs - unixBefore.tasksRunMs;
        result.slices = unixAfter.tasksSlices - unixBefore.tasksSlices;
    }
    out.Line(Format("idle condition=\"%s\" seconds=%.1f cpu=%.1f cpu_source=\"%s\" linux_cpu=%.1f linux_run=%.3f "
                    "linux_slices=%.0f linux_tasks=%u threads_before=%lu threads_after=%lu",
                    name, result.seconds, result.cpuMs, result.cpuSource.c_str(), result.unixCpuMs, result.runMs,
                    result.slices, unixAfter.tasks, static_cast<unsigned long>(result.threadsBefore),
                    static_cast<unsigned long>(result.threadsAfter)));
    return result;
}

// ------------------------------------------------------------------- memory

struct MemoryPoint {
    std::string name;
    ProcessFigures figures;
};

struct MemoryResults {
    std::vector<MemoryPoint> points;
    int displays = 0;
    int failures = 0;
    std::vector<std::string> problems;
    double loopSeconds = 0;
    double guiCpuMs = -1, processCpuMs = -1;
    Series overhead, cycle, fade;
};

MemoryPoint Snapshot(Instance& instance, const std::string& name) {
    MemoryPoint point{name, instance.probe.Sample()};
    out.Line(Format("memory point=\"%s\" private=%.0f working_set=%.0f handles=%lu threads=%lu cpu=%.1f "
                    "sources=\"%s/%s\"",
                    name.c_str(), point.figures.privateBytes, point.figures.workingSetBytes,
                    static_cast<unsigned long>(point.figures.handles),
                    static_cast<unsigned long>(point.figures.threads), point.figures.cpuMs,
                    point.figures.memorySource.c_str(), point.figures.handleSource.c_str()));
    return point;
}

bool MeasureMemory(BenchRig& rig, const Options& options, const Movies& fastMovies, double tickResolution,
                   MemoryResults& results) {
    Instance instance;
    if (!StartInstance(rig, instance, {"FLASHOBJ_SPEED=" + Format("%g", options.speed)}))
        return false;
    Sleep(1000);
    results.points.push_back(Snapshot(instance, "after start-up"));

    // One display of every kind first, so that what the first display of
    // a kind sets up once is not counted as growth.
    ResultsByKind warmup;
    if (!RunAllKinds(rig, instance, fastMovies, nullptr, tickResolution, 1, warmup, "warm-up"))
        return false;
    Sleep(1000);
    results.points.push_back(Snapshot(instance, "after one display of each kind"));

    LONG active = -1;
    if (BenchRig::ReadActiveProfile(active) && active != 0)
        BenchRig::WriteActiveProfile(0);
    const CpuMeter::Reading before = instance.cpu->Read();
    const double start = NowMs();
    KindResults loop;
    for (int display = 1; display <= options.displays; ++display) {
        const DisplayKind& kind = display % 2 == 1 ? kProfileOn : kProfileOff;
        const DisplaySample sample = RunDisplay(rig, instance.watcher, *instance.cpu, *instance.fade, kind,
                                                fastMovies.Of(kind), nullptr, tickResolution, 50);
        ++results.displays;
        if (!sample.ok) {
            ++results.failures;
            results.problems.push_back(Format("display %d: %s", display, sample.problem.c_str()));
            out.Line(Format("loop display=%d problem=%s", display, sample.problem.c_str()));
            if (!rig.ProgramRunning())
                return false;
            // Back to a known state: profile off.
            instance.watcher.WaitHidden(kDisplayTimeoutMs);
            Sleep(500);
            if (BenchRig::ReadActiveProfile(active) && active != 0 && display % 2 == 1)
                ++display;
        } else {
            results.overhead.Add(sample.shownMs - kind.pausesMs);
            results.cycle.Add(sample.hiddenMs);
            if (sample.fade.ok)
                results.fade.Add(sample.fade.runMs);
        }
        if (display % 100 == 0)
            out.Line(Format("loop displays=%d seconds=%.0f overhead_median=%.1f cycle_median=%.1f", display,
                            (NowMs() - start) / 1000, results.overhead.Median(), results.cycle.Median()));
        if (display % 100 == 0 && display < options.displays)
            results.points.push_back(Snapshot(instance, Format("after %d displays", display)));
    }
    results.loopSeconds = (NowMs() - start) / 1000;
    const CpuMeter::Reading after = instance.cpu->Read();
    if (before.guiMs >= 0 && after.guiMs >= 0)
        results.guiCpuMs = after.guiMs - before.guiMs;
    if (before.processMs >= 0 && after.processMs >= 0)
        results.processCpuMs = after.processMs - before.processMs;
    Sleep(1000);
    results.points.push_back(Snapshot(instance, Format("after %d displays", options.displays)));
    rig.QuitProgram();
    return true;
}

// ------------------------------------------------------------------- tables

std::string Verdict(bool good) { return good ? "yes" : "**no**"; }

void PrintTables(const Options& options, const StartupResults& startup, const ResultsByKind& plain,
                 const ResultsByKind& logged, const Movies& movies, const IdleResult& idleRegistered,
                 const IdleResult& idleNoService, double reRegisterMs, const MemoryResults& memory, bool gotMemory,
                 double tickResolution) {
    out.Table("");
    out.Table("## Start-up (ms from process creation; median (min to max) of " +
              std::to_string(startup.registered.Count()) + " warm runs)");
    out.Table("");
    out.Table("| figure | warm runs | first (cold) run |");
    out.Table("|---|---|---|");
    out.Table("| registration call reaches the service | " + startup.registered.Summary() + " | " +
              Format("%.1f", startup.cold.registeredMs) + " |");
    out.Table("| start-up finished (all windows, application window hidden) | " + startup.ready.Summary() + " | " +
              Format("%.1f", startup.cold.readyMs) + " |");
    out.Table("| quit: service message to process exit | " + startup.quit.Summary() + " | " +
              Format("%.1f", startup.coldQuit) + " |");

    out.Table("");
    out.Table(
        Format("## Latency: key message to OSD form and player on screen (ms; %d runs per display)", options.reps));
    out.Table("");
    out.Table("| display | program's pauses | key to shown | overhead beyond the pauses | target < 16 ms at the "
              "median | GUI-thread CPU, key to shown | overhead with the player log on | service call |");
    out.Table("|---|---|---|---|---|---|---|---|");
    for (const DisplayKind* kind : kKinds) {
        const KindResults& r = plain.at(kind);
        const auto l = logged.find(kind);
        out.Table(Format("| %s | %.0f | %s | %s | %s | %s | %s | %s |", kind->name, kind->pausesMs,
                         r.shown.Summary().c_str(), r.overhead.Summary().c_str(),
                         r.overhead.Empty() ? "n/a" : Verdict(r.overhead.Median() < kFrameMs).c_str(),
                         r.openGui.Summary().c_str(), l == logged.end() ? "n/a" : l->second.overhead.Summary().c_str(),
                         r.keyCall.Summary(2).c_str()));
    }

    out.Table("");
    out.Table("## Display cycle: key message to OSD hidden, against its nominal length (ms)");
    out.Table("");
    out.Table("| display | nominal | parts of the nominal length | measured | deviation | target: within 2 frames "
              "(33 ms) at the median |");
    out.Table("|---|---|---|---|---|---|");
    for (const DisplayKind* kind : kKinds) {
        const KindResults& r = plain.at(kind);
        const MovieLengths& lengths = movies.Of(*kind);
        std::string parts = Format("pauses %.0f", kind->pausesMs);
        if (kind->holdAfterIntro)
            parts += Format(" + intro %.0f", lengths.introMs);
        parts += Format(" + hold %.0f + outro %.0f + fade %.0f", kind->holdMs, lengths.outroMs, kFadeMs);
        out.Table(
            Format("| %s | %.0f | %s | %s | %s | %s |", kind->name, NominalCycleMs(*kind, lengths), parts.c_str(),
                   r.hidden.Summary().c_str(), r.deviation.Summary().c_str(),
                   r.deviation.Empty() ? "n/a" : Verdict(std::abs(r.deviation.Median()) <= 2 * kFrameMs).c_str()));
    }

    out.Table("");
    out.Table(
        Format("## Parts of the cycle from the player's log (ms; GetTickCount steps of %.1f ms on average; %d runs)",
               tickResolution, options.logReps));
    out.Table("");
    out.Table("| display | key to the first movie command | start command to shown | intro (movie file) | hold "
              "(nominal) | outro (movie file) | outro call-back to hidden (fade, 250) |");
    out.Table("|---|---|---|---|---|---|---|");
    for (const DisplayKind* kind : kKinds) {
        const auto found = logged.find(kind);
        if (found == logged.end())
            continue;
        const KindResults& r = found->second;
        const MovieLengths& lengths = movies.Of(*kind);
        out.Table(Format("| %s | %s | %s | %s | %s (%.0f) | %s (%.0f) | %s |", kind->name,
                         r.keyToFirstRequest.Summary().c_str(), r.startToShown.Summary().c_str(),
                         kind->holdAfterIntro ? (r.intro.Summary(0) + Format(" (%.0f)", lengths.introMs)).c_str()
                                              : "no call-back",
                         r.hold.Summary(0).c_str(), kind->holdMs, r.outro.Summary(0).c_str(), lengths.outroMs,
                         r.callbackToHide.Summary().c_str()));
    }

    out.Table("");
    out.Table("## Fade");
    out.Table("");
    Series firstStep, callback;
    std::map<std::string, int> patterns;
    for (const auto& pass : {&plain, &logged}) {
        for (const auto& entry : *pass) {
            for (double v : entry.second.firstStepToHide.Values())
                firstStep.Add(v);
            for (const auto& pattern : entry.second.alphaPatterns)
                patterns[pattern.first] += pattern.second;
        }
    }
    for (const auto& entry : logged)
        for (double v : entry.second.callbackToHide.Values())
            callback.Add(v);
    Series fadeCpu, fadeMissed;
    int fadeUnmeasured = 0;
    for (const auto& entry : plain) {
        for (double v : entry.second.fade.Values())
            fadeCpu.Add(v);
        for (double v : entry.second.fadeMissed.Values())
            fadeMissed.Add(v);
        fadeUnmeasured += entry.second.fadeUnmeasured;
    }
    out.Table("| figure | value |");
    out.Table("|---|---|");
    for (const auto& pattern : patterns)
        out.Table(Format("| alphas seen (229 first), %d displays | %s |", pattern.second, pattern.first.c_str()));
    out.Table("| first step (206, due 25 ms after the start) to hidden, ms (nominal 225) | " + firstStep.Summary() +
              " |");
    out.Table("| start (the movie's end call-back) to hidden, ms (nominal 250) | " + callback.Summary() + " |");
    out.Table(Format("| CPU time of the fade thread, ms (schedstat, from its creation; %d displays, player log off) "
                     "| %s |",
                     static_cast<int>(fadeCpu.Count()), fadeCpu.Summary(2).c_str()));
    out.Table("| its end after the last reading, not counted: at most, ms (wall time to the reading that found it "
              "gone) | " +
              fadeMissed.Summary(2) + " |");
    out.Table(Format("| displays whose fade thread was not made out | %d |", fadeUnmeasured));

    out.Table("");
    out.Table("## Idle cost (CPU time of the program's process)");
    out.Table("");
    out.Table("| condition | seconds | CPU time (ms) | source | Linux: CPU time of all threads (ms) | Linux: times a "
              "thread ran | threads |");
    out.Table("|---|---|---|---|---|---|---|");
    for (const auto& entry : {std::make_pair("registered, no key", &idleRegistered),
                              std::make_pair("service down (retry every 2500 ms)", &idleNoService)}) {
        const IdleResult& r = *entry.second;
        if (!r.valid) {
            out.Table(Format("| %s | n/a | n/a | | | | |", entry.first));
            continue;
        }
        out.Table(Format("| %s | %.1f | %.0f | %s | %s | %s | %lu, %lu |", entry.first, r.seconds, r.cpuMs,
                         r.cpuSource.c_str(), r.unixValid ? Format("%.2f", r.runMs).c_str() : "n/a",
                         r.unixValid ? Format("%.0f", r.slices).c_str() : "n/a",
                         static_cast<unsigned long>(r.threadsBefore), static_cast<unsigned long>(r.threadsAfter)));
    }
    if (reRegisterMs >= 0)
        out.Table(Format("\nService started again after the idle minute: registered %.0f ms later (the retry timer "
                         "runs every 2500 ms).",
                         reRegisterMs));

    out.Table("");
    out.Table(Format("## Memory, handles and threads (%d profile displays, FLASHOBJ_SPEED=%g)", memory.displays,
                     options.speed));
    out.Table("");
    if (!gotMemory || memory.points.empty()) {
        out.Table("not measured");
    } else {
        out.Table("| point | private bytes | working set | handles | threads |");
        out.Table("|---|---|---|---|---|");
        // The raw output has every sample of the loop; the table keeps a few.
        for (size_t i = 0; i < memory.points.size(); ++i) {
            const MemoryPoint& point = memory.points[i];
            if (i >= 2 && i + 1 < memory.points.size() && point.name != "after 100 displays" &&
                point.name != "after 500 displays")
                continue;
            out.Table(Format("| %s | %s | %s | %lu | %lu |", point.name.c_str(), Mb(point.figures.privateBytes).c_str(),
                             Mb(point.figures.workingSetBytes).c_str(),
                             static_cast<unsigned long>(point.figures.handles),
                             static_cast<unsigned long>(point.figures.threads)));
        }
        if (memory.points.size() >= 2) {
            const ProcessFigures& base = memory.points[1].figures;
            const ProcessFigures& last = memory.points.back().figures;
            out.Table(Format("| growth after the first round | %+.2f MB | %+.2f MB | %+ld | %+ld |",
                             (last.privateBytes - base.privateBytes) / 1048576.0,
                             (last.workingSetBytes - base.workingSetBytes) / 1048576.0,
                             static_cast<long>(last.handles) - static_cast<long>(base.handles),
                             static_cast<long>(last.threads) - static_cast<long>(base.threads)));
        }
        out.Table("");
        out.Table(Format("Sources: memory %s, handles %s, threads Toolhelp. Loop: %d displays in %.0f s, %d failed; "
                         "key to shown beyond the pause %s ms; key to hidden %s ms.",
                         memory.points.back().figures.memorySource.c_str(),
                         memory.points.back().figures.handleSource.c_str(), memory.displays, memory.loopSeconds,
                         memory.failures, memory.overhead.Summary().c_str(), memory.cycle.Summary().c_str()));
    }

    out.Table("");
    out.Table("## CPU time per display (ms)");
    out.Table("");
    out.Table("| display | GUI thread, key to shown | GUI thread, whole display | the fade thread | other threads "
              "(process minus GUI thread, 10-ms steps: the fade, the wait threads, the player drawing ahead) |");
    out.Table("|---|---|---|---|---|");
    for (const DisplayKind* kind : kKinds) {
        const KindResults& r = plain.at(kind);
        out.Table(Format("| %s | %s | %s | %s | %s |", kind->name, r.openGui.Summary().c_str(), r.gui.Summary().c_str(),
                         r.fade.Summary(2).c_str(), r.other.Summary(0).c_str()));
    }
    if (gotMemory && memory.displays > 0 && memory.guiCpuMs >= 0)
        out.Table(Format("| over the %d profile displays of the memory loop (short movies; means, the fade thread's "
                         "median) | | %.1f | %s | %.0f |",
                         memory.displays, memory.guiCpuMs / memory.displays, memory.fade.Summary(2).c_str(),
                         (memory.processCpuMs - memory.guiCpuMs) / memory.displays));
}

// ----------------------------------------------------------------- headline

const char* KeyOf(const DisplayKind* kind) {
    if (kind == &kProfileOn)
        return "profile_on";
    if (kind == &kProfileOff)
        return "profile_off";
    if (kind == &kKelvoAuto)
        return "kelvo_auto";
    if (kind == &kKelvoManual)
        return "kelvo_manual";
    if (kind == &kTuning)
        return "tuning";
    return "warning";
}

// The figures the program's targets are set on, as medians; NAN when not
// measured.
struct Headline {
    std::map<const DisplayKind*, double> overhead, deviation, gui;
    double fadeCpuMs = NAN;
    double otherCpuMs = NAN;
    double privateMb = NAN;
    double registrationMs = NAN;
};

double MedianOrNan(const Series& series) { return series.Empty() ? NAN : series.Median(); }

Headline HeadlineOf(const StartupResults& startup, const ResultsByKind& plain, const MemoryResults& memory,
                    bool gotMemory) {
    Headline headline;
    // One fade: the fade thread alone, over the displays of every kind.
    Series fade, other;
    for (const DisplayKind* kind : kKinds) {
        const auto found = plain.find(kind);
        const KindResults empty;
        const KindResults& r = found == plain.end() ? empty : found->second;
        headline.overhead[kind] = MedianOrNan(r.overhead);
        headline.deviation[kind] = MedianOrNan(r.deviation);
        headline.gui[kind] = MedianOrNan(r.gui);
        for (double v : r.fade.Values())
            fade.Add(v);
        for (double v : r.other.Values())
            other.Add(v);
    }
    headline.fadeCpuMs = MedianOrNan(fade);
    headline.otherCpuMs = MedianOrNan(other);
    if (gotMemory && memory.points.size() >= 2)
        headline.privateMb = memory.points[1].figures.privateBytes / (1024.0 * 1024.0);
    headline.registrationMs = MedianOrNan(startup.registered);
    return headline;
}

std::string JsonNumber(double value, int decimals = 1) {
    return std::isnan(value) ? std::string("null") : Format("%.*f", decimals, value);
}

std::string Json(const Headline& headline) {
    auto byKind = [](const std::map<const DisplayKind*, double>& values) {
        std::string text = "{";
        for (const DisplayKind* kind : kKinds) {
            if (text.size() > 1)
                text += ", ";
            text += Format("\"%s\": %s", KeyOf(kind), JsonNumber(values.at(kind)).c_str());
        }
        return text + "}";
    };
    return "{\"overhead_ms\": " + byKind(headline.overhead) +
           ", \"cycle_deviation_ms\": " + byKind(headline.deviation) +
           ", \"gui_cpu_ms_per_display\": " + byKind(headline.gui) +
           ", \"fade_cpu_ms\": " + JsonNumber(headline.fadeCpuMs, 2) +
           ", \"other_threads_cpu_ms\": " + JsonNumber(headline.otherCpuMs) +
           ", \"private_mb_after_displays\": " + JsonNumber(headline.privateMb, 2) +
           ", \"registration_ms\": " + JsonNumber(headline.registrationMs) + "}";
}

void PrintComparison(const Headline& current, const Headline& baseline, const std::string& baselineFolder) {
    out.Table("");
    out.Table("## This build against the baseline (" + baselineFolder +
              "), run alternately in one session (medians, ms unless stated)");
    out.Table("");
    out.Table("| figure | baseline | this build | ratio | target |");
    out.Table("|---|---|---|---|---|");
    auto row = [](const std::string& name, double before, double now, const char* target, int decimals = 1) {
        const std::string ratio =
            std::isnan(before) || std::isnan(now) || before == 0 ? std::string("n/a") : Format("%.2f", now / before);
        out.Table(Format("| %s | %s | %s | %s | %s |", name.c_str(), JsonNumber(before, decimals).c_str(),
                         JsonNumber(now, decimals).c_str(), ratio.c_str(), target));
    };
    for (const DisplayKind* kind : kKinds)
        row(std::string("key to shown, overhead: ") + kind->name, baseline.overhead.at(kind), current.overhead.at(kind),
            "< 16");
    for (const DisplayKind* kind : kKinds)
        row(std::string("cycle deviation: ") + kind->name, baseline.deviation.at(kind), current.deviation.at(kind),
            "within 33");
    for (const DisplayKind* kind : kKinds)
        row(std::string("GUI-thread CPU per display: ") + kind->name, baseline.gui.at(kind), current.gui.at(kind),
            "< 100");
    row("CPU of one fade (the fade thread)", baseline.fadeCpuMs, current.fadeCpuMs, "< 10", 2);
    row("CPU of the other threads per display (process minus GUI thread)", baseline.otherCpuMs, current.otherCpuMs, "");
    row("private MB after one display of each kind", baseline.privateMb, current.privateMb, "< 25");
    row("process start to registration", baseline.registrationMs, current.registrationMs, "< 100");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        auto number = [&](double& target) {
            if (i + 1 >= argc)
                return false;
            char* end = nullptr;
            target = std::strtod(argv[++i], &end);
            return end != argv[i] && *end == '\0' && target >= 0;
        };
        double value = 0;
        if (name == "--quick") {
            options.startups = 3;
            options.reps = 2;
            options.logReps = 1;
            options.idleSeconds = 10;
            options.displays = 20;
        } else if (name == "--startup-only") {
            options.startupOnly = true;
        } else if (name == "--out" && i + 1 < argc) {
            options.out = argv[++i];
        } else if (name == "--baseline" && i + 1 < argc) {
            options.baseline = testsupport::WinPath(argv[++i], true);
        } else if (name == "--speed" && number(value) && value >= 0.01 && value <= 1000) {
            options.speed = value;
        } else if ((name == "--startups" || name == "--reps" || name == "--log-reps" || name == "--idle" ||
                    name == "--displays") &&
                   number(value) && value <= 100000) {
            int& target = name == "--startups"   ? options.startups
                          : name == "--reps"     ? options.reps
                          : name == "--log-reps" ? options.logReps
                          : name == "--idle"     ? options.idleSeconds
                                                 : options.displays;
            target = static_cast<int>(value);
        } else {
            return false;
        }
    }
    return options.reps >= 1;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: program_bench [--out FILE] [--startups N] [--reps N] [--log-reps N] [--idle SECONDS] "
                     "[--displays N] [--speed FACTOR] [--quick] [--baseline PROGRAM_FOLDER [--startup-only]]\n");
        return 2;
    }
    BenchRig rig;
    std::string error;
    if (!rig.Prepare(error)) {
        std::fprintf(stderr, "program_bench: %s\n", error.c_str());
        return 1;
    }

    const double tickResolution = TickResolutionMs();
    // Sleep(1) and the 1-ms polls need the finer system timer for the whole run.
    struct FineTimer {
        FineTimer() { timeBeginPeriod(1); }
        ~FineTimer() { timeEndPeriod(1); }
        FineTimer(const FineTimer&) = delete;
        FineTimer& operator=(const FineTimer&) = delete;
    } fineTimer;
    const double sleepOne = SleepOneMs();
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const std::time_t now = std::time(nullptr);
    char date[64] = {};
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S UTC", std::gmtime(&now));
    out.Line(Format("# program_bench %s", date));
    out.Line(Format("platform: %s, %lu processors, screen %dx%d, load average %s", WineVersion().c_str(),
                    static_cast<unsigned long>(system.dwNumberOfProcessors), GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN),
                    FirstLine(testsupport::ReadTextFile("Z:\\proc\\loadavg", 256)).c_str()));
    out.Line(Format("clocks: GetTickCount advances in steps of %.1f ms on average; Sleep(1) with timeBeginPeriod(1) "
                    "takes %.2f ms; times "
                    "below come from QueryPerformanceCounter",
                    tickResolution, sleepOne));
    out.Line(Format("options: startups=%d reps=%d log_reps=%d idle=%d displays=%d speed=%g", options.startups,
                    options.reps, options.logReps, options.idleSeconds, options.displays, options.speed));
    const std::string ownFolder = rig.DistFolder();
    if (!options.baseline.empty() && !rig.UseProgramFolder(options.baseline)) {
        std::fprintf(stderr, "program_bench: no RaveloRemote.exe in the baseline folder %s\n",
                     options.baseline.c_str());
        return 1;
    }
    rig.UseProgramFolder(ownFolder);
    const Movies movies = ReadMovies(ownFolder, 1);
    const Movies fastMovies = ReadMovies(ownFolder, options.speed);
    for (const auto& movie : movies.lengths)
        out.Line(Format("movie %s intro=%.0f outro=%.0f read=%d", movie.first.c_str(), movie.second.introMs,
                        movie.second.outroMs, movie.second.read ? 1 : 0));

    if (!rig.StartService() || !rig.StartApex() || !rig.StartKelvo()) {
        out.Line("error: the service or a stand-in did not start");
        out.Write(options.out);
        return 1;
    }

    StartupResults startup;
    ResultsByKind plain, logged;
    IdleResult idleRegistered, idleNoService;
    MemoryResults memory;
    double reRegisterMs = -1;
    bool complete = true;
    bool gotMemory = false;

    if (!options.baseline.empty()) {
        // Both program folders in turn, the order swapped every run, so
        // that whatever else the machine does falls on both alike. The
        // player-log pass and the idle minutes are left out.
        out.Line("compare: this build " + ownFolder + " against the baseline " + options.baseline);
        struct Subject {
            const char* name;
            std::string folder;
            Movies movies, fastMovies;
            StartupResults startup;
            ResultsByKind plain, first;
            MemoryResults memory;
            bool gotMemory = false;
        } subjects[2];
        subjects[0].name = "this";
        subjects[0].folder = ownFolder;
        subjects[0].movies = movies;
        subjects[0].fastMovies = fastMovies;
        subjects[1].name = "baseline";
        subjects[1].folder = options.baseline;
        subjects[1].movies = ReadMovies(options.baseline, 1);
        subjects[1].fastMovies = ReadMovies(options.baseline, options.speed);
        auto inTurn = [&rig, &subjects](int run, const std::function<bool(Subject&)>& step) {
            for (int i = 0; i < 2; ++i) {
                Subject& subject = subjects[run % 2 == 0 ? i : 1 - i];
                if (!rig.UseProgramFolder(subject.folder) || !step(subject))
                    return false;
            }
            return true;
        };
        out.Line(Format("# start-up: %d runs of each after one cold run, alternating", options.startups));
        for (int run = 0; complete && run <= options.startups; ++run)
            complete =
                inTurn(run, [&](Subject& subject) { return StartupRun(rig, run, subject.startup, subject.name); });
        if (options.startupOnly)
            options.reps = options.displays = 0;
        out.Line(Format("# displays: %d runs of each kind for each program, alternating", options.reps));
        for (int run = 1; complete && run <= options.reps; ++run)
            complete = inTurn(run, [&](Subject& subject) {
                // The program restarts for every run here, whereas a user's
                // copy runs from the logon on: the first display after each
                // start (a profile pair, which carries the start's one-time
                // work) is kept apart, as the single-program pass keeps it
                // among many.
                Instance instance;
                const bool ok =
                    StartInstance(rig, instance, {}) &&
                    RunKindGroup(rig, instance, subject.movies, nullptr, tickResolution, {&kProfileOn, &kProfileOff}, 1,
                                 subject.first, "first") &&
                    RunAllKinds(rig, instance, subject.movies, nullptr, tickResolution, 1, subject.plain, subject.name);
                rig.QuitProgram();
                return ok;
            });
        if (complete && options.displays > 0) {
            out.Line(Format("# memory, handles and threads over %d displays, each program", options.displays));
            complete = inTurn(0, [&](Subject& subject) {
                subject.gotMemory = MeasureMemory(rig, options, subject.fastMovies, tickResolution, subject.memory);
                return subject.gotMemory;
            });
        }
        rig.UseProgramFolder(ownFolder);
        startup = subjects[0].startup;
        plain = subjects[0].plain;
        memory = subjects[0].memory;
        gotMemory = subjects[0].gotMemory;
        if (plain.size() == sizeof kKinds / sizeof kKinds[0])
            PrintTables(options, startup, plain, logged, movies, idleRegistered, idleNoService, reRegisterMs, memory,
                        gotMemory, tickResolution);
        const Headline baseline =
            HeadlineOf(subjects[1].startup, subjects[1].plain, subjects[1].memory, subjects[1].gotMemory);
        const Headline current = HeadlineOf(startup, plain, memory, gotMemory);
        PrintComparison(current, baseline, options.baseline);
        out.Table("");
        out.Table("First display after each start (kept out of the figures above), overhead beyond the pauses:");
        out.Table("");
        out.Table("| display | baseline | this build |");
        out.Table("|---|---|---|");
        for (const DisplayKind* kind : {&kProfileOn, &kProfileOff})
            out.Table(Format("| %s | %s | %s |", kind->name, subjects[1].first[kind].overhead.Summary().c_str(),
                             subjects[0].first[kind].overhead.Summary().c_str()));
        out.Line("");
        out.Line("baseline " + Json(baseline));
        out.Line(Json(current));
        if (!out.Write(options.out))
            std::fprintf(stderr, "program_bench: cannot write %s\n", options.out.c_str());
        return complete ? 0 : 1;
    }

    complete = MeasureStartup(rig, options.startups, startup);

    if (complete) {
        out.Line(Format("# displays, player log off: %d runs of each", options.reps));
        Instance instance;
        complete = StartInstance(rig, instance, {}) &&
                   RunAllKinds(rig, instance, movies, nullptr, tickResolution, options.reps, plain, "plain");
        if (complete) {
            out.Line(Format("# idle, registered: %d s", options.idleSeconds));
            Sleep(2000);
            idleRegistered = MeasureIdle(instance, options.idleSeconds, "registered, no key");
        }
        rig.QuitProgram();
    }

    if (complete && options.logReps > 0) {
        out.Line(Format("# displays, player log on: %d runs of each", options.logReps));
        const std::string logPath = rig.Folder() + "player.log";
        PlayerLog log(logPath);
        Instance instance;
        complete = StartInstance(rig, instance, {"FLASHOBJ_LOG=" + logPath}) &&
                   RunAllKinds(rig, instance, movies, &log, tickResolution, options.logReps, logged, "log");
        rig.QuitProgram();
    }

    if (complete) {
        out.Line(Format("# idle, service down: %d s", options.idleSeconds));
        rig.StopService();
        Instance instance;
        complete = StartInstance(rig, instance, {});
        if (complete) {
            Sleep(2000);
            idleNoService = MeasureIdle(instance, options.idleSeconds, "service down");
            const double start = NowMs();
            if (rig.StartService() && testsupport::WaitUntil([&rig] { return rig.ProgramRegistered(); }, 20000, 5))
                reRegisterMs = NowMs() - start;
            out.Line(Format("reregistered after=%.0f", reRegisterMs));
        } else {
            rig.StartService();
        }
        rig.QuitProgram();
    }

    if (complete && options.displays > 0) {
        out.Line(Format("# memory, handles and threads over %d displays", options.displays));
        gotMemory = MeasureMemory(rig, options, fastMovies, tickResolution, memory);
        complete = gotMemory;
    }

    if (plain.size() == sizeof kKinds / sizeof kKinds[0])
        PrintTables(options, startup, plain, logged, movies, idleRegistered, idleNoService, reRegisterMs, memory,
                    gotMemory, tickResolution);
    out.Line("");
    out.Line(Json(HeadlineOf(startup, plain, memory, gotMemory)));
    if (!out.Write(options.out))
        std::fprintf(stderr, "program_bench: cannot write %s\n", options.out.c_str());
    return complete ? 0 : 1;
}

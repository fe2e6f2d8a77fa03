// Times the OSD under Wine with the stand-in player and the shipped movies:
// from the call that opens a display to its player being visible (and to
// the player's first frame), beside the pauses the display script itself
// makes; and the fade from its start to the hide and OnOsdFinished.
// Prints a table. Not a test: nothing here passes or fails.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "osd/OsdEvents.h"
#include "PlayerStats.h"
#include "TestSupport.h"
#include "gui/Application.h"

namespace {

using testsupport::NowMs;

// What the display reports upward, which the program's state machine
// would otherwise take: its idle timer and its end.
struct BenchState {
    int finished = 0;
    double finishedAt = 0;
    std::function<void()> onTimer;
};

BenchState& State() {
    static BenchState state;
    return state;
}

void InstallOsdEvents() {
    OsdEventHandlers handlers;
    handlers.idleTimer = [] {
        if (State().onTimer)
            State().onTimer();
    };
    handlers.finished = [] {
        ++State().finished;
        State().finishedAt = NowMs();
    };
    SetOsdEventHandlers(handlers);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        gui::Application::Instance().ProcessMessages();
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(0);
    }
    return true;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

DWORD FramesOf(HWND player) {
    FlashPlayerStats stats{};
    return testsupport::PlayerStatsOf(player, stats) ? stats.framesPresented : 0;
}

struct Series {
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    double Min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
    double Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
    double Mean() const {
        double sum = 0;
        for (double v : values)
            sum += v;
        return values.empty() ? 0 : sum / static_cast<double>(values.size());
    }
};

struct DisplayCase {
    const char* name;
    MovieKind kind;
    double pausesMs; // the script's own sleeps inside the opening call
    std::function<void()> open;
    std::function<void()> onTimer;
};

int OsdAlpha() {
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(FlashOsdForm->Handle(), nullptr, &alpha, &flags))
        return -1;
    return alpha;
}

} // namespace

int main() {
    SetDllDirectoryA("");
    gui::Application& app = gui::Application::Instance();
    app.ShowMainForm = false;
    app.Initialize();
    FlashOsdForm = app.CreateForm<TFlashOsdForm>();
    FlashOsdManipulator::Instance().Initialize();
    FlashClass1Manipulator::Instance().Reset();
    FlashClass2Manipulator::Instance().Reset();
    InstallOsdEvents();
    if (FlashOsdForm->Item(0).player == nullptr || !FlashOsdForm->Item(0).player->HasPlayer()) {
        std::printf("no player: flashobj.dll must sit beside this program\n");
        return 1;
    }

    const int runs = 5;
    auto& c0 = FlashClass0Manipulator::Instance();
    auto& c1 = FlashClass1Manipulator::Instance();
    auto& c2 = FlashClass2Manipulator::Instance();
    const std::vector<DisplayCase> cases = {
        {"profile on", MovieKind::RaveloProfileOn, 100, [&] { c0.ShowProfileOn("Profile A On 4200MHz"); }, nullptr},
        {"profile off", MovieKind::RaveloProfileOff, 100, [&] { c0.ShowProfileOff("Profile A Off 3600MHz"); }, nullptr},
        {"Kelvo auto", MovieKind::KelvoAuto, 100, [&] { c0.ShowKelvoAuto("Auto"); }, nullptr},
        {"warning", MovieKind::Warning, 200, [&] { c0.ShowWarning("Warning", "Ravelo Apex is not running.", 500); },
         nullptr},
        {"Kelvo manual", MovieKind::KelvoManual, 100, [&] { c1.ShowLevel(2); }, [&] { c1.Finish(); }},
        {"tuning", MovieKind::OCTuning, 100, [&] { c2.ShowValue(4200); }, [&] { c2.Finish(); }},
    };

    std::printf("Opening a display (PrepareShow + Show...) under Wine, %d runs each, ms\n\n", runs);
    std::printf("%-13s %-20s %7s %-20s %-20s\n", "display", "call until visible", "pauses", "overhead", "first frame");
    std::printf("%-13s %-20s %7s %-20s %-20s\n", "", "min / mean / max", "", "min / mean / max", "min / mean / max");
    for (const DisplayCase& c : cases) {
        Series visible, overhead, frame;
        const HWND player = FlashOsdForm->Item(static_cast<int>(c.kind)).player->PlayerWindow();
        for (int run = 0; run < runs; ++run) {
            State().finished = 0;
            State().onTimer = c.onTimer;
            const DWORD framesBefore = FramesOf(player);
            const double start = NowMs();
            FlashOsdManipulator::Instance().PrepareShow();
            c.open();
            const double shown = NowMs();
            if (!IsWindowVisible(player) || !FlashOsdForm->Visible())
                std::printf("  %s: player not visible after the call\n", c.name);
            PumpUntil([&] { return FramesOf(player) != framesBefore; }, 10000);
            const double drawn = NowMs();
            visible.Add(shown - start);
            overhead.Add(shown - start - c.pausesMs);
            frame.Add(drawn - start);
            if (!PumpUntil([] { return State().finished == 1; }, 60000))
                std::printf("  %s: the display did not end\n", c.name);
            PumpFor(200);
        }
        char a[32], b[32], d[32];
        std::snprintf(a, sizeof a, "%.1f / %.1f / %.1f", visible.Min(), visible.Mean(), visible.Max());
        std::snprintf(b, sizeof b, "%.1f / %.1f / %.1f", overhead.Min(), overhead.Mean(), overhead.Max());
        std::snprintf(d, sizeof d, "%.1f / %.1f / %.1f", frame.Min(), frame.Mean(), frame.Max());
        std::printf("%-13s %-20s %7.0f %-20s %-20s\n", c.name, a, c.pausesMs, b, d);
    }

    // Where the time of a caption display goes, step by step (the steps of
    // ShowKelvoAuto, which needs no call-back to end).
    std::printf("\nSteps of opening the Kelvo auto display, %d runs, mean ms\n\n", runs);
    {
        Series prepare, place, label, labelPause, show, showAll, current, form;
        for (int run = 0; run < runs; ++run) {
            State().finished = 0;
            double t = NowMs();
            auto lap = [&t](Series& series) {
                const double now = NowMs();
                series.Add(now - t);
                t = now;
            };
            FlashOsdManipulator::Instance().PrepareShow();
            lap(prepare);
            FlashOsdLayout::Instance().PlaceMovie(MovieKind::KelvoAuto);
            lap(place);
            FlashOsdForm->SelectMovie(MovieKind::KelvoAuto);
            FlashOsdForm->Current()->Call(
                CommandToWide(FormatTextCommand(kFlashChangeLabel, "Auto", kLabelCommandSize)));
            lap(label);
            Sleep(kCommandPauseMs);
            lap(labelPause);
            FlashOsdForm->Current()->Call(CommandToWide(kFlashShow));
            lap(show);
            TTransFlash::ShowAll();
            lap(showAll);
            FlashOsdForm->Current()->SetVisible(true);
            lap(current);
            FlashOsdForm->Show();
            lap(form);
            MovieFinishedHandler = FlashOsdManipulator::Instance().FadeOutHandler();
            FlashOsdLayout::Instance().EndMovie();
            if (!PumpUntil([] { return State().finished == 1; }, 60000))
                std::printf("  the display did not end\n");
            PumpFor(200);
        }
        std::printf("%-34s %8.1f\n", "PrepareShow (hide, fit, alpha 229)", prepare.Mean());
        std::printf("%-34s %8.1f\n", "PlaceMovie", place.Mean());
        std::printf("%-34s %8.1f\n", "changeLabel request", label.Mean());
        std::printf("%-34s %8.1f\n", "pause after the label", labelPause.Mean());
        std::printf("%-34s %8.1f\n", "show request", show.Mean());
        std::printf("%-34s %8.1f\n", "ShowAll (six players)", showAll.Mean());
        std::printf("%-34s %8.1f\n", "current player shown", current.Mean());
        std::printf("%-34s %8.1f\n", "OSD form shown", form.Mean());
    }

    // The fade, started directly on a level display that waits for nothing.
    std::printf("\nFade (FadeOut to hide and OnOsdFinished), %d runs, ms\n\n", runs * 2);
    std::printf("%-8s %-22s %s\n", "run", "start to finished", "alpha steps seen on the GUI thread");
    Series length;
    for (int run = 0; run < runs * 2; ++run) {
        State().finished = 0;
        State().onTimer = nullptr;
        FlashOsdManipulator::Instance().PrepareShow();
        c1.ShowLevel(1);
        FlashOsdLayout::Instance().SetIdleTimer(false);
        PumpFor(600);
        std::vector<int> seen;
        const double start = NowMs();
        FlashOsdManipulator::Instance().FadeOut();
        PumpUntil(
            [&] {
                const int alpha = OsdAlpha();
                if (alpha != 229 && (seen.empty() || seen.back() != alpha))
                    seen.push_back(alpha);
                return State().finished == 1;
            },
            10000);
        length.Add(State().finishedAt - start);
        std::string steps;
        for (int alpha : seen)
            steps += std::to_string(alpha) + " ";
        std::printf("%-8d %-22.1f %s(%u)\n", run + 1, State().finishedAt - start, steps.c_str(),
                    static_cast<unsigned>(seen.size()));
        PumpFor(200);
    }
    std::printf("\nfade length min / mean / max: %.1f / %.1f / %.1f ms (the fade itself is 250 ms)\n", length.Min(),
                length.Mean(), length.Max());
    return 0;
}

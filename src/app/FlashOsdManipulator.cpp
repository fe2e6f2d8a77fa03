#include "app/FlashOsdManipulator.h"

#include <algorithm>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "app/Director.h"
#include "app/Flashosd.h"
#include "app/Main.h"
#include "app/Status.h"
#include "gui/Application.h"
#include "gui/Exceptions.h"
#include "gui/Timer.h"

namespace {

// The work of a worker thread that could not be created, done on the GUI
// thread from a timer instead: a display must end even then. step runs on
// every tick until it answers true.
class GuiTimerWork {
public:
    GuiTimerWork(UINT intervalMs, std::function<bool()> step) : timer_(intervalMs == 0 ? 1 : intervalMs, false) {
        timer_.OnTimer = [this, step] {
            // A tick inside a modal loop that step opened must not run it
            // again.
            if (busy_ || done_)
                return;
            busy_ = true;
            struct Idle {
                GuiTimerWork& work;
                ~Idle() {
                    work.busy_ = false;
                    // An error gives up the work; it is on its way to the
                    // exception display.
                    if (std::uncaught_exceptions() > 0)
                        work.done_ = true;
                    if (work.done_)
                        work.timer_.SetEnabled(false);
                }
            } idle{*this};
            done_ = gui::Application::Instance().Closing() || step();
        };
        timer_.SetEnabled(true);
    }
    GuiTimerWork(const GuiTimerWork&) = delete;
    GuiTimerWork& operator=(const GuiTimerWork&) = delete;

    bool Finished() const { return done_ && !busy_; }

private:
    gui::Timer timer_;
    bool busy_ = false;
    bool done_ = false;
};

void StartGuiTimerWork(UINT intervalMs, std::function<bool()> step) {
    static auto* const works = new std::list<std::unique_ptr<GuiTimerWork>>();
    // Finished ones go here, never from inside their own tick.
    works->remove_if([](const std::unique_ptr<GuiTimerWork>& work) { return work->Finished(); });
    works->push_back(std::make_unique<GuiTimerWork>(intervalMs, std::move(step)));
}

void ReportThreadFailure(DWORD error) {
    gui::Application::Instance().ReportError("Thread creation error: " + gui::SystemErrorText(error));
}

} // namespace

BYTE FadeStepAlpha(DWORD step) {
    if (step >= kFadeSteps)
        return 0;
    // 229/10 per step, truncated toward zero: 206, 183, ... 22 for steps 1
    // to 9. Done in integers: 22.9 has no exact binary form, and with an
    // extended-precision product step 0 would come out as 228.
    const DWORD alpha = static_cast<DWORD>(kOsdAlpha) * (kFadeSteps - step) / kFadeSteps;
    return static_cast<BYTE>(std::min<DWORD>(kOsdAlpha, alpha));
}

int FadeSchedule::Poll(DWORD nowTick) {
    if (finished_)
        return -1;
    // Unsigned difference: a wrap of the 32-bit counter does no harm.
    const DWORD elapsed = nowTick - start_;
    if (elapsed >= kFadeLengthMs) {
        finished_ = true;
        return -1;
    }
    const DWORD step = elapsed / kFadeStepMs;
    if (step <= lastStep_)
        return -1;
    lastStep_ = step;
    return FadeStepAlpha(step);
}

DWORD FadeSchedule::MsToNextMark(DWORD nowTick) const {
    if (finished_)
        return 0;
    const DWORD elapsed = nowTick - start_;
    if (elapsed >= kFadeLengthMs)
        return 0;
    return (elapsed / kFadeStepMs + 1) * kFadeStepMs - elapsed;
}

void TWaitThread::Start(DWORD delay, OsdNotify onDone) {
    auto thread = std::make_unique<TWaitThread>();
    thread->Delay = delay;
    thread->OnDone = onDone;
    DWORD error = 0;
    if (gui::Thread::StartDetached(std::move(thread), &error))
        return;
    StartGuiTimerWork(delay, [onDone] {
        if (onDone)
            onDone(nullptr);
        return true;
    });
    ReportThreadFailure(error);
}

void TWaitThread::Execute() {
    Sleep(Delay);
    const OsdNotify onDone = OnDone;
    Synchronize([onDone] {
        if (onDone)
            onDone(nullptr);
    });
}

void TMaskFanoutThread::Start() {
    DWORD error = 0;
    if (gui::Thread::StartDetached(std::make_unique<TMaskFanoutThread>(), &error))
        return;
    auto fade = std::make_shared<FadeSchedule>(GetTickCount());
    StartGuiTimerWork(kFadeStepMs, [fade] {
        const int alpha = fade->Poll(GetTickCount());
        if (alpha >= 0)
            FlashOsdLayout::Instance().SetAlpha(static_cast<BYTE>(alpha));
        if (!fade->Finished())
            return false;
        FlashOsdLayout::Instance().Hide();
        Director::Instance().OnOsdFinished();
        return true;
    });
    ReportThreadFailure(error);
}

void TMaskFanoutThread::Execute() {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    // Sleeps to each 25 ms mark instead of polling: a wake-up that comes
    // late applies the step of the time it reads, as a late poll would.
    FadeSchedule fade(GetTickCount());
    bool woken = false;
    while (!fade.Finished()) {
        const int alpha = fade.Poll(GetTickCount());
        if (alpha >= 0)
            layout.SetAlpha(static_cast<BYTE>(alpha));
        if (fade.Finished())
            break;
        // The tick counter may advance in steps coarser than a millisecond:
        // a wake-up it has not caught up with yet looks again shortly
        // instead of sleeping a whole step more.
        Sleep(woken && alpha < 0 ? 1 : fade.MsToNextMark(GetTickCount()));
        woken = true;
    }
    // Visibility and the action state belong to the GUI thread.
    Synchronize([] {
        FlashOsdLayout::Instance().Hide();
        Director::Instance().OnOsdFinished();
    });
}

FlashOsdManipulator& FlashOsdManipulator::Instance() {
    static FlashOsdManipulator* const instance = new FlashOsdManipulator();
    return *instance;
}

void FlashOsdManipulator::Initialize() {
    if (FlashOsdForm != nullptr)
        FlashOsdForm->Hide();
    // A missing indicator picture raises the file-open error from here.
    if (StatusForm != nullptr)
        StatusForm->PrepareStatusWindow();
    FlashOsdLayout::Instance().Initialize();
}

void FlashOsdManipulator::PlaceStatusWindow() {
    if (StatusForm != nullptr)
        StatusForm->PlaceStatusWindow();
}

void FlashOsdManipulator::PrepareShow() {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.Hide();
    layout.FitToScreen();
    layout.SetAlpha(kOsdAlpha);
}

void FlashOsdManipulator::FadeOut() { TMaskFanoutThread::Start(); }

OsdNotify FlashOsdManipulator::FadeOutHandler() {
    return OsdNotify::Of<FlashOsdManipulator, &FlashOsdManipulator::OnMovieFinished>(this);
}

void FlashOsdManipulator::OnMovieFinished(void*) { FadeOut(); }

FlashClass0Manipulator& FlashClass0Manipulator::Instance() {
    static FlashClass0Manipulator* const instance = new FlashClass0Manipulator();
    return *instance;
}

void FlashClass0Manipulator::ShowProfileOn(const char* label) {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.PlaceMovie(MovieKind::RaveloProfileOn);
    layout.ShowProfileOn(label);
    // The hold starts when the movie has played its intro (IntroFinished).
}

void FlashClass0Manipulator::ShowProfileOff(const char* label) {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.PlaceMovie(MovieKind::RaveloProfileOff);
    layout.ShowProfileOff(label);
}

void FlashClass0Manipulator::ShowKelvoAuto(const char* label) {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.PlaceMovie(MovieKind::KelvoAuto);
    layout.ShowKelvoAuto(label);
    TWaitThread::Start(kKelvoAutoTimeMs,
                       OsdNotify::Of<FlashClass0Manipulator, &FlashClass0Manipulator::EndCaption>(this));
}

void FlashClass0Manipulator::ShowWarning(const char* title, const char* message, DWORD durationMs) {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.PlaceMovie(MovieKind::Warning);
    layout.ShowWarning(title, message);
    TWaitThread::Start(durationMs, OsdNotify::Of<FlashClass0Manipulator, &FlashClass0Manipulator::EndCaption>(this));
}

void FlashClass0Manipulator::IntroFinished(MovieKind kind) {
    if (kind != MovieKind::RaveloProfileOn && kind != MovieKind::RaveloProfileOff)
        return;
    TWaitThread::Start(kProfileHoldMs,
                       OsdNotify::Of<FlashClass0Manipulator, &FlashClass0Manipulator::EndCaption>(this));
}

void FlashClass0Manipulator::EndCaption(void*) {
    if (FlashOsdForm != nullptr)
        FlashOsdForm->SetFinishedHandler(FlashOsdManipulator::Instance().FadeOutHandler());
    FlashOsdLayout::Instance().EndMovie();
}

FlashClass1Manipulator& FlashClass1Manipulator::Instance() {
    static FlashClass1Manipulator* const instance = new FlashClass1Manipulator();
    return *instance;
}

void FlashClass1Manipulator::ShowLevel(LONG level) {
    level_ = level;
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.PlaceMovie(MovieKind::KelvoManual);
    layout.ShowLevel(level);
    layout.SetIdleTimer(true);
}

void FlashClass1Manipulator::ChangeLevel(LONG level) {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.SetIdleTimer(false);
    level_ = level;
    layout.PlayLevel(level);
    // Off and on again: the full idle time starts afresh.
    layout.SetIdleTimer(true);
}

void FlashClass1Manipulator::Finish() {
    TWaitThread::Start(kEndPauseMs, OsdNotify::Of<FlashClass1Manipulator, &FlashClass1Manipulator::EndLevel>(this));
}

void FlashClass1Manipulator::EndLevel(void*) {
    if (FlashOsdForm != nullptr)
        FlashOsdForm->SetFinishedHandler(FlashOsdManipulator::Instance().FadeOutHandler());
    FlashOsdLayout::Instance().EndLevel(level_);
}

void FlashClass1Manipulator::Reset() { level_ = -1; }

FlashClass2Manipulator& FlashClass2Manipulator::Instance() {
    static FlashClass2Manipulator* const instance = new FlashClass2Manipulator();
    return *instance;
}

void FlashClass2Manipulator::Reset() { FlashOsdLayout::Instance().PresetDigits(kPresetDigits); }

void FlashClass2Manipulator::ShowValue(LONG value) {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.PlaceMovie(MovieKind::OCTuning);
    layout.ShowDigits(value);
    // Armed only once the movie has played its "in" part (StartIdleTimer).
    layout.SetIdleTimer(false);
}

void FlashClass2Manipulator::ChangeValue(LONG value) {
    FlashOsdLayout& layout = FlashOsdLayout::Instance();
    layout.SetIdleTimer(false);
    layout.SetDigits(value);
    layout.SetIdleTimer(true);
}

void FlashClass2Manipulator::StartIdleTimer() { FlashOsdLayout::Instance().SetIdleTimer(true); }

void FlashClass2Manipulator::Finish() {
    TWaitThread::Start(kEndPauseMs, OsdNotify::Of<FlashClass2Manipulator, &FlashClass2Manipulator::EndTuning>(this));
}

void FlashClass2Manipulator::EndTuning(void*) {
    if (FlashOsdForm != nullptr)
        FlashOsdForm->SetFinishedHandler(FlashOsdManipulator::Instance().FadeOutHandler());
    FlashOsdLayout::Instance().SendOut();
}

#include "osd/OsdThreads.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <list>
#include <memory>

#include "gui/Application.h"
#include "gui/Exceptions.h"
#include "gui/Timer.h"
#include "osd/Flashosd.h"

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
                // Errors already unwinding when the tick came (it runs in a
                // loop pumped on their way) are none of the work's.
                const int unwinding = std::uncaught_exceptions();
                ~Idle() {
                    work.busy_ = false;
                    // An error of step gives up the work; it is on its way
                    // to the exception display.
                    if (std::uncaught_exceptions() > unwinding)
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
    // The mark of the step after the last one applied, not the next mark
    // after this reading: one that passed while the last step was being
    // applied is due now, as the busy poll would have found it.
    const DWORD mark = (lastStep_ + 1) * kFadeStepMs;
    const DWORD elapsed = nowTick - start_;
    return elapsed >= mark ? 0 : mark - elapsed;
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
        ReportOsdFinished();
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
        ReportOsdFinished();
    });
}

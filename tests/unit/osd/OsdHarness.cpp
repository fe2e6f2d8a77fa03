#include "OsdHarness.h"

#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "osd/OsdEvents.h"
#include "gui/Application.h"
#include "win32/ModulePath.h"

namespace osdtest {

void TestState::OnOsdTimer() {
    ++timers;
    lastTimerTick = GetTickCount();
    if (onTimer)
        onTimer();
}

void TestState::OnOsdFinished() {
    ++finished;
    lastFinishedTick = GetTickCount();
    formVisibleAtFinish = FlashOsdForm != nullptr && FlashOsdForm->Visible();
    if (onFinished)
        onFinished();
}

void TestState::Clear() {
    timers = 0;
    finished = 0;
    lastTimerTick = 0;
    lastFinishedTick = 0;
    formVisibleAtFinish = true;
    onTimer = nullptr;
    onFinished = nullptr;
}

TestState& State() {
    static TestState* const state = new TestState();
    return *state;
}

namespace {
StartupFacts& MutableStartup() {
    static StartupFacts facts;
    return facts;
}
} // namespace

const StartupFacts& Startup() { return MutableStartup(); }

bool StartOsd() {
    gui::Application& app = gui::Application::Instance();
    if (FlashOsdForm != nullptr)
        return true;
    app.ShowMainForm = false;
    app.Initialize();
    FlashOsdForm = app.CreateForm<TFlashOsdForm>();
    if (FlashOsdForm == nullptr || FlashOsdForm->Handle() == nullptr)
        return false;
    // The display's part of the program's start, in its order.
    FlashOsdManipulator::Instance().Initialize();
    FlashClass1Manipulator::Instance().Reset();
    FlashClass2Manipulator::Instance().Reset();
    StartupFacts& facts = MutableStartup();
    facts.phase = OsdPhase;
    facts.formVisible = FlashOsdForm->Visible();
    facts.playerCount = static_cast<int>(TTransFlash::Players().size());
    for (int i = 0; i < TFlashOsdForm::kSlotCount; ++i) {
        if (FlashOsdForm->Item(i).used && FlashOsdForm->Item(i).player == FlashOsdForm->Current())
            facts.currentSlot = i;
    }
    OsdEventHandlers handlers;
    handlers.idleTimer = [] { State().OnOsdTimer(); };
    handlers.finished = [] { State().OnOsdFinished(); };
    SetOsdEventHandlers(handlers);
    return true;
}

int OsdAlpha() {
    if (FlashOsdForm == nullptr)
        return -1;
    if ((GetWindowLongA(FlashOsdForm->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED) == 0)
        return -1;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(FlashOsdForm->Handle(), &key, &alpha, &flags) || (flags & LWA_ALPHA) == 0)
        return -1;
    return alpha;
}

DWORD OsdExStyle() {
    return FlashOsdForm != nullptr ? static_cast<DWORD>(GetWindowLongA(FlashOsdForm->Handle(), GWL_EXSTYLE)) : 0;
}

RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

std::string ExeFolder() { return win32::ModuleFolder(); }

} // namespace osdtest

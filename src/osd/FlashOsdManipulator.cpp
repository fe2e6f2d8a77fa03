#include "osd/FlashOsdManipulator.h"

#include "osd/Flashosd.h"
#include "osd/Status.h"

void FlashOsdManipulator::Initialize() {
    FlashOsdLayout::Instance().Hide();
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
    FlashOsdLayout::Instance().SetFinishedHandler(FlashOsdManipulator::Instance().FadeOutHandler());
    FlashOsdLayout::Instance().EndMovie();
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
    FlashOsdLayout::Instance().SetFinishedHandler(FlashOsdManipulator::Instance().FadeOutHandler());
    FlashOsdLayout::Instance().EndLevel(level_);
}

void FlashClass1Manipulator::Reset() { level_ = -1; }

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
    FlashOsdLayout::Instance().SetFinishedHandler(FlashOsdManipulator::Instance().FadeOutHandler());
    FlashOsdLayout::Instance().SendOut();
}

#include "actions/Director.h"

#include "settings/Config.h"
#include "osd/FlashOsdManipulator.h"
#include "osd/OsdEvents.h"
#include "suite/KelvoEngine.h"
#include "suite/OcEngine.h"
#include "actions/RemoteActions.h"

bool IsProgressDialogVisible() {
    const HWND dialog = FindWindowA("TProgressDialog", "ProgressDialog");
    return dialog != nullptr && (GetWindowLongA(dialog, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Director::Start() {
    // The display reports its idle timer and its end to the current state.
    OsdEventHandlers handlers;
    handlers.idleTimer = [] { Director::Instance().OnOsdTimer(); };
    handlers.finished = [] { Director::Instance().OnOsdFinished(); };
    SetOsdEventHandlers(handlers);
    FlashOsdManipulator::Instance().Initialize();
    // No profile is active until the user switches one on.
    OcEngine::Instance().Reset();
    KelvoEngine::Instance();
    FlashClass1Manipulator::Instance().Reset();
    FlashClass2Manipulator::Instance().Reset();
    // The idle state is current from the start; it has nothing to enter.
    current_ = &RcWait::Instance();
    // The profile list is read afresh on first use.
    Config::Instance().ResetProfileList();
}

bool Director::OnRemoteKey(LONG code) {
    if (IsProgressDialogVisible())
        return true;
    if (code < kKeyProfileA || code > kKeyTuneDown)
        return false;
    if (current_ == nullptr)
        return true;
    // One operation per key, in key order.
    static void (RcState::*const kKeyOperations[])() = {
        &RcState::OnProfileAKey, &RcState::OnProfileBKey, &RcState::OnProfileCKey, &RcState::OnManualModeKey,
        &RcState::OnAutoModeKey, &RcState::OnTuneUpKey,   &RcState::OnTuneDownKey,
    };
    (current_->*kKeyOperations[code - kKeyProfileA])();
    return true;
}

void Director::ChangeState(RcState* next) {
    if (current_ != nullptr)
        current_->Leave();
    current_ = next;
    if (current_ != nullptr)
        current_->Enter();
}

void Director::OnOsdTimer() {
    if (current_ != nullptr)
        current_->OnOsdTimer();
}

void Director::OnOsdFinished() {
    if (current_ != nullptr)
        current_->OnOsdFinished();
}

#include "actions/RemoteActions.h"

#include "osd/FlashOsdManipulator.h"
#include "suite/KelvoEngine.h"
#include "suite/OcEngine.h"
#include "settings/OvMultiLang.h"
#include "osd/TransFlash.h"

namespace {

std::string Text(const char* key) { return OvMultiLang::Instance().GetText(key); }

void ReturnToWait() { Director::Instance().ChangeState(&RcWait::Instance()); }

// The overclocking program's two preconditions, in the order whose warning wins.
bool OverclockerPresent() {
    if (!IsRaveloApexInstalled()) {
        ShowWarningNotice("RaveloApexInstall", kNoticeTimeMs);
        return false;
    }
    if (!OcEngine::Instance().FindCommandWindow() || !IsRaveloRunning()) {
        ShowWarningNotice("RaveloApexNotRun", kNoticeTimeMs);
        return false;
    }
    return true;
}

// The engine's two preconditions, in the order whose warning wins.
bool EnginePresent() {
    if (!IsKelvoEngineInstalled()) {
        ShowWarningNotice("KelvoInstall", kNoticeTimeMs);
        return false;
    }
    if (!KelvoEngine::Instance().FindEngineWindow()) {
        ShowWarningNotice("KelvoNotRun", kNoticeTimeMs);
        return false;
    }
    return true;
}

} // namespace

std::string FormatProfileLabel(const std::string& text, DWORD mhz, UINT codePage) {
    // The clock prints as a signed number, as the label pattern has it.
    const std::string label = text + " " + std::to_string(static_cast<long>(static_cast<LONG>(mhz))) + "MHz";
    return label.substr(0, FitTextLength(label.c_str(), kLabelBufferSize - 1, codePage));
}

void ShowWarningNotice(const char* messageKey, DWORD durationMs) {
    const std::string title = Text("Warning");
    const std::string message = Text(messageKey);
    FlashClass0Manipulator::Instance().ShowWarning(title.c_str(), message.c_str(), durationMs);
}

// ---- RcWait -----------------------------------------------------------------

void RcWait::OnProfileAKey() { Director::Instance().ChangeState(&RcProfileA::Instance()); }
void RcWait::OnProfileBKey() { Director::Instance().ChangeState(&RcProfileB::Instance()); }
void RcWait::OnProfileCKey() { Director::Instance().ChangeState(&RcProfileC::Instance()); }
void RcWait::OnManualModeKey() { Director::Instance().ChangeState(&RcKelvoManual::Instance()); }
void RcWait::OnAutoModeKey() { Director::Instance().ChangeState(&RcKelvoAuto::Instance()); }
void RcWait::OnTuneUpKey() { Director::Instance().ChangeState(&RcDigit::Instance()); }
void RcWait::OnTuneDownKey() { Director::Instance().ChangeState(&RcDigit::Instance()); }

// ---- Profile states ---------------------------------------------------------

void RcProfile::Enter() {
    FlashOsdManipulator::Instance().PrepareShow();
    if (!OverclockerPresent())
        return;
    OcEngine& oc = OcEngine::Instance();
    if (oc.IsProfileActive(activeValue_)) {
        const std::string label = FormatProfileLabel(Text(offKey_), oc.DefaultFrequency());
        FlashClass0Manipulator::Instance().ShowProfileOff(label.c_str());
        oc.ClearProfile();
        return;
    }
    if (oc.CanApplyProfile(button_)) {
        KelvoEngine& engine = KelvoEngine::Instance();
        if (engine.FindEngineWindow())
            engine.SetMode(kNeutralEngineMode);
        const std::string label = FormatProfileLabel(Text(onKey_), oc.ProfileFrequency(button_));
        FlashClass0Manipulator::Instance().ShowProfileOn(label.c_str());
        oc.ApplyProfile(button_);
        return;
    }
    ShowWarningNotice("OcWarn", kOcWarningTimeMs);
}

void RcProfile::OnOsdFinished() { ReturnToWait(); }

// ---- RcKelvoAuto ------------------------------------------------------------

void RcKelvoAuto::Enter() {
    requestOnClose_ = false;
    FlashOsdManipulator::Instance().PrepareShow();
    if (!EnginePresent()) {
        keyDone_ = true;
        return;
    }
    KelvoEngine& engine = KelvoEngine::Instance();
    if (!engine.AutoModeAvailable()) {
        ShowWarningNotice("AutoModeUnavaliable", kNoticeTimeMs);
        keyDone_ = true;
        return;
    }
    if (engine.CalibrationNeeded()) {
        ShowWarningNotice("CalibrationNeed", kNoticeTimeMs);
        requestOnClose_ = false;
        keyDone_ = false;
        return;
    }
    FlashClass0Manipulator::Instance().ShowKelvoAuto(Text("Auto").c_str());
    requestOnClose_ = true;
    keyDone_ = true;
}

void RcKelvoAuto::OnAutoModeKey() {
    if (keyDone_)
        return;
    keyDone_ = true;
    KelvoEngine::Instance().RequestAutoMode();
}

void RcKelvoAuto::OnOsdFinished() {
    keyDone_ = true;
    if (requestOnClose_)
        KelvoEngine::Instance().RequestAutoMode();
    ReturnToWait();
}

// ---- RcKelvoManual ----------------------------------------------------------

bool RcKelvoManual::EngineReachable() {
    if (EnginePresent())
        return true;
    closed_ = true;
    return false;
}

void RcKelvoManual::Enter() {
    FlashOsdManipulator::Instance().PrepareShow();
    if (!EngineReachable())
        return;
    closed_ = false;
    mode_ = KelvoEngine::Instance().CurrentMode();
    FlashClass1Manipulator::Instance().ShowLevel(mode_);
}

void RcKelvoManual::OnManualModeKey() {
    if (closed_)
        return;
    if (!EngineReachable())
        return;
    mode_ = mode_ >= kLastEngineMode ? kFirstEngineMode : mode_ + 1; // 0, 1, 2, 3, 0, ...
    FlashClass1Manipulator::Instance().ChangeLevel(mode_);
}

// A warning from a key has replaced the level display and ends by its own
// wait; ending the level too would cut the warning short, and the
// warning's wait would then end whatever display comes next.
void RcKelvoManual::OnOsdTimer() {
    if (closed_)
        return;
    closed_ = true;
    FlashClass1Manipulator::Instance().Finish();
}

void RcKelvoManual::OnOsdFinished() {
    KelvoEngine::Instance().SetMode(mode_);
    ReturnToWait();
}

// ---- RcDigit ----------------------------------------------------------------

bool RcDigit::OverclockerReachable() {
    if (OverclockerPresent())
        return true;
    closed_ = true;
    return false;
}

void RcDigit::Enter() {
    closed_ = false;
    stepRead_ = false;
    FlashOsdManipulator::Instance().PrepareShow();
    if (!OverclockerReachable())
        return;
    OcEngine& oc = OcEngine::Instance();
    const DWORD mhz = oc.ReadCurrentFrequency();
    stepRead_ = oc.StepRead();
    engineSwitched_ = false;
    FlashClass2Manipulator::Instance().ShowValue(static_cast<LONG>(mhz));
}

void RcDigit::Tune(bool up) {
    if (closed_)
        return;
    if (!OverclockerReachable())
        return;
    KelvoEngine& engine = KelvoEngine::Instance();
    if (!engineSwitched_ && engine.FindEngineWindow()) {
        engine.SetMode(kNeutralEngineMode);
        engineSwitched_ = true;
    }
    OcEngine& oc = OcEngine::Instance();
    const DWORD mhz = up ? oc.StepUp() : oc.StepDown();
    FlashClass2Manipulator::Instance().ChangeValue(static_cast<LONG>(mhz));
}

void RcDigit::OnTuneUpKey() { Tune(true); }

void RcDigit::OnTuneDownKey() { Tune(false); }

// As for the level display: after a warning, the warning's wait ends it.
void RcDigit::OnOsdTimer() {
    if (closed_)
        return;
    closed_ = true;
    FlashClass2Manipulator::Instance().Finish();
}

void RcDigit::OnOsdFinished() {
    // After a display that only warned, the step held is one from an
    // earlier display; sending it could undo a clock set since.
    if (stepRead_)
        OcEngine::Instance().CommitStep();
    ReturnToWait();
}

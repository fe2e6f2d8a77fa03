// Stand-in for the suite's overclocking program, Ravelo Apex: the two
// windows the remote program looks for, the profile and clock messages it
// sends them, carried out on the simulated firmware, and a log of all of it.
//
//   RaveloApexSim.exe            run (a second copy on the same database exits with 1)
//   RaveloApexSim.exe --quit     close the running copy (exit 0; 1 when none runs)
//   RaveloApexSim.exe --no-marker  run without writing the installation marker
//   RaveloApexSim.exe --freeze-on-step  hang for good on the first clock step
//                                       message (windows stay, nothing answers)
#include <windows.h>

#include <memory>
#include <string>

#include "ApexProfiles.h"
#include "SimFirmware.h"
#include "SimInstance.h"
#include "SimLog.h"
#include "SimPaint.h"
#include "SimProgram.h"

namespace {

using sibling::Format;

constexpr char kMainCaption[] = "Ravelo";
constexpr char kCommandCaption[] = "RaveloHelp";
constexpr char kProgram[] = "RaveloApexSim";
constexpr WPARAM kMark = 0x55;
constexpr UINT kClockMessage = WM_USER + 36;   // 1060: apply a raw clock step (sent)
constexpr UINT kProfileMessage = WM_USER + 37; // 1061: profile on (1..3) or off (0) (posted)
constexpr sibling::PanelLook kLook = {RGB(24, 28, 38), RGB(8, 10, 16), RGB(255, 92, 56),
                                      "RAVELO APEX",   "overclocking", RGB(120, 128, 148)};

enum class Role { Main, Command };

class ApexApp;

// One of the two windows: hands its messages to the app with its role.
class RoleWindow final : public sibling::WindowHandler {
public:
    RoleWindow(ApexApp& app, Role role) : app_(app), role_(role) {}
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    ApexApp& app_;
    const Role role_;
};

class ApexApp final : public sibling::SimApp {
public:
    ApexApp(sibling::SimLog log, DWORD scope, bool freezeOnStep)
        : log_(std::move(log)), scope_(scope), freezeOnStep_(freezeOnStep) {}
    ApexApp(const ApexApp&) = delete;
    ApexApp& operator=(const ApexApp&) = delete;

    bool Create(HINSTANCE instance) override;
    void Note(const std::string& text) const { log_.Write(kProgram, text); }
    LRESULT Handle(Role role, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT OnProfile(LPARAM lParam, std::string& did);
    LRESULT OnClock(LPARAM lParam, std::string& did);
    bool EnsureClockItem();
    std::string ClockText(LONG step) const;
    std::string SetClock(LONG step, bool& ok);
    void Refresh();
    void Paint(HDC dc, const RECT& area) const;

    sibling::SimLog log_;
    DWORD scope_ = 0;
    bool freezeOnStep_ = false;
    RoleWindow mainWindow_{*this, Role::Main};
    RoleWindow commandWindow_{*this, Role::Command};
    HWND main_ = nullptr;
    HWND command_ = nullptr;
    bool haveClockItem_ = false;
    sibling::FirmwareItem clockItem_{};
    bool stepKnown_ = false;
    LONG step_ = 0;
    bool activeKnown_ = false;
    LONG active_ = 0;
    // The clock in effect before a profile was switched on, put back when
    // the profile is switched off.
    bool haveSavedStep_ = false;
    LONG savedStep_ = 0;
    LONG appliedActive_ = 0;
    std::string appliedName_;
};

LRESULT RoleWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return app_.Handle(role_, window, message, wParam, lParam);
}

bool ApexApp::Create(HINSTANCE instance) {
    if (!sibling::RegisterWindowClass(instance))
        return false;

    EnsureClockItem();
    Refresh();

    main_ = sibling::CreatePanelWindow(instance, kMainCaption, 40, 40, 360, 210, &mainWindow_);
    // The command window is a hidden top-level window: a message-only window
    // would not be found by FindWindow.
    command_ =
        sibling::CreateSimWindow(instance, WS_EX_TOOLWINDOW, kCommandCaption, WS_POPUP, 0, 0, 0, 0, &commandWindow_);
    if (main_ == nullptr || command_ == nullptr)
        return false;
    sibling::TagWindow(main_, scope_);
    sibling::TagWindow(command_, scope_);
    ShowWindow(main_, SW_SHOWNOACTIVATE);
    UpdateWindow(main_);
    return true;
}

bool ApexApp::EnsureClockItem() {
    if (!haveClockItem_) {
        haveClockItem_ = sibling::FindItem(apex::kClockGroup, apex::kClockNumber, clockItem_);
        if (haveClockItem_)
            Note(Format("clock item 0x%08lX found", static_cast<unsigned long>(clockItem_.id)));
        else
            Note("no clock item (group 3, item number 17) in the firmware");
    }
    return haveClockItem_;
}

std::string ApexApp::ClockText(LONG step) const {
    if (!haveClockItem_)
        return "no clock item";
    double value = 0;
    if (clockItem_.ValueAt(step, value))
        return Format("%ld MHz", static_cast<long>(value));
    std::string text = clockItem_.TextAt(step);
    return text.empty() ? std::string("?") : text;
}

std::string ApexApp::SetClock(LONG step, bool& ok) {
    ok = EnsureClockItem() && sibling::WriteFirmwareItem(clockItem_.id, step);
    if (!haveClockItem_)
        return "clock not set: no clock item";
    return Format("clock step := %ld (%s) %s", static_cast<long>(step), ClockText(step).c_str(), ok ? "ok" : "FAILED");
}

LRESULT ApexApp::OnProfile(LPARAM lParam, std::string& did) {
    if (lParam < 0 || lParam > 3) {
        did = "ignored: lParam is not 0 to 3";
        return 0;
    }
    Refresh();
    bool clockOk = true;
    std::string clockDid;
    if (lParam == 0) {
        if (haveSavedStep_) {
            clockDid = SetClock(savedStep_, clockOk) + " (clock before the profile)";
        } else {
            apex::ProfileClock fallback = apex::DefaultProfileClock();
            if (fallback.found)
                clockDid = SetClock(static_cast<LONG>(fallback.raw), clockOk) + " (" + fallback.source + ")";
            else
                clockDid = "clock unchanged: no saved clock, " + fallback.source;
        }
        haveSavedStep_ = false;
        bool activeOk = sibling::WriteFirmwareItem(apex::kActiveProfileItem, 0);
        did = Format("profile off: %s; active-profile item := 0 %s", clockDid.c_str(), activeOk ? "ok" : "FAILED");
        appliedActive_ = 0;
        appliedName_.clear();
        Refresh();
        return clockOk && activeOk ? 1 : 0;
    }

    const LONG value = apex::ActiveValueForButton(lParam);
    if (!haveSavedStep_ && stepKnown_) {
        haveSavedStep_ = true;
        savedStep_ = step_;
    }
    apex::ProfileClock profile = apex::ResolveButtonClock(lParam);
    // The clock goes first, so whoever sees the active-profile item change
    // already finds the profile's clock in place.
    if (profile.found)
        clockDid = SetClock(static_cast<LONG>(profile.raw), clockOk);
    else
        clockDid = "clock unchanged";
    bool activeOk = sibling::WriteFirmwareItem(apex::kActiveProfileItem, value);
    did = Format("profile %c on from %s: %s; active-profile item := %ld %s", apex::ButtonLetter(lParam),
                 profile.source.c_str(), clockDid.c_str(), static_cast<long>(value), activeOk ? "ok" : "FAILED");
    appliedActive_ = value;
    appliedName_ = profile.profileName;
    Refresh();
    return clockOk && activeOk ? 1 : 0;
}

LRESULT ApexApp::OnClock(LPARAM lParam, std::string& did) {
    bool ok = false;
    did = SetClock(static_cast<LONG>(lParam), ok);
    did += Format(", reply %d", ok ? 1 : 0);
    Refresh();
    return ok ? 1 : 0;
}

void ApexApp::Refresh() {
    LONG step = step_;
    LONG active = active_;
    bool stepKnown = haveClockItem_ && sibling::ReadFirmwareItem(clockItem_.id, step);
    bool activeKnown = sibling::ReadFirmwareItem(apex::kActiveProfileItem, active);
    bool changed = stepKnown != stepKnown_ || activeKnown != activeKnown_ || step != step_ || active != active_;
    stepKnown_ = stepKnown;
    activeKnown_ = activeKnown;
    step_ = step;
    active_ = active;
    if (changed && main_ != nullptr)
        InvalidateRect(main_, nullptr, FALSE);
}

void ApexApp::Paint(HDC dc, const RECT& area) const {
    const COLORREF accent = kLook.accent;

    std::string clock = stepKnown_ ? ClockText(step_) : (haveClockItem_ ? "clock unreadable" : "no clock item");
    RECT clockArea = {18, 40, area.right - 18, 104};
    sibling::DrawLabel(dc, clock, clockArea, 44, FW_BOLD, RGB(240, 242, 248), DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    RECT stepArea = {18, 104, area.right - 18, 124};
    sibling::DrawLabel(dc, stepKnown_ ? Format("clock step %ld", static_cast<long>(step_)) : std::string(), stepArea,
                       13, FW_NORMAL, RGB(150, 156, 176), DT_LEFT | DT_SINGLELINE | DT_VCENTER);

    std::string profile;
    bool on = activeKnown_ && active_ != 0;
    if (!activeKnown_) {
        profile = "Active profile unreadable";
    } else if (active_ == 0) {
        profile = "No profile active";
    } else {
        const char* letter = active_ == 1 ? "A" : active_ == 2 ? "B" : active_ == 4 ? "C" : nullptr;
        profile =
            letter != nullptr ? Format("Profile %s", letter) : Format("Profile value %ld", static_cast<long>(active_));
        if (active_ == appliedActive_ && !appliedName_.empty())
            profile += ": " + appliedName_;
    }
    RECT pill = {18, 140, area.right - 18, 186};
    sibling::FillRoundRect(dc, pill, 18, on ? accent : RGB(46, 52, 66));
    sibling::DrawLabel(dc, profile, pill, 17, FW_BOLD, on ? RGB(255, 255, 255) : RGB(170, 176, 196),
                       DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

LRESULT ApexApp::Handle(Role role, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        if (role == Role::Main) {
            sibling::PaintPanel(window, kLook, [this](HDC dc, const RECT& area) { Paint(dc, area); });
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wParam == sibling::kRefreshTimer) {
            Refresh();
            return 0;
        }
        break;
    case WM_CLOSE:
        Note(Format("WM_CLOSE on %s: closing", role == Role::Main ? kMainCaption : kCommandCaption));
        if (main_ != nullptr)
            KillTimer(main_, sibling::kRefreshTimer);
        if (command_ != nullptr)
            DestroyWindow(command_);
        if (main_ != nullptr)
            DestroyWindow(main_);
        command_ = main_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    if (!sibling::IsSuiteMessage(message))
        return DefWindowProcA(window, message, wParam, lParam);

    // Messages of the suite: log each with what it did.
    if (freezeOnStep_ && role == Role::Command && message == kClockMessage) {
        // A program that hangs: its windows stay, but this thread never
        // answers or reads a message again.
        sibling::LogSuiteMessage(log_, kCommandCaption, message, wParam, lParam, "freezing");
        for (;;)
            Sleep(INFINITE);
    }
    std::string did;
    LRESULT result = 0;
    if (role != Role::Command)
        did = "ignored: not the command window";
    else if (message != kClockMessage && message != kProfileMessage)
        did = "ignored: unknown message";
    else if (wParam != kMark)
        did = "ignored: wParam is not 0x55";
    else if (message == kProfileMessage)
        result = OnProfile(lParam, did);
    else
        result = OnClock(lParam, did);
    sibling::LogSuiteMessage(log_, role == Role::Main ? kMainCaption : kCommandCaption, message, wParam, lParam, did);
    return result;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    static const sibling::SimProgram program = {kProgram, "RAVELO_APEX_LOG", "RaveloApexSim.log", kMainCaption,
                                                "Ravelo Apex"};
    return sibling::RunSimProgram(
        program, instance, commandLine,
        [](const sibling::SimLog& log, DWORD scope, const char* line) -> std::unique_ptr<sibling::SimApp> {
            return std::make_unique<ApexApp>(log, scope, sibling::HasSwitch(line, "--freeze-on-step"));
        });
}

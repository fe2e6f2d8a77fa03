// Stand-in for the suite's power-saving engine, Kelvo Engine: the window the
// remote program looks for, the mode messages it posts, carried out on the
// engine's mode item in the simulated firmware, and a log of all of it.
//
//   KelvoEngineSim.exe              run (a second copy on the same database exits with 1)
//   KelvoEngineSim.exe --quit       close the running copy (exit 0; 1 when none runs)
//   KelvoEngineSim.exe --no-marker  run without writing the installation marker
#include <windows.h>

#include <memory>
#include <string>

#include "SimFirmware.h"
#include "SimInstance.h"
#include "SimLog.h"
#include "SimPaint.h"
#include "SimProgram.h"

namespace {

using sibling::Format;

constexpr char kCaption[] = "Kelvo Engine";
constexpr char kProgram[] = "KelvoEngineSim";
constexpr WPARAM kMark = 0x55;
constexpr UINT kAutoMessage = WM_USER + 35; // 1059
constexpr DWORD kModeGroup = 11;
constexpr DWORD kModeNumber = 1;
constexpr DWORD kAutoSwitchItem = 0x11070010;
constexpr sibling::PanelLook kLook = {RGB(18, 36, 32), RGB(6, 14, 12), RGB(64, 220, 150),
                                      "KELVO ENGINE",  "power saving", RGB(110, 150, 135)};

// Raw values of the mode item. The remote program reads 0x4000 as mode 0,
// 1 as mode 2, 2 as mode 3 and anything else as mode 1; mode 1 itself is
// 0x8000, and automatic mode is kept as 0, which readers of the mode
// therefore also see as mode 1.
constexpr LONG kRawMode0 = 0x4000;
constexpr LONG kRawMode1 = 0x8000;
constexpr LONG kRawMode2 = 1;
constexpr LONG kRawMode3 = 2;
constexpr LONG kRawAuto = 0;

// Mode requested by a message: 1058 mode 0, 1055..1057 modes 1..3; -1 for
// any other message.
int ModeOfMessage(UINT message) {
    switch (message) {
    case WM_USER + 34:
        return 0;
    case WM_USER + 31:
        return 1;
    case WM_USER + 32:
        return 2;
    case WM_USER + 33:
        return 3;
    default:
        return -1;
    }
}

LONG RawOfMode(int mode) {
    static const LONG raws[4] = {kRawMode0, kRawMode1, kRawMode2, kRawMode3};
    return raws[mode & 3];
}

int ModeOfRaw(LONG raw) {
    switch (raw) {
    case kRawMode0:
        return 0;
    case kRawMode2:
        return 2;
    case kRawMode3:
        return 3;
    default:
        return 1;
    }
}

class KelvoApp final : public sibling::SimApp, public sibling::WindowHandler {
public:
    KelvoApp(sibling::SimLog log, DWORD scope) : log_(std::move(log)), scope_(scope) {}
    KelvoApp(const KelvoApp&) = delete;
    KelvoApp& operator=(const KelvoApp&) = delete;

    bool Create(HINSTANCE instance) override;
    void Note(const std::string& text) const { log_.Write(kProgram, text); }
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool EnsureModeItem();
    LRESULT SetRaw(LONG raw, const std::string& what, std::string& did);
    LRESULT OnAuto(std::string& did);
    void Refresh();
    void Paint(HDC dc, const RECT& area) const;

    sibling::SimLog log_;
    DWORD scope_ = 0;
    HWND window_ = nullptr;
    bool haveModeItem_ = false;
    sibling::FirmwareItem modeItem_{};
    bool rawKnown_ = false;
    LONG raw_ = 0;
};

bool KelvoApp::Create(HINSTANCE instance) {
    if (!sibling::RegisterWindowClass(instance))
        return false;

    EnsureModeItem();
    Refresh();

    window_ = sibling::CreatePanelWindow(instance, kCaption, 420, 40, 320, 190, this);
    if (window_ == nullptr)
        return false;
    sibling::TagWindow(window_, scope_);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    return true;
}

bool KelvoApp::EnsureModeItem() {
    if (!haveModeItem_) {
        haveModeItem_ = sibling::FindItem(kModeGroup, kModeNumber, modeItem_);
        if (haveModeItem_)
            Note(Format("mode item 0x%08lX found", static_cast<unsigned long>(modeItem_.id)));
        else
            Note("no mode item (group 11, item number 1) in the firmware");
    }
    return haveModeItem_;
}

LRESULT KelvoApp::SetRaw(LONG raw, const std::string& what, std::string& did) {
    if (!EnsureModeItem()) {
        did = what + ": not done, no mode item";
        return 0;
    }
    bool ok = sibling::WriteFirmwareItem(modeItem_.id, raw);
    did = Format("%s: mode item := 0x%lX %s", what.c_str(), static_cast<unsigned long>(raw), ok ? "ok" : "FAILED");
    Refresh();
    return ok ? 1 : 0;
}

LRESULT KelvoApp::OnAuto(std::string& did) {
    // The firmware's auto-mode switch, when present and 0, forbids it.
    LONG allowed = 1;
    if (sibling::ReadFirmwareItem(kAutoSwitchItem, allowed) && allowed == 0) {
        did = "automatic mode refused: disabled by the firmware's auto-mode switch";
        return 0;
    }
    return SetRaw(kRawAuto, "automatic mode", did);
}

void KelvoApp::Refresh() {
    LONG raw = raw_;
    bool known = haveModeItem_ && sibling::ReadFirmwareItem(modeItem_.id, raw);
    bool changed = known != rawKnown_ || raw != raw_;
    rawKnown_ = known;
    raw_ = raw;
    if (changed && window_ != nullptr)
        InvalidateRect(window_, nullptr, FALSE);
}

void KelvoApp::Paint(HDC dc, const RECT& area) const {
    const COLORREF accent = kLook.accent;
    const COLORREF dim = RGB(40, 70, 60);

    const bool automatic = rawKnown_ && raw_ == kRawAuto;
    const int mode = ModeOfRaw(raw_);
    std::string title = !haveModeItem_ ? "No mode item"
                        : !rawKnown_   ? "Mode unreadable"
                        : automatic    ? "Automatic"
                                       : Format("Mode %d", mode);
    RECT titleArea = {18, 40, area.right - 18, 96};
    sibling::DrawLabel(dc, title, titleArea, 38, FW_BOLD, RGB(236, 246, 242), DT_LEFT | DT_SINGLELINE | DT_VCENTER);

    // Four level bars, lit up to the current mode (all lit, softly, in automatic mode).
    const int gap = 8;
    const int width = (area.right - 36 - 3 * gap) / 4;
    for (int level = 0; level < 4; ++level) {
        RECT bar = {18 + level * (width + gap), 150 - 12 * level - 14, 18 + level * (width + gap) + width, 160};
        bool lit = rawKnown_ && (automatic || level <= mode);
        sibling::FillRoundRect(dc, bar, 6, lit ? (automatic ? RGB(48, 150, 110) : accent) : dim);
    }
    RECT raw = {18, 164, area.right - 18, area.bottom - 4};
    sibling::DrawLabel(dc, rawKnown_ ? Format("mode item 0x%lX", static_cast<unsigned long>(raw_)) : std::string(), raw,
                       12, FW_NORMAL, RGB(110, 150, 135), DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
}

LRESULT KelvoApp::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        sibling::PaintPanel(window, kLook, [this](HDC dc, const RECT& area) { Paint(dc, area); });
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wParam == sibling::kRefreshTimer) {
            Refresh();
            return 0;
        }
        break;
    case WM_CLOSE:
        Note("WM_CLOSE: closing");
        KillTimer(window, sibling::kRefreshTimer);
        DestroyWindow(window);
        window_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    if (!sibling::IsSuiteMessage(message))
        return DefWindowProcA(window, message, wParam, lParam);

    std::string did;
    LRESULT result = 0;
    const int mode = ModeOfMessage(message);
    if (mode < 0 && message != kAutoMessage)
        did = "ignored: unknown message";
    else if (wParam != kMark)
        did = "ignored: wParam is not 0x55";
    else if (mode >= 0)
        result = SetRaw(RawOfMode(mode), Format("mode %d", mode), did);
    else
        result = OnAuto(did);
    sibling::LogSuiteMessage(log_, kCaption, message, wParam, lParam, did);
    return result;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    static const sibling::SimProgram program = {kProgram, "KELVO_LOG", "KelvoEngineSim.log", kCaption,
                                                "Kelvo-6 Engine"};
    return sibling::RunSimProgram(
        program, instance, commandLine,
        [](const sibling::SimLog& log, DWORD scope, const char*) -> std::unique_ptr<sibling::SimApp> {
            return std::make_unique<KelvoApp>(log, scope);
        });
}

#include "app/Main.h"

#include "actions/Director.h"
#include "osd/FlashOsdManipulator.h"
#include "suite/OcEngine.h"
#include "app/OrvaService.h"
#include "gui/Application.h"
#include "orva/OvAcpi.h"

TMainForm* MainForm = nullptr;

namespace {

constexpr UINT kCheckInterval = 2500;
constexpr DWORD kToolTopmostBits = WS_EX_TOOLWINDOW | WS_EX_TOPMOST; // 0x88
constexpr DWORD kAppWindowBit = WS_EX_APPWINDOW;                     // 0x40000

} // namespace

void BringToForeground(HWND window) {
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    const HWND foreground = GetForegroundWindow();
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
    const bool attach = windowThread != foregroundThread && foregroundThread != 0;
    if (attach)
        AttachThreadInput(windowThread, foregroundThread, TRUE);
    AllowSetForegroundWindow(ASFW_ANY);
    SetForegroundWindow(window);
    BringWindowToTop(window);
    if (attach)
        AttachThreadInput(windowThread, foregroundThread, FALSE);

    if (GetForegroundWindow() != window) {
        DWORD savedTimeout = 0;
        SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &savedTimeout, 0);
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
        BringWindowToTop(window);
        SetForegroundWindow(window);
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                              reinterpret_cast<void*>(static_cast<ULONG_PTR>(savedTimeout)), SPIF_SENDCHANGE);
    }
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
}

TMainForm::TMainForm() : checkTimer_(kCheckInterval, false) {
    checkTimer_.OnTimer = [this] { OnCheckTimer(); };
}

TMainForm::~TMainForm() {
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::CreateParams(gui::CreateParams& params) {
    gui::Form::CreateParams(params);
    // The stored form description; used only if the window were ever shown.
    params.ClassName = "TMainForm";
    params.Caption = "Ravelo Remote";
    params.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    params.X = 356;
    params.Y = 372;
    params.Width = 313;
    params.Height = 223;
    params.ExStyle = (params.ExStyle | WS_EX_TOOLWINDOW | WS_EX_TOPMOST) & ~WS_EX_APPWINDOW;
}

void TMainForm::OnCreate() {
    registered_ = OvSysSvr_RegisterNotify(Handle(), kServiceIdentity) != FALSE;
    if (!registered_)
        checkTimer_.SetEnabled(true);

    savedWindowProc_ = WindowProc;
    WindowProc = gui::WndMethod::Of<TMainForm, &TMainForm::BroadcastHook>(this);

    const HWND app = gui::Application::Instance().Handle();
    const LONG style = GetWindowLongA(app, GWL_EXSTYLE);
    SetWindowLongA(app, GWL_EXSTYLE,
                   static_cast<LONG>((static_cast<DWORD>(style) | kToolTopmostBits) & ~kAppWindowBit));
    SetWindowPos(app, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW);
    BringToForeground(app);
}

void TMainForm::Start() {
    Director::Instance().Start();
    ShowWindow(gui::Application::Instance().Handle(), SW_HIDE);
}

void TMainForm::OnCheckTimer() {
    registered_ = OvSysSvr_RegisterNotify(Handle(), kServiceIdentity) != FALSE;
    checkTimer_.SetEnabled(!registered_);
}

void TMainForm::BroadcastHook(gui::Message& message) {
    if (message.Msg == WM_POWERBROADCAST && message.WParam == PBT_APMRESUMESUSPEND)
        BringToForeground(gui::Application::Instance().Handle());
    else if (message.Msg == WM_DISPLAYCHANGE)
        FlashOsdManipulator::Instance().PlaceStatusWindow();
    savedWindowProc_(message);
}

void TMainForm::Quit() {
    OvSysSvr_UnregisterNotify(Handle(), kServiceIdentity);
    AcpiInit();
    AcpiSetItem(ActiveProfileItem, 0, 1);
    Close();
}

void TMainForm::WndProc(gui::Message& message) {
    switch (ClassifyServiceMessage(message.Msg, message.WParam)) {
    case ServiceAction::Quit:
        Quit();
        return;
    case ServiceAction::Consume:
        return;
    case ServiceAction::Foreground:
        SetForegroundWindow(Handle());
        return;
    case ServiceAction::RemoteKey:
        if (Director::Instance().OnRemoteKey(static_cast<LONG>(message.LParam)))
            return;
        break;
    case ServiceAction::NotAccepted:
        break;
    }
    gui::Form::WndProc(message);
}

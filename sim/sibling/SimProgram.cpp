#include "SimProgram.h"

#include "SiblingControl.h"
#include "SimInstance.h"
#include "SimRegistry.h"

namespace sibling {

const char kWindowClass[] = "TMainForm";

namespace {

constexpr DWORD kQuitTimeoutMs = 10000;
constexpr UINT kRefreshMs = 1000;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* handler = reinterpret_cast<WindowHandler*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (handler == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    return handler->Handle(window, message, wParam, lParam);
}

} // namespace

bool RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExA(&windowClass) != 0;
}

HWND CreateSimWindow(HINSTANCE instance, DWORD exStyle, const char* caption, DWORD style, int x, int y, int width,
                     int height, WindowHandler* handler) {
    return CreateWindowExA(exStyle, kWindowClass, caption, style, x, y, width, height, nullptr, nullptr, instance,
                           handler);
}

HWND CreatePanelWindow(HINSTANCE instance, const char* caption, int x, int y, int clientWidth, int clientHeight,
                       WindowHandler* handler) {
    RECT frame = {0, 0, clientWidth, clientHeight};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&frame, style, FALSE);
    const HWND window =
        CreateSimWindow(instance, 0, caption, style, x, y, frame.right - frame.left, frame.bottom - frame.top, handler);
    if (window != nullptr)
        SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);
    return window;
}

void LogSuiteMessage(const SimLog& log, const std::string& source, UINT message, WPARAM wParam, LPARAM lParam,
                     const std::string& did) {
    const bool sent = InSendMessage() != FALSE;
    log.Write(source, Format("msg=%u wParam=0x%lX lParam=%ld %s: %s", message, static_cast<unsigned long>(wParam),
                             static_cast<long>(lParam), sent ? "sent" : "posted", did.c_str()));
}

int RunSimProgram(const SimProgram& program, HINSTANCE instance, const char* commandLine,
                  std::unique_ptr<SimApp> (*makeApp)(const SimLog& log, DWORD scope, const char* commandLine)) {
    const SimLog log(SimLog::PathFromEnvironment(program.logVariable, program.logFile));
    const DWORD scope = MachineScope();
    if (HasSwitch(commandLine, "--quit")) {
        const bool told = CloseRunningCopy(kWindowClass, program.mainCaption, scope, kQuitTimeoutMs);
        log.Write(program.name, told ? "--quit: told the running copy to close" : "--quit: no running copy");
        return told ? 0 : 1;
    }

    InstanceGuard guard;
    if (!guard.Acquire(program.name, scope)) {
        log.Write(program.name, Format("second copy (pid %lu): exiting", GetCurrentProcessId()));
        return 1;
    }

    log.Write(program.name, Format("start pid %lu", GetCurrentProcessId()));
    if (!HasSwitch(commandLine, "--no-marker")) {
        const MarkerResult marker = EnsureInstallMarker(program.markerProduct, program.mainCaption);
        log.Write(program.name, marker == MarkerResult::Written          ? "installation marker written"
                                : marker == MarkerResult::AlreadyPresent ? "installation marker present"
                                                                         : "installation marker could not be written");
    }

    const std::unique_ptr<SimApp> app = makeApp(log, scope, commandLine);
    if (!app->Create(instance)) {
        log.Write(program.name, "could not create the windows");
        return 2;
    }
    log.Write(program.name, "ready");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == siblings::kFreezeMessage) {
            const DWORD ms = static_cast<DWORD>(message.lParam) < siblings::kMaxFreezeMs
                                 ? static_cast<DWORD>(message.lParam)
                                 : siblings::kMaxFreezeMs;
            log.Write(program.name, Format("not responding for %lu ms", static_cast<unsigned long>(ms)));
            Sleep(ms);
            log.Write(program.name, "responding again");
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    log.Write(program.name, "exit");
    return 0;
}

} // namespace sibling

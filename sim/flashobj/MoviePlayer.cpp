#include "MoviePlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <system_error>

#include "InvokeRequest.h"
#include "PlayerLog.h"
#include "TextCodec.h"

namespace flashobj {
namespace {

const char kClassName[] = "RaveloFlashPlayer";
constexpr UINT_PTR kTimerId = 1;
// About 60 frames a second while something moves; the last ticks before a
// part ends or a change comes to rest are spaced to land on that moment.
constexpr UINT kFrameMs = 16;
// Layers drawn ahead for a window that then stays hidden are let go after
// this long. The program shows a display within its 100 or 200 ms pause of
// the request, and without retrieving messages in between, so this never
// fires between a request and the show that follows it; it frees what a
// request sent with no show after it (the tuning movie's preset digits)
// would otherwise keep until the movie is next on screen.
constexpr UINT_PTR kLetGoTimerId = 2;
constexpr UINT kLetGoMs = 500;

// Private messages of the player window.
constexpr UINT kMsgSetCallback = WM_APP + 1;
constexpr UINT kMsgRequest = WM_APP + 2;
constexpr UINT kMsgPlay = WM_APP + 3;
constexpr UINT kMsgStop = WM_APP + 4;
constexpr UINT kMsgGetFrame = WM_APP + 5;
constexpr UINT kMsgGetStats = WM_APP + 6;

struct FrameRequest {
    DWORD* pixels;
    DWORD capacity;
    DWORD* width;
    DWORD* height;
};

// Live players by window. The window's thread owns and uses the player;
// the map only tells which windows are players and keeps them alive.
std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<HWND, std::unique_ptr<MoviePlayer>>& Registry() {
    static std::map<HWND, std::unique_ptr<MoviePlayer>> players;
    return players;
}

// One DIB section serves every player as the source of its layered-window
// updates: the window keeps its own copy once updated, so the players need
// not keep one each. Players of different threads take turns.
std::mutex& SurfaceMutex() {
    static std::mutex mutex;
    return mutex;
}

DibSurface& SharedSurface() {
    static DibSurface* const surface = new DibSurface(); // kept for the life of the process
    return *surface;
}

// Players on screen; the shared surface is freed when none is.
int& PlayersOnScreen() {
    static int count = 0;
    return count;
}

bool SameFrame(const RenderInputs& a, const RenderInputs& b) {
    return a.entry == b.entry && a.visibility == b.visibility && a.label == b.label && a.content == b.content &&
           a.level == b.level && a.previousLevel == b.previousLevel && a.levelProgress == b.levelProgress &&
           a.value == b.value && a.previousValue == b.previousValue && a.valueProgress == b.valueProgress;
}

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

double RealMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    if (frequency.QuadPart <= 0)
        return static_cast<double>(GetTickCount());
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

TimelineConfig ConfigFor(const Scene& scene, double speed) {
    TimelineConfig config;
    config.introMs = scene.introMs / speed;
    config.outroMs = scene.outroMs / speed;
    config.changeMs = scene.changeMs / speed;
    config.callbackIntro = scene.callbackIntro;
    config.callbackOutro = scene.callbackOutro;
    return config;
}

std::string Describe(const Command& cmd) {
    std::string text = std::string("request ") + CommandName(cmd.type);
    if (cmd.type == CommandType::ChangeLabel || cmd.type == CommandType::ChangeContent) {
        text += " " + WideToAnsi(cmd.text);
    } else if (cmd.hasNumber) {
        text += " " + std::to_string(cmd.number);
    }
    return text;
}

std::string RawRequest(const WCHAR* request) {
    if (request == nullptr)
        return "(null)";
    size_t length = 0;
    while (length < 512 && request[length] != L'\0')
        ++length;
    return WideToAnsi(std::wstring(request, length));
}

bool RegisterPlayerClass(HINSTANCE instance) {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [instance] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.lpszClassName = kClassName;
        WNDCLASSEXA existing{};
        registered = GetClassInfoExA(instance, kClassName, &existing) != FALSE;
        if (!registered)
            registered = RegisterClassExA(&wc) != 0;
    });
    return registered;
}

} // namespace

double SpeedFromEnvironment() {
    char buffer[64] = {};
    const DWORD length = GetEnvironmentVariableA("FLASHOBJ_SPEED", buffer, sizeof(buffer));
    if (length == 0 || length >= sizeof(buffer))
        return 1.0;
    char* end = nullptr;
    const double value = std::strtod(buffer, &end);
    if (end == buffer || *end != '\0' || !std::isfinite(value) || value <= 0)
        return 1.0;
    return std::min(1000.0, std::max(0.01, value));
}

MoviePlayer::MoviePlayer(const Scene& scene, const std::string& movieName, double speed)
    : scene_(scene), movieName_(movieName), timeline_(ConfigFor(scene, speed > 0 ? speed : 1.0)),
      renderer_(scene, movieName) {
    stats_.movieLoaded = scene.loaded ? 1 : 0;
}

HWND MoviePlayer::Create(HWND parent, const WCHAR* moviePath, double speed) {
    HINSTANCE instance = ThisModule();
    // The window procedure is set per window, so the class itself may be
    // shared by everything that links the player in one process.
    if (!RegisterPlayerClass(instance))
        return nullptr;

    std::string path;
    if (moviePath != nullptr) {
        size_t length = 0;
        while (length < 4096 && moviePath[length] != L'\0')
            ++length;
        path = NormalisePath(WideToAnsi(std::wstring(moviePath, length)));
    }
    const std::string name = MovieNameFromPath(path);
    auto player = std::make_unique<MoviePlayer>(LoadSceneFile(path, name), name, speed);

    const DWORD exStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TRANSPARENT;
    HWND hwnd = CreateWindowExA(exStyle, kClassName, name.c_str(), WS_POPUP, 0, 0, player->scene_.width,
                                player->scene_.height, parent, nullptr, instance, nullptr);
    if (hwnd == nullptr)
        return nullptr;
    player->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(player.get()));
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MoviePlayer::WindowProc));
    {
        std::lock_guard<std::mutex> lock(RegistryMutex());
        Registry()[hwnd] = std::move(player);
    }
    return hwnd;
}

bool MoviePlayer::IsPlayerWindow(HWND hwnd) {
    if (hwnd == nullptr)
        return false;
    std::lock_guard<std::mutex> lock(RegistryMutex());
    return Registry().count(hwnd) != 0;
}

DWORD MoviePlayer::SetCallback(HWND hwnd, FlashCallFunc callback) {
    if (!IsPlayerWindow(hwnd))
        return 0;
    return static_cast<DWORD>(SendMessageA(hwnd, kMsgSetCallback, 0, reinterpret_cast<LPARAM>(callback)));
}

DWORD MoviePlayer::Request(HWND hwnd, const WCHAR* request) {
    if (!IsPlayerWindow(hwnd))
        return 0;
    return static_cast<DWORD>(SendMessageA(hwnd, kMsgRequest, 0, reinterpret_cast<LPARAM>(request)));
}

DWORD MoviePlayer::Play(HWND hwnd) {
    if (!IsPlayerWindow(hwnd))
        return 0;
    return static_cast<DWORD>(SendMessageA(hwnd, kMsgPlay, 0, 0));
}

DWORD MoviePlayer::Stop(HWND hwnd) {
    if (!IsPlayerWindow(hwnd))
        return 0;
    return static_cast<DWORD>(SendMessageA(hwnd, kMsgStop, 0, 0));
}

DWORD MoviePlayer::GetFrame(HWND hwnd, DWORD* pixels, DWORD capacity, DWORD* width, DWORD* height) {
    if (!IsPlayerWindow(hwnd))
        return 0;
    FrameRequest request{pixels, capacity, width, height};
    return static_cast<DWORD>(SendMessageA(hwnd, kMsgGetFrame, 0, reinterpret_cast<LPARAM>(&request)));
}

DWORD MoviePlayer::GetStats(HWND hwnd, FlashPlayerStats* stats) {
    if (!IsPlayerWindow(hwnd) || stats == nullptr)
        return 0;
    return static_cast<DWORD>(SendMessageA(hwnd, kMsgGetStats, 0, reinterpret_cast<LPARAM>(stats)));
}

LRESULT CALLBACK MoviePlayer::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* player = reinterpret_cast<MoviePlayer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (player == nullptr)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        if (player->timerMs_ != 0)
            KillTimer(hwnd, kTimerId);
        KillTimer(hwnd, kLetGoTimerId);
        if (player->onScreen_) {
            player->onScreen_ = false;
            player->ReleaseSurfaces();
        }
        player->WaitPrepared();
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        std::unique_ptr<MoviePlayer> owned;
        {
            std::lock_guard<std::mutex> lock(RegistryMutex());
            auto it = Registry().find(hwnd);
            if (it != Registry().end()) {
                owned = std::move(it->second);
                Registry().erase(it);
            }
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return player->HandleMessage(message, wParam, lParam);
}

LRESULT MoviePlayer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kMsgSetCallback:
        callback_ = reinterpret_cast<FlashCallFunc>(lParam);
        return 1;
    case kMsgRequest:
        return OnRequest(reinterpret_cast<const WCHAR*>(lParam));
    case kMsgPlay:
        if (paused_) {
            clockOffset_ = RealMs() - frozenAt_;
            paused_ = false;
            UpdateTimer();
        }
        return 1;
    case kMsgStop:
        if (!paused_) {
            frozenAt_ = MovieNow();
            paused_ = true;
            UpdateTimer();
        }
        return 1;
    case kMsgGetFrame: {
        auto* request = reinterpret_cast<FrameRequest*>(lParam);
        const std::vector<uint32_t>& frame = frame_.pixels();
        if (request == nullptr || !framePresented_ || frame.empty())
            return 0;
        if (request->width != nullptr)
            *request->width = static_cast<DWORD>(lastWidth_);
        if (request->height != nullptr)
            *request->height = static_cast<DWORD>(lastHeight_);
        if (request->pixels != nullptr && request->capacity >= frame.size()) {
            std::copy(frame.begin(), frame.end(), request->pixels);
        }
        return static_cast<LRESULT>(frame.size());
    }
    case kMsgGetStats: {
        auto* stats = reinterpret_cast<FlashPlayerStats*>(lParam);
        *stats = stats_;
        stats->timerRunning = timerMs_ != 0 ? 1 : 0;
        return 1;
    }
    case WM_TIMER:
        if (wParam == kTimerId) {
            OnTick(); // may call back: nothing of this object is used after it
            return 0;
        }
        if (wParam == kLetGoTimerId) {
            KillTimer(hwnd_, kLetGoTimerId);
            if (!onScreen_) {
                WaitPrepared();
                renderer_.ReleaseContent();
            }
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        const LRESULT result = DefWindowProcA(hwnd_, message, wParam, lParam);
        if (lParam != 0)
            OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
        return result;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        ValidateRect(hwnd_, nullptr);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

double MoviePlayer::MovieNow() const { return paused_ ? frozenAt_ : RealMs() - clockOffset_; }

DWORD MoviePlayer::OnRequest(const WCHAR* request) {
    const Command cmd = ParseInvokeRequest(request);
    if (cmd.type == CommandType::None) {
        ++stats_.requestsIgnored;
        LogLine(movieName_, "ignored " + RawRequest(request));
        return 0;
    }
    LogLine(movieName_, Describe(cmd));
    if (cmd.type == CommandType::ChangeLabel)
        label_ = WideToAnsi(cmd.text);
    if (cmd.type == CommandType::ChangeContent)
        content_ = WideToAnsi(cmd.text);
    timeline_.Apply(cmd, MovieNow());
    dirty_ = true;
    UpdateTimer();
    if (IsWindowVisible(hwnd_))
        Present(false);
    else
        PrepareAhead();
    return 1;
}

void MoviePlayer::OnTick() {
    const TimelineStep step = timeline_.Advance(MovieNow());
    // The next tick is timed from here, so the frame's drawing does not delay it.
    UpdateTimer();
    dirty_ = true;
    if (IsWindowVisible(hwnd_))
        Present(false);
    if (step.event == TimelineEvent::None)
        return;

    const FlashCallFunc callback = callback_;
    if (callback == nullptr)
        return;
    ++stats_.callbacksMade;
    LogLine(movieName_, step.event == TimelineEvent::IntroPlayed ? "callback intro" : "callback outro");
    // Last: the program may send new requests, or even destroy this window,
    // from inside its call-back.
    callback(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd_)), static_cast<DWORD>(step.event),
             static_cast<DWORD>(step.number), 0);
}

void MoviePlayer::OnWindowPosChanged(const WINDOWPOS& pos) {
    if (!IsWindowVisible(hwnd_)) {
        if (onScreen_) {
            onScreen_ = false;
            ReleaseSurfaces();
        }
        return;
    }
    if (!onScreen_) {
        onScreen_ = true;
        KillTimer(hwnd_, kLetGoTimerId);
        std::lock_guard<std::mutex> lock(SurfaceMutex());
        ++PlayersOnScreen();
    }
    // Shown, or resized: the layered content must be handed over again.
    const bool shown = (pos.flags & SWP_SHOWWINDOW) != 0;
    const bool resized = (pos.flags & SWP_NOSIZE) == 0 && (pos.cx != lastWidth_ || pos.cy != lastHeight_);
    if (shown || resized)
        Present(true);
}

bool MoviePlayer::DrawableSize(int& w, int& h) const {
    RECT rc{};
    if (!GetWindowRect(hwnd_, &rc))
        return false;
    w = rc.right - rc.left;
    h = rc.bottom - rc.top;
    return w > 0 && h > 0 && w <= 8192 && h <= 8192;
}

void MoviePlayer::Present(bool force) {
    if (presenting_ || (!dirty_ && !force))
        return;
    int w = 0;
    int h = 0;
    if (!DrawableSize(w, h))
        return;
    const RenderInputs in = InputsAt(MovieNow());
    // Nothing moved since the frame on the window: leave it there.
    if (!force && framePresented_ && w == lastWidth_ && h == lastHeight_ && SameFrame(in, lastInputs_)) {
        dirty_ = false;
        return;
    }
    presenting_ = true;
    WaitPrepared();

    const bool sameSize = w == lastWidth_ && h == lastHeight_;
    const bool copyKnown =
        sameSize && (windowClear_ || (!force && framePresented_ && frame_.width() == w && frame_.height() == h));
    if (frame_.width() != w || frame_.height() != h) {
        frame_.Resize(w, h);
        frameDrawn_ = RECT{0, 0, 0, 0};
    }
    framePresented_ = false;
    RECT drawn{0, 0, 0, 0};
    renderer_.Render(in, frame_, &drawn, &frameDrawn_);
    frameDrawn_ = drawn;
    // Only what this frame drew and what the window's copy had drawn can
    // differ from that copy: the rest stays clear.
    RECT dirty{0, 0, w, h};
    if (copyKnown) {
        if (windowClear_)
            dirty = drawn;
        else
            UnionRect(&dirty, &drawn, &lastDrawn_);
        if (IsRectEmpty(&dirty)) {
            // Clear on the window and clear here: nothing to hand over.
            framePresented_ = true;
            lastInputs_ = in;
            dirty_ = false;
            presenting_ = false;
            return;
        }
    }

    std::lock_guard<std::mutex> lock(SurfaceMutex());
    DibSurface& surface = SharedSurface();
    if (surface.Ensure(w, h)) {
        GdiFlush();
        const std::vector<uint32_t>& px = frame_.pixels();
        for (int y = dirty.top; y < dirty.bottom; ++y) {
            const auto row = px.begin() + static_cast<ptrdiff_t>(y) * w;
            std::copy(row + dirty.left, row + dirty.right,
                      reinterpret_cast<uint32_t*>(surface.bits() + static_cast<size_t>(y) * surface.stride()) +
                          dirty.left);
        }
        SIZE size{w, h};
        POINT source{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        UPDATELAYEREDWINDOWINFO info{};
        info.cbSize = sizeof info;
        info.psize = &size;
        info.hdcSrc = surface.dc();
        info.pptSrc = &source;
        info.pblend = &blend;
        info.dwFlags = ULW_ALPHA;
        info.prcDirty = &dirty;
        if (UpdateLayeredWindowIndirect(hwnd_, &info)) {
            ++stats_.framesPresented;
            framePresented_ = true;
            lastInputs_ = in;
            lastDrawn_ = drawn;
            windowClear_ = IsRectEmpty(&drawn) != FALSE;
            lastWidth_ = w;
            lastHeight_ = h;
            dirty_ = false;
        }
    }
    presenting_ = false;
}

RenderInputs MoviePlayer::InputsAt(double now) const {
    RenderInputs in;
    in.entry = timeline_.entry();
    in.visibility = timeline_.Visibility(now);
    in.label = label_;
    in.content = content_;
    in.level = timeline_.level();
    in.previousLevel = timeline_.previousLevel();
    in.levelProgress = timeline_.LevelProgress(now);
    in.value = timeline_.value();
    in.previousValue = timeline_.previousValue();
    in.valueProgress = timeline_.ValueProgress(now);
    return in;
}

void MoviePlayer::PrepareAhead() {
    int w = 0;
    int h = 0;
    if (!DrawableSize(w, h))
        return;
    const RenderInputs in = InputsAt(MovieNow());
    const float s = renderer_.ScaleFor(w, h);
    WaitPrepared();
    SetTimer(hwnd_, kLetGoTimerId, kLetGoMs, nullptr);
    if (!renderer_.NeedsContent(in, s))
        return;
    try {
        prepared_ = std::async(std::launch::async, [this, in, s] { renderer_.PrepareContent(in, s); });
    } catch (const std::system_error&) {
        renderer_.PrepareContent(in, s); // no thread to be had: draw it here
    }
}

void MoviePlayer::WaitPrepared() {
    if (!prepared_.valid())
        return;
    try {
        prepared_.get();
    } catch (...) {
        // Out of memory on the way: the frame that needs the layers draws
        // them itself.
    }
}

void MoviePlayer::ReleaseSurfaces() {
    WaitPrepared();
    renderer_.ReleaseContent();
    frame_ = Canvas();
    framePresented_ = false;
    dirty_ = true;
    std::lock_guard<std::mutex> lock(SurfaceMutex());
    if (--PlayersOnScreen() <= 0) {
        PlayersOnScreen() = 0;
        SharedSurface().Release();
    }
}

void MoviePlayer::UpdateTimer() {
    const UINT delay = paused_ ? 0 : TickDelayMs(timeline_.MsUntilDue(MovieNow()), kFrameMs, USER_TIMER_MINIMUM);
    if (delay == 0) {
        if (timerMs_ != 0)
            KillTimer(hwnd_, kTimerId);
        timerMs_ = 0;
        return;
    }
    // The regular frame timer keeps its beat; a shorter delay was measured
    // from now, so it is set afresh.
    if (delay == kFrameMs && timerMs_ == kFrameMs)
        return;
    timerMs_ = SetTimer(hwnd_, kTimerId, delay, nullptr) != 0 ? delay : 0;
}

} // namespace flashobj

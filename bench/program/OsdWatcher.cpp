#include "OsdWatcher.h"

#include <mmsystem.h>

#include "ProtocolFacts.h"
#include "TestSupport.h"

namespace bench {

namespace {

using facts::kMainClass;
using facts::kMovieCount;
using facts::kOsdClass;
using facts::kPlayerClass;

} // namespace

void TickMap::Note(double ms, DWORD tick) {
    if (seen_.empty() || seen_.back().first != tick)
        seen_.emplace_back(tick, ms);
}

double TickMap::FirstSeenMs(DWORD tick) const {
    for (const auto& entry : seen_)
        if (static_cast<LONG>(entry.first - tick) >= 0)
            return entry.second;
    return -1;
}

// The watcher's polls stay about 1 ms apart only with the finer timer.
OsdWatcher::OsdWatcher() { timeBeginPeriod(1); }

OsdWatcher::~OsdWatcher() { timeEndPeriod(1); }

bool OsdWatcher::Attach(DWORD processId) {
    osd_ = testsupport::FindWindowOfProcess(processId, kOsdClass);
    main_ = testsupport::FindWindowOfProcess(processId, kMainClass);
    players_.clear();
    for (HWND window : testsupport::WindowsOfProcess(processId))
        if (testsupport::WindowClass(window) == kPlayerClass)
            players_[testsupport::WindowText(window)] = window;
    return osd_ != nullptr && main_ != nullptr && players_.size() == kMovieCount;
}

DWORD OsdWatcher::GuiThreadId() const { return main_ == nullptr ? 0 : GetWindowThreadProcessId(main_, nullptr); }

bool OsdWatcher::OsdVisible() const { return osd_ != nullptr && IsWindowVisible(osd_) != FALSE; }

int OsdWatcher::VisiblePlayers(std::string* first) const {
    int count = 0;
    for (const auto& player : players_) {
        if (IsWindowVisible(player.second)) {
            if (count == 0 && first != nullptr)
                *first = player.first;
            ++count;
        }
    }
    return count;
}

int OsdWatcher::OsdAlpha() const {
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    if (osd_ == nullptr || !GetLayeredWindowAttributes(osd_, &key, &alpha, &flags) || (flags & LWA_ALPHA) == 0)
        return -1;
    return alpha;
}

DisplayTrace OsdWatcher::Watch(double originMs, DWORD timeoutMs, TickMap* ticks, const std::function<void()>& onShown,
                               const std::function<void(double, const DisplayTrace&)>& onPoll) const {
    DisplayTrace trace;
    const double end = NowMs() + timeoutMs;
    int lastAlpha = -2;
    for (unsigned poll = 0;; ++poll) {
        const double now = NowMs();
        if (ticks != nullptr)
            ticks->Note(now, GetTickCount());
        const double at = now - originMs;
        const bool osd = OsdVisible();
        // Every look at another process's window is a round trip to the
        // wineserver the program needs too: the six players are looked at
        // each poll only while the form is up and not yet seen shown, and
        // every eighth poll otherwise (enough to catch two on screen at once).
        std::string first;
        const bool lookAtPlayers = (osd && trace.shownMs < 0) || poll % 8 == 0;
        const int players = lookAtPlayers ? VisiblePlayers(&first) : 0;
        if (players > trace.mostPlayersVisible)
            trace.mostPlayersVisible = players;
        if (osd && trace.osdVisibleMs < 0)
            trace.osdVisibleMs = at;
        if (players > 0 && trace.playerVisibleMs < 0) {
            trace.playerVisibleMs = at;
            trace.player = first;
        }
        if (osd && players > 0 && trace.shownMs < 0) {
            trace.shownMs = at;
            if (onShown)
                onShown();
        }
        if (osd) {
            const int alpha = OsdAlpha();
            if (alpha != lastAlpha) {
                trace.alphas.push_back({at, alpha});
                lastAlpha = alpha;
            }
        }
        if (onPoll)
            onPoll(now, trace);
        if (!osd && trace.shownMs >= 0) {
            trace.hiddenMs = at;
            return trace;
        }
        if (now > end)
            return trace;
        Sleep(1);
    }
}

bool OsdWatcher::WaitHidden(DWORD timeoutMs) const {
    return testsupport::WaitUntil([this] { return !OsdVisible(); }, timeoutMs, 5);
}

} // namespace bench

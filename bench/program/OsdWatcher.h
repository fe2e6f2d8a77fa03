// Watches the program's on-screen display from outside, the way a user
// sees it: the OSD form ("TFlashOsdForm") and the movie players' windows,
// their visibility and the form's layered alpha, polled about every
// millisecond (timeBeginPeriod(1) is in force while a watch runs).
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace bench {

using testsupport::NowMs;

// When each GetTickCount value was first seen, so that the ticks of the
// player's log can be placed on the performance counter's time line.
class TickMap {
public:
    void Clear() { seen_.clear(); }
    void Note(double ms, DWORD tick);
    // The first moment at which the tick count had reached tick; -1 when
    // it was not seen during the watch.
    double FirstSeenMs(DWORD tick) const;

private:
    std::vector<std::pair<DWORD, double>> seen_;
};

struct AlphaChange {
    double ms = 0;
    int alpha = -1;
};

// Times are milliseconds after the origin given to Watch; -1 when not seen.
struct DisplayTrace {
    double osdVisibleMs = -1;
    double playerVisibleMs = -1;
    double shownMs = -1;  // form and a player both visible
    double hiddenMs = -1; // the form invisible again after it was shown
    std::string player;   // the movie of the first player seen
    int mostPlayersVisible = 0;
    std::vector<AlphaChange> alphas; // the form's alpha, each change while visible
    bool Complete() const { return shownMs >= 0 && hiddenMs >= 0; }
};

class OsdWatcher {
public:
    OsdWatcher();
    ~OsdWatcher();
    OsdWatcher(const OsdWatcher&) = delete;
    OsdWatcher& operator=(const OsdWatcher&) = delete;

    // Finds the OSD form, the six players and the main window of the
    // process; false when any is missing.
    bool Attach(DWORD processId);
    HWND Osd() const { return osd_; }
    HWND MainWindow() const { return main_; }
    DWORD GuiThreadId() const;
    const std::map<std::string, HWND>& Players() const { return players_; }

    // Polls until the form has been shown and hidden again, or timeoutMs
    // after the call; times relative to originMs (a NowMs value). onShown,
    // when given, runs once, as soon as the display is seen on screen;
    // onPoll after every poll, with its NowMs value and the trace so far.
    DisplayTrace Watch(double originMs, DWORD timeoutMs, TickMap* ticks = nullptr,
                       const std::function<void()>& onShown = nullptr,
                       const std::function<void(double, const DisplayTrace&)>& onPoll = nullptr) const;
    // Polls until the form is hidden (or at once when it is); false on time-out.
    bool WaitHidden(DWORD timeoutMs) const;
    bool OsdVisible() const;
    int VisiblePlayers(std::string* first = nullptr) const;
    // The form's alpha (GetLayeredWindowAttributes), or -1.
    int OsdAlpha() const;

private:
    HWND osd_ = nullptr;
    HWND main_ = nullptr;
    std::map<std::string, HWND> players_;
};

} // namespace bench

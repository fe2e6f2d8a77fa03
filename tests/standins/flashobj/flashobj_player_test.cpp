// flashobj.dll as the program uses it: loaded by name, players created over
// a parent window, the program's request sequences sent, and the call-backs
// checked: exactly at the movie's call-back points, on the creating thread,
// never from inside a request.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "PlayerHarness.h"

using namespace harness;
using testsupport::PumpFor;
using testsupport::WaitUntil;

namespace {

constexpr DWORD kLong = 10000; // generous: nothing here depends on a fast machine

// A small test movie with the given call-back points and durations.
std::string TestMovie(const char* name, int introMs, int outroMs, bool intro, bool outro) {
    std::string text = "ravelo-scene 1\nsize 200 120\n";
    text += "intro " + std::to_string(introMs) + " rise\noutro " + std::to_string(outroMs) + " fade\nchange 60\n";
    if (intro)
        text += "callback intro\n";
    if (outro)
        text += "callback outro\n";
    text += "panel x=10 y=10 w=180 h=100 radius=12 fill=#203040FF\n";
    text += "text x=10 y=10 w=180 h=100 text=\"{label} {value}\" size=20 color=#FFFFFF\n";
    return WriteTempFile(name, text);
}

DWORD AsDword(HWND hwnd) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd)); }

bool AllTransparent(const std::vector<DWORD>& frame) {
    for (DWORD p : frame) {
        if ((p >> 24) != 0)
            return false;
    }
    return true;
}

class Player : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Flash().ok()) << "flashobj.dll or one of its entry points is missing";
        ASSERT_NE(nullptr, parent_.hwnd());
        Callbacks().clear();
        SetEnvironmentVariableA("FLASHOBJ_LOG", nullptr);
    }

    // Pumps until the player has made n call-backs in all.
    bool WaitCallbacks(HWND player, size_t n) {
        return WaitUntil([&] { return CallbacksFor(player) >= n; }, kLong);
    }

    // Call-backs come only from the player's timer: once it has stopped,
    // no further one can come, so the count is final.
    void ExpectQuiet(HWND player, size_t n) {
        EXPECT_TRUE(WaitSettled(player, kLong)) << "the player's timer never stopped";
        EXPECT_EQ(n, CallbacksFor(player));
    }

    void ExpectProperCallbacks() {
        for (const CallbackRecord& r : Callbacks()) {
            EXPECT_EQ(GetCurrentThreadId(), r.thread);
            EXPECT_FALSE(r.insideRequest);
            EXPECT_EQ(0u, r.last);
        }
    }

    ParentWindow parent_;
};

// ---------------------------------------------------------------- the window

TEST_F(Player, WindowIsALayeredClickThroughPopupOwnedByTheParent) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("Warning.swf"), ""));
    ASSERT_NE(nullptr, player.get());
    EXPECT_TRUE(IsWindow(player.get()));
    EXPECT_FALSE(IsWindowVisible(player.get()));
    EXPECT_EQ(parent_.hwnd(), GetWindow(player.get(), GW_OWNER));
    const LONG style = GetWindowLongA(player.get(), GWL_STYLE);
    EXPECT_NE(0, style & WS_POPUP);
    EXPECT_EQ(0, style & (WS_CHILD | WS_CAPTION | WS_THICKFRAME));
    const LONG ex = GetWindowLongA(player.get(), GWL_EXSTYLE);
    EXPECT_NE(0, ex & WS_EX_LAYERED);
    EXPECT_NE(0, ex & WS_EX_TRANSPARENT);
    EXPECT_NE(0, ex & WS_EX_TOOLWINDOW);
    EXPECT_NE(0, ex & WS_EX_NOACTIVATE);
    EXPECT_NE(0, ex & WS_EX_TOPMOST);
    EXPECT_EQ(0, ex & WS_EX_APPWINDOW);
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(player.get(), nullptr));
    EXPECT_EQ(1u, Stats(player.get()).movieLoaded);
}

TEST_F(Player, ForeignWindowsAreRefused) {
    const FlashRequest request{0, 0,
                               L"<invoke name=\"externalCommand\"><arguments><string>show</string>"
                               L"</arguments></invoke>",
                               0};
    for (HWND hwnd : {static_cast<HWND>(nullptr), parent_.hwnd(), reinterpret_cast<HWND>(0x1234)}) {
        EXPECT_EQ(0u, Flash().setCallback(hwnd, RecordCallback));
        EXPECT_EQ(0u, Flash().callFunction(hwnd, request));
        EXPECT_EQ(0u, Flash().play(hwnd));
        EXPECT_EQ(0u, Flash().stop(hwnd));
        FlashPlayerStats stats{};
        EXPECT_EQ(0u, Flash().getStats(hwnd, &stats));
    }
    // A destroyed player is refused too.
    HWND gone = CreatePlayer(parent_.hwnd(), SourceMovie("Warning.swf"), "");
    ASSERT_NE(nullptr, gone);
    DestroyWindow(gone);
    EXPECT_EQ(0u, Flash().callFunction(gone, request));
    EXPECT_TRUE(Callbacks().empty());
}

TEST_F(Player, PathsFormedLikeTheProgramsAreOpened) {
    // The program puts "//Resource//" after its folder's trailing backslash.
    const std::string path = testsupport::SourceFolder() + "resources\\//Resource//OCTuning.swf";
    PlayerWindow player(CreatePlayer(parent_.hwnd(), path, ""));
    ASSERT_NE(nullptr, player.get());
    EXPECT_EQ(1u, Stats(player.get()).movieLoaded);
}

TEST_F(Player, CreationNeedsNoFileAndNoParent) {
    PlayerWindow noPath(Flash().create(parent_.hwnd(), nullptr));
    EXPECT_NE(nullptr, noPath.get());
    PlayerWindow noParent(Flash().create(nullptr, L"Z:\\nowhere\\Warning.swf"));
    EXPECT_NE(nullptr, noParent.get());
    // An owner that is not a window: creation fails, the result says so.
    EXPECT_EQ(nullptr, Flash().create(reinterpret_cast<HWND>(0x4321), L"Z:\\nowhere\\Warning.swf"));
}

// ---------------------------------------------------------------- the six movies, as the program drives them

TEST_F(Player, ProfileMoviesCallBackAfterTheIntroAndAfterTheEnd) {
    for (const char* file : {"RaveloProfileOn.swf", "RaveloProfileOff.swf"}) {
        SCOPED_TRACE(file);
        Callbacks().clear();
        PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie(file), "4"));
        ASSERT_NE(nullptr, player.get());
        ShowPlayer(player.get(), 760, 322, 400, 650);
        EXPECT_EQ(1u, Send(player.get(), ChangeLabel(L"Profile A On 4200MHz")));
        EXPECT_EQ(1u, Send(player.get(), External(L"show")));
        ASSERT_TRUE(WaitCallbacks(player.get(), 1));
        EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_INTRO_PLAYED), Callbacks()[0].event);
        EXPECT_EQ(AsDword(player.get()), Callbacks()[0].player);
        ExpectQuiet(player.get(), 1); // the hold: nothing until "end"

        EXPECT_EQ(1u, Send(player.get(), External(L"end")));
        ASSERT_TRUE(WaitCallbacks(player.get(), 2));
        EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_OUTRO_FINISHED), Callbacks()[1].event);
        ExpectQuiet(player.get(), 2);
        ExpectProperCallbacks();
    }
}

TEST_F(Player, KelvoAutoAndWarningCallBackOnlyAfterTheEnd) {
    struct Case {
        const char* file;
        std::vector<std::wstring> before;
    };
    const Case cases[] = {
        {"KelvoAuto.swf", {ChangeLabel(L"Auto")}},
        {"Warning.swf", {ChangeLabel(L"Warning"), ChangeContent(L"Kelvo Engine is not running.")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Callbacks().clear();
        PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie(c.file), "4"));
        ShowPlayer(player.get(), 760, 322, 400, 650);
        for (const std::wstring& r : c.before)
            EXPECT_EQ(1u, Send(player.get(), r));
        EXPECT_EQ(1u, Send(player.get(), External(L"show")));
        ASSERT_TRUE(WaitSettled(player.get(), kLong));
        ExpectQuiet(player.get(), 0); // the intro has played: no call-back for it
        EXPECT_EQ(1u, Send(player.get(), External(L"end")));
        ASSERT_TRUE(WaitCallbacks(player.get(), 1));
        EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_OUTRO_FINISHED), Callbacks()[0].event);
        ExpectQuiet(player.get(), 1);
        ExpectProperCallbacks();
    }
}

TEST_F(Player, WarningEndedAtOnceStillCallsBackOnce) {
    // A display time of 0: "end" follows "show" before its intro has played.
    PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("Warning.swf"), ""));
    ShowPlayer(player.get(), 760, 322, 400, 650);
    Send(player.get(), ChangeLabel(L"Warning"));
    Send(player.get(), ChangeContent(L"Now."));
    Send(player.get(), External(L"show"));
    Send(player.get(), External(L"end"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_OUTRO_FINISHED), Callbacks()[0].event);
    ExpectQuiet(player.get(), 1);
    ExpectProperCallbacks();
}

TEST_F(Player, KelvoManualCallsBackOnlyAfterEndWithTheLevel) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("KelvoManual.swf"), "4"));
    ShowPlayer(player.get(), 585, 322, 750, 650);
    EXPECT_EQ(1u, Send(player.get(), External(L"show 2")));
    PumpFor(150);
    EXPECT_EQ(1u, Send(player.get(), External(L"play 3")));
    PumpFor(100);
    EXPECT_EQ(1u, Send(player.get(), External(L"play 0")));
    ASSERT_TRUE(WaitSettled(player.get(), kLong));
    ExpectQuiet(player.get(), 0);
    EXPECT_EQ(1u, Send(player.get(), External(L"End 0")));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_OUTRO_FINISHED), Callbacks()[0].event);
    EXPECT_EQ(0u, Callbacks()[0].number);
    ExpectQuiet(player.get(), 1);

    // "End -1" is understood too, and reports its number.
    Callbacks().clear();
    Send(player.get(), External(L"show -1"));
    Send(player.get(), External(L"End -1"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    EXPECT_EQ(static_cast<DWORD>(-1), Callbacks()[0].number);
    ExpectQuiet(player.get(), 1);
    ExpectProperCallbacks();
}

TEST_F(Player, TuningCallsBackAfterInAndAfterOut) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("OCTuning.swf"), "4"));
    // The preset at start-up, while hidden: no call-back, no animation.
    EXPECT_EQ(1u, Send(player.get(), Set2Digit(133)));
    EXPECT_EQ(0u, Stats(player.get()).timerRunning);
    ExpectQuiet(player.get(), 0);

    ShowPlayer(player.get(), 685, 405, 550, 400);
    EXPECT_EQ(1u, Send(player.get(), Set2Digit(140)));
    EXPECT_EQ(1u, Send(player.get(), External(L"in")));
    EXPECT_EQ(1u, Send(player.get(), Set2Digit(141))); // a key during the intro keeps its call-back
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_INTRO_PLAYED), Callbacks()[0].event);
    EXPECT_EQ(1u, Send(player.get(), Set2Digit(142)));
    ExpectQuiet(player.get(), 1);
    EXPECT_EQ(1u, Send(player.get(), External(L"out")));
    ASSERT_TRUE(WaitCallbacks(player.get(), 2));
    EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_OUTRO_FINISHED), Callbacks()[1].event);
    ExpectQuiet(player.get(), 2);
    ExpectProperCallbacks();
}

TEST_F(Player, MoviesPlayAgainDisplayAfterDisplay) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("RaveloProfileOn.swf"), "8"));
    ShowPlayer(player.get(), 0, 0, 400, 650);
    for (int round = 1; round <= 3; ++round) {
        Send(player.get(), ChangeLabel(L"Profile B On " + std::to_wstring(round)));
        Send(player.get(), External(L"show"));
        ASSERT_TRUE(WaitCallbacks(player.get(), 2u * round - 1));
        Send(player.get(), External(L"end"));
        ASSERT_TRUE(WaitCallbacks(player.get(), 2u * round));
        HidePlayer(player.get());
        ShowPlayer(player.get(), 0, 0, 400, 650);
    }
    ExpectQuiet(player.get(), 6);
    for (size_t i = 0; i < Callbacks().size(); ++i) {
        EXPECT_EQ(static_cast<DWORD>(i % 2 == 0 ? FLASH_EVENT_INTRO_PLAYED : FLASH_EVENT_OUTRO_FINISHED),
                  Callbacks()[i].event);
    }
}

// ---------------------------------------------------------------- timing of the call-back points

TEST_F(Player, CallBacksWaitForTheMovieDurations) {
    // Lower bounds only: a part cannot end before its time.
    PlayerWindow player(CreatePlayer(parent_.hwnd(), TestMovie("Timed.swf", 400, 300, true, true), ""));
    ShowPlayer(player.get(), 10, 10, 200, 120);
    const DWORD shown = GetTickCount();
    Send(player.get(), External(L"show"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    EXPECT_GE(Callbacks()[0].tick - shown, 380u);
    const DWORD ended = GetTickCount();
    Send(player.get(), External(L"end"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 2));
    EXPECT_GE(Callbacks()[1].tick - ended, 280u);
}

TEST_F(Player, HiddenPlayersStillCallBack) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), TestMovie("Hidden.swf", 100, 100, true, true), ""));
    Send(player.get(), External(L"show"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    Send(player.get(), External(L"end"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 2));
    EXPECT_EQ(0u, Stats(player.get()).framesPresented); // nothing drawn while nobody can see it
}

TEST_F(Player, StopHoldsTheMovieAndPlayResumesIt) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), TestMovie("Paused.swf", 150, 150, true, true), ""));
    ShowPlayer(player.get(), 10, 10, 200, 120);
    Send(player.get(), External(L"show"));
    EXPECT_EQ(1u, Flash().stop(player.get()));
    EXPECT_EQ(0u, Stats(player.get()).timerRunning);
    ExpectQuiet(player.get(), 0);
    EXPECT_EQ(1u, Flash().play(player.get()));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_INTRO_PLAYED), Callbacks()[0].event);
}

// ---------------------------------------------------------------- missing and broken movies

TEST_F(Player, MissingMoviesCallBackAtTheSamePoints) {
    const std::string folder = TempFolder() + "\\//nothing here//";
    struct Case {
        const char* file;
        std::vector<std::wstring> open;
        std::wstring close;
        bool intro;
    };
    const Case cases[] = {
        {"RaveloProfileOn.swf", {ChangeLabel(L"x"), External(L"show")}, External(L"end"), true},
        {"RaveloProfileOff.swf", {ChangeLabel(L"x"), External(L"show")}, External(L"end"), true},
        {"KelvoAuto.swf", {ChangeLabel(L"x"), External(L"show")}, External(L"end"), false},
        {"KelvoManual.swf", {External(L"show 1"), External(L"play 2")}, External(L"End 2"), false},
        {"OCTuning.swf", {Set2Digit(133), External(L"in")}, External(L"out"), true},
        {"Warning.swf", {ChangeLabel(L"x"), ChangeContent(L"y"), External(L"show")}, External(L"end"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Callbacks().clear();
        PlayerWindow player(CreatePlayer(parent_.hwnd(), folder + c.file, ""));
        ASSERT_NE(nullptr, player.get());
        EXPECT_EQ(0u, Stats(player.get()).movieLoaded);
        ShowPlayer(player.get(), 10, 10, 400, 300);
        for (const std::wstring& r : c.open)
            EXPECT_EQ(1u, Send(player.get(), r));
        const size_t afterIntro = c.intro ? 1 : 0;
        if (c.intro) {
            ASSERT_TRUE(WaitCallbacks(player.get(), 1));
        }
        ExpectQuiet(player.get(), afterIntro);

        int w = 0, h = 0;
        EXPECT_TRUE(AllTransparent(Frame(player.get(), w, h))); // an empty movie draws nothing

        EXPECT_EQ(1u, Send(player.get(), c.close));
        ASSERT_TRUE(WaitCallbacks(player.get(), afterIntro + 1));
        ExpectQuiet(player.get(), afterIntro + 1);
        ExpectProperCallbacks();
    }
}

TEST_F(Player, UnreadableMovieFilesPlayAsEmptyMovies) {
    const std::string garbage = WriteTempFile("RaveloProfileOn.swf", std::string("FWS\x0A\xFF\x00\x13garbage", 14));
    PlayerWindow player(CreatePlayer(parent_.hwnd(), garbage, ""));
    EXPECT_EQ(0u, Stats(player.get()).movieLoaded);
    Send(player.get(), External(L"show"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    Send(player.get(), External(L"end"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 2));
    ExpectQuiet(player.get(), 2);
}

// ---------------------------------------------------------------- hostile requests

TEST_F(Player, UnparsableRequestsAreIgnored) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), TestMovie("Garbage.swf", 50, 50, true, true), ""));
    ShowPlayer(player.get(), 10, 10, 200, 120);
    std::vector<std::wstring> junk = {
        L"",
        L"show",
        L"<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>show</string></arguments>",
        L"<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>dance</string></arguments></invoke>",
        L"<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>play</string></arguments></invoke>",
        L"<invoke name=\"set2Digit\" returntype=\"xml\"><arguments><string>lots</string></arguments></invoke>",
        L"<invoke name=\"unknown\" returntype=\"xml\"><arguments><string>show</string></arguments></invoke>",
        L"<<<<&&&&>>>>\xD800\xFFFF",
        std::wstring(200000, L'<'),
        L"<invoke name=\"changeLabel\" returntype=\"xml\"><arguments><string>" + std::wstring(100000, L'&') +
            L"</string></arguments></invoke>",
    };
    for (const std::wstring& r : junk)
        EXPECT_EQ(0u, Send(player.get(), r));
    EXPECT_EQ(0u, SendRaw(player.get(), nullptr));
    ExpectQuiet(player.get(), 0);
    const FlashPlayerStats stats = Stats(player.get());
    EXPECT_EQ(junk.size() + 1, stats.requestsIgnored);
    EXPECT_EQ(0u, stats.timerRunning);
    // Still works afterwards.
    Send(player.get(), External(L"show"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
}

TEST_F(Player, RequestsFromAnotherThreadAreServedOnThePlayersThread) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), TestMovie("Threads.swf", 60, 60, true, true), ""));
    std::atomic<DWORD> result{0};
    std::atomic<bool> done{false};
    HWND hwnd = player.get();
    std::thread worker([&] {
        FlashRequest request{};
        const std::wstring show = External(L"show");
        request.request = show.c_str();
        result = Flash().callFunction(hwnd, request);
        done = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return done.load(); }, kLong));
    worker.join();
    EXPECT_EQ(1u, result.load());
    ASSERT_TRUE(WaitCallbacks(hwnd, 1));
    ExpectProperCallbacks();
}

// The program may answer a call-back with a new request at once.
HWND g_reentrantPlayer = nullptr;
void WINAPI EndFromCallback(DWORD a, DWORD b, DWORD c, DWORD d) {
    RecordCallback(a, b, c, d);
    if (b == FLASH_EVENT_INTRO_PLAYED)
        SendRaw(g_reentrantPlayer, External(L"end").c_str());
}

TEST_F(Player, RequestsFromInsideTheCallBackWork) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), TestMovie("Reentrant.swf", 60, 60, true, true), ""));
    g_reentrantPlayer = player.get();
    Flash().setCallback(player.get(), EndFromCallback);
    Send(player.get(), External(L"show"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 2));
    EXPECT_EQ(static_cast<DWORD>(FLASH_EVENT_OUTRO_FINISHED), Callbacks()[1].event);
    ExpectQuiet(player.get(), 2);
}

// ---------------------------------------------------------------- drawing

TEST_F(Player, DrawsWhenShownAndNothingWhenEnded) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("RaveloProfileOn.swf"), "4"));
    int w = 0, h = 0;
    EXPECT_TRUE(Frame(player.get(), w, h).empty()); // never drawn while hidden

    Send(player.get(), ChangeLabel(L"Profile C On 4000MHz"));
    ShowPlayer(player.get(), 760, 322, 400, 650);
    std::vector<DWORD> frame = Frame(player.get(), w, h);
    EXPECT_EQ(400, w);
    EXPECT_EQ(650, h);
    EXPECT_TRUE(AllTransparent(frame)); // shown before "show": nothing to see yet

    Send(player.get(), External(L"show"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1));
    ASSERT_TRUE(WaitSettled(player.get(), kLong));
    frame = Frame(player.get(), w, h);
    ASSERT_EQ(static_cast<size_t>(400 * 650), frame.size());
    EXPECT_FALSE(AllTransparent(frame));
    EXPECT_GE(frame[218 * 400 + 200] >> 24, 0xE0u);

    Send(player.get(), External(L"end"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 2));
    ASSERT_TRUE(WaitSettled(player.get(), kLong));
    EXPECT_TRUE(AllTransparent(Frame(player.get(), w, h)));
}

// A hidden player lets go of its layers and draws them again, ahead of the
// window being shown, for the next label: the first frame on screen is the
// new label's complete frame, never the old label's cached layer.
TEST_F(Player, FirstFrameAfterALabelChangeWhileHiddenIsTheNewLabelsWholeFrame) {
    auto settledFrame = [](HWND player, const std::vector<std::wstring>& requests, bool showFirst) {
        for (const std::wstring& request : requests)
            Send(player, request);
        if (showFirst)
            ShowPlayer(player, 760, 322, 400, 650);
        const size_t calls = CallbacksFor(player);
        Send(player, External(L"show"));
        EXPECT_TRUE(WaitUntil([&] { return CallbacksFor(player) > calls; }, kLong));
        EXPECT_TRUE(WaitSettled(player, kLong));
        if (!showFirst)
            ShowPlayer(player, 760, 322, 400, 650); // the intro played while hidden
        int w = 0, h = 0;
        return Frame(player, w, h);
    };
    PlayerWindow reused(CreatePlayer(parent_.hwnd(), SourceMovie("RaveloProfileOn.swf"), "4"));
    const std::vector<DWORD> first = settledFrame(reused.get(), {ChangeLabel(L"Profile A On 3800MHz")}, true);
    HidePlayer(reused.get());
    const std::vector<DWORD> again = settledFrame(reused.get(), {ChangeLabel(L"Profile B On 4100MHz")}, false);

    PlayerWindow fresh(CreatePlayer(parent_.hwnd(), SourceMovie("RaveloProfileOn.swf"), "4"));
    const std::vector<DWORD> expected = settledFrame(fresh.get(), {ChangeLabel(L"Profile B On 4100MHz")}, true);
    ASSERT_EQ(static_cast<size_t>(400 * 650), expected.size());
    EXPECT_FALSE(AllTransparent(expected));
    EXPECT_NE(first, expected);
    EXPECT_TRUE(again == expected) << "the first frame shown after the label change differs from the new label's";
}

TEST_F(Player, RedrawsAfterBeingShownOrResized) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("OCTuning.swf"), "8"));
    Send(player.get(), Set2Digit(133));
    Send(player.get(), External(L"in"));
    ASSERT_TRUE(WaitCallbacks(player.get(), 1)); // played while hidden
    EXPECT_EQ(0u, Stats(player.get()).framesPresented);

    ShowPlayer(player.get(), 685, 405, 550, 400);
    int w = 0, h = 0;
    std::vector<DWORD> frame = Frame(player.get(), w, h);
    EXPECT_EQ(550, w);
    EXPECT_FALSE(AllTransparent(frame));

    SetWindowPos(player.get(), nullptr, 0, 0, 275, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    frame = Frame(player.get(), w, h);
    EXPECT_EQ(275, w);
    EXPECT_EQ(200, h);
    EXPECT_FALSE(AllTransparent(frame));
}

TEST_F(Player, IdlePlayersRunNoTimerAndDrawNothing) {
    PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("KelvoManual.swf"), "4"));
    ShowPlayer(player.get(), 0, 0, 750, 650);
    Send(player.get(), External(L"show 1"));
    EXPECT_EQ(1u, Stats(player.get()).timerRunning); // animating
    ASSERT_TRUE(WaitSettled(player.get(), kLong));
    const DWORD frames = Stats(player.get()).framesPresented;
    PumpFor(500);
    EXPECT_EQ(0u, Stats(player.get()).timerRunning);
    EXPECT_EQ(frames, Stats(player.get()).framesPresented);

    // A change animates and then settles again.
    Send(player.get(), External(L"play 2"));
    EXPECT_EQ(1u, Stats(player.get()).timerRunning);
    ASSERT_TRUE(WaitSettled(player.get(), kLong));
    EXPECT_GT(Stats(player.get()).framesPresented, frames);

    // A label change redraws once, without a timer.
    const DWORD before = Stats(player.get()).framesPresented;
    Send(player.get(), ChangeLabel(L"ignored by this movie"));
    EXPECT_EQ(0u, Stats(player.get()).timerRunning);
    EXPECT_EQ(before + 1, Stats(player.get()).framesPresented);
}

// ---------------------------------------------------------------- the log

std::vector<std::string> ReadLines(const std::string& path) {
    return testsupport::Lines(testsupport::ReadTextFile(path));
}

// The part of a log line after "<tick> ".
std::string Body(const std::string& line) {
    const size_t space = line.find(' ');
    return space == std::string::npos ? line : line.substr(space + 1);
}

TEST_F(Player, LogHasOneLinePerRequestAndPerCallBack) {
    const std::string log = TempFolder() + "\\flashobj.log";
    DeleteFileA(log.c_str());
    SetEnvironmentVariableA("FLASHOBJ_LOG", log.c_str());
    {
        PlayerWindow player(CreatePlayer(parent_.hwnd(), SourceMovie("RaveloProfileOn.swf"), "8"));
        Send(player.get(), ChangeLabel(L"A<B & C"));
        Send(player.get(), External(L"show"));
        ASSERT_TRUE(WaitCallbacks(player.get(), 1));
        Send(player.get(), L"<nonsense>");
        Send(player.get(), External(L"End -1"));
        ASSERT_TRUE(WaitCallbacks(player.get(), 2));
    }
    SetEnvironmentVariableA("FLASHOBJ_LOG", nullptr);
    const std::vector<std::string> lines = ReadLines(log);
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ("RaveloProfileOn request changeLabel A<B & C", Body(lines[0]));
    EXPECT_EQ("RaveloProfileOn request show", Body(lines[1]));
    EXPECT_EQ("RaveloProfileOn callback intro", Body(lines[2]));
    EXPECT_EQ("RaveloProfileOn ignored <nonsense>", Body(lines[3]));
    EXPECT_EQ("RaveloProfileOn request end -1", Body(lines[4]));
    EXPECT_EQ("RaveloProfileOn callback outro", Body(lines[5]));
    for (const std::string& line : lines) {
        EXPECT_NE(std::string::npos, line.find(' '));
        EXPECT_TRUE(isdigit(static_cast<unsigned char>(line[0])));
    }
}

} // namespace

// The OSD form, its layout and the display drivers, with recording players
// in place of the player library: the test plays the movies' call-backs.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeFlash.h"
#include "OsdHarness.h"
#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "gui/Application.h"
#include "gui/Screen.h"
#include "win32/Handles.h"

using fakeflash::Wide;
using osdtest::State;
using testsupport::PumpFor;
using testsupport::WaitUntil;

namespace {

fakeflash::Player& PlayerOf(MovieKind kind) {
    TTransFlash* player = FlashOsdForm->Item(static_cast<int>(kind)).player;
    fakeflash::Player* fake = player != nullptr ? fakeflash::Find(player->PlayerWindow()) : nullptr;
    if (fake == nullptr) {
        ADD_FAILURE() << "no player for movie " << static_cast<int>(kind);
        static fakeflash::Player none;
        return none;
    }
    return *fake;
}

std::string External(const std::string& argument) {
    return "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>" + argument +
           "</string></arguments></invoke>";
}

std::string Invoke(const std::string& name, const std::string& argument) {
    return "<invoke name=\"" + name + "\" returntype=\"xml\"><arguments><string>" + argument +
           "</string></arguments></invoke>";
}

std::vector<std::wstring> WideAll(const std::vector<std::string>& texts) {
    std::vector<std::wstring> wide;
    for (const std::string& text : texts)
        wide.push_back(Wide(text));
    return wide;
}

bool HasRequest(MovieKind kind, const std::string& request) {
    const std::vector<std::wstring>& requests = PlayerOf(kind).requests;
    return std::find(requests.begin(), requests.end(), Wide(request)) != requests.end();
}

int VisiblePlayers() {
    int count = 0;
    for (const auto& player : TTransFlash::Players())
        count += (player->PlayerWindow() != nullptr && IsWindowVisible(player->PlayerWindow())) ? 1 : 0;
    return count;
}

// Every test starts from a hidden display with nothing pending.
class OsdFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        FlashOsdLayout::Instance().Hide();
        FlashOsdLayout::Instance().SetIdleTimer(false);
        fakeflash::ClearRequests();
        State().Clear();
    }
    void TearDown() override {
        FlashOsdLayout::Instance().Hide();
        FlashOsdLayout::Instance().SetIdleTimer(false);
        State().Clear();
    }

    // Ends a display whose end command has gone out: the movie calls back,
    // the fade runs and OnOsdFinished arrives.
    void FinishWith(MovieKind kind) {
        fakeflash::CallBack(PlayerOf(kind).window);
        ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }));
    }
};

int counted = 0;
void CountCall(void*, void*) { ++counted; }

// ------------------------------------------------------------ the form

TEST_F(OsdFormTest, ExtendedStyleIsTopmostToolNoActivateWithoutAppWindow) {
    const DWORD style = osdtest::OsdExStyle();
    EXPECT_EQ(0x08000088u, style & 0x08000088u);
    EXPECT_EQ(0u, style & 0x00040000u);
    char className[64] = {};
    GetClassNameA(FlashOsdForm->Handle(), className, sizeof(className));
    EXPECT_STREQ("TFlashOsdForm", className);
    char caption[64] = {};
    GetWindowTextA(FlashOsdForm->Handle(), caption, sizeof(caption));
    EXPECT_STREQ("FlashOsdForm", caption);
    EXPECT_EQ(0, GetWindowLongA(FlashOsdForm->Handle(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
}

TEST_F(OsdFormTest, StartupLeavesTuningMovieCurrentHiddenAndPreset) {
    const osdtest::StartupFacts& facts = osdtest::Startup();
    EXPECT_EQ(PhaseOf(MovieKind::OCTuning), facts.phase);
    EXPECT_EQ(static_cast<int>(MovieKind::OCTuning), facts.currentSlot);
    EXPECT_FALSE(facts.formVisible);
    EXPECT_EQ(6, facts.playerCount);
    EXPECT_EQ(-1, FlashClass1Manipulator::Instance().Level());
}

TEST_F(OsdFormTest, SixMoviesRegisteredInTableOrderWithTheirPathsAndSizes) {
    struct Row {
        const char* name;
        int width;
        int height;
    };
    const Row rows[] = {{"RaveloProfileOn", 400, 650}, {"RaveloProfileOff", 400, 650}, {"KelvoAuto", 400, 650},
                        {"KelvoManual", 750, 650},     {"OCTuning", 550, 400},         {"Warning", 400, 650}};
    for (int i = 0; i < 6; ++i) {
        const TFlashOsdForm::FlashItem& item = FlashOsdForm->Item(i);
        EXPECT_TRUE(item.used);
        EXPECT_EQ(rows[i].name, item.name);
        EXPECT_EQ(i, FlashOsdForm->FindSlot(rows[i].name));
        // The path the player gets reaches the movie's file.
        const std::wstring file = Wide(std::string(rows[i].name) + ".swf");
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(item.path.c_str())) << rows[i].name;
        ASSERT_GT(item.path.size(), file.size());
        EXPECT_EQ(file, item.path.substr(item.path.size() - file.size()));
        ASSERT_NE(nullptr, item.player);
        EXPECT_EQ(item.path, fakeflash::Find(item.player->PlayerWindow())->path);
        EXPECT_EQ(FlashOsdForm->Handle(), fakeflash::Find(item.player->PlayerWindow())->parent);
        const RECT rect = osdtest::WindowRectOf(item.player->PlayerWindow());
        EXPECT_EQ(rows[i].width, rect.right - rect.left);
        EXPECT_EQ(rows[i].height, rect.bottom - rect.top);
        const MoviePlacement place =
            PlaceMovieOnScreen(gui::Screen::Width(), gui::Screen::Height(), rows[i].width, rows[i].height);
        EXPECT_EQ(place.x, rect.left);
        EXPECT_EQ(place.y, rect.top);
        EXPECT_FALSE(item.player->Visible());
        EXPECT_NE(nullptr, fakeflash::Find(item.player->PlayerWindow())->callback);
    }
    for (int i = 6; i < TFlashOsdForm::kSlotCount; ++i)
        EXPECT_FALSE(FlashOsdForm->Item(i).used);
}

TEST_F(OsdFormTest, SlotsRefuseDuplicateNamesAndTheSeventeenthMovie) {
    TFlashOsdForm* spare = gui::Application::Instance().CreateForm<TFlashOsdForm>();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(i, spare->AllocateSlot(("movie" + std::to_string(i)).c_str()));
    EXPECT_EQ(-1, spare->AllocateSlot("movie16"));
    EXPECT_EQ(-1, spare->AllocateSlot("movie3"));
    EXPECT_EQ(3, spare->FindSlot("movie3"));
    EXPECT_EQ(-1, spare->FindSlot("Movie3"));
    EXPECT_EQ(-1, spare->FindSlot("movie16"));

    TFlashOsdForm* fresh = gui::Application::Instance().CreateForm<TFlashOsdForm>();
    EXPECT_EQ(0, fresh->AllocateSlot("Warning"));
    EXPECT_EQ(-1, fresh->AllocateSlot("Warning"));
    EXPECT_EQ(1, fresh->AllocateSlot("warning"));
    EXPECT_EQ(-1, fresh->FindSlot("Warnin"));

    // A refused registration creates no player.
    const size_t players = TTransFlash::Players().size();
    EXPECT_FALSE(FlashOsdForm->AddMovie("Warning", "Other.swf", 10, 10));
    EXPECT_EQ(players, TTransFlash::Players().size());
    EXPECT_EQ(5, FlashOsdForm->FindSlot("Warning"));
}

TEST_F(OsdFormTest, EraseBackgroundIsAnsweredWithoutErasing) {
    const win32::WindowDC dc(FlashOsdForm->Handle());
    EXPECT_EQ(1, SendMessageA(FlashOsdForm->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0));
    EXPECT_EQ(FlashOsdForm, FlashOsdLayout::Instance().Flicker().Control());
}

TEST_F(OsdFormTest, PrepareShowFitsTheScreenAndSetsAlpha229) {
    FlashOsdForm->SetBounds(100, 50, 300, 200);
    FlashOsdLayout::Instance().SetAlpha(10);
    FlashOsdManipulator::Instance().PrepareShow();
    const RECT rect = osdtest::WindowRectOf(FlashOsdForm->Handle());
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(gui::Screen::Width(), rect.right - rect.left);
    EXPECT_EQ(gui::Screen::Height(), rect.bottom - rect.top);
    const RECT background = FlashOsdForm->Background.Bounds();
    EXPECT_EQ(gui::Screen::Width(), background.right);
    EXPECT_EQ(gui::Screen::Height(), background.bottom);
    EXPECT_EQ(229, osdtest::OsdAlpha());
    EXPECT_FALSE(FlashOsdForm->Visible());
    EXPECT_EQ(0, VisiblePlayers());
}

TEST_F(OsdFormTest, PlayerOffsetsAreRelativeToTheFormsWindow) {
    FlashOsdForm->SetBounds(100, 50, 300, 200);
    TTransFlash* player = FlashOsdForm->Item(2).player;
    player->SetOffset(10, 20);
    RECT rect = osdtest::WindowRectOf(player->PlayerWindow());
    EXPECT_EQ(110, rect.left);
    EXPECT_EQ(70, rect.top);
    EXPECT_EQ(400, rect.right - rect.left); // the size stays
    FlashOsdLayout::Instance().FitToScreen();
    FlashOsdLayout::Instance().PlaceMovie(MovieKind::KelvoAuto);
    rect = osdtest::WindowRectOf(player->PlayerWindow());
    const MoviePlacement place = PlaceMovieOnScreen(gui::Screen::Width(), gui::Screen::Height(), 400, 650);
    EXPECT_EQ(place.x, rect.left);
    EXPECT_EQ(place.y, rect.top);
    EXPECT_EQ(place.x, player->OffsetX());
    // An unknown name is ignored.
    FlashOsdForm->PlaceMovie("NoSuchMovie", 1, 1);
}

TEST_F(OsdFormTest, GroupHidingWinsOverEachPlayersOwnFlag) {
    TTransFlash* auto_ = FlashOsdForm->Item(2).player;
    TTransFlash* warning = FlashOsdForm->Item(5).player;
    FlashOsdForm->SelectMovie(MovieKind::Warning);
    FlashOsdForm->ShowCurrent();
    EXPECT_TRUE(IsWindowVisible(warning->PlayerWindow()));
    EXPECT_EQ(1, VisiblePlayers());
    auto_->SetVisible(true); // left on by someone
    EXPECT_EQ(2, VisiblePlayers());
    FlashOsdForm->HideCurrent();
    EXPECT_EQ(0, VisiblePlayers());
    EXPECT_TRUE(auto_->Visible());
    EXPECT_TRUE(auto_->GroupHidden());
    auto_->SetVisible(true);
    EXPECT_FALSE(IsWindowVisible(auto_->PlayerWindow()));
    // Only players whose own flag stayed on come back with the group.
    TTransFlash::ShowAll();
    EXPECT_TRUE(IsWindowVisible(auto_->PlayerWindow()));
    EXPECT_FALSE(IsWindowVisible(warning->PlayerWindow()));
    auto_->SetVisible(false);
    TTransFlash::HideAll();
    EXPECT_EQ(0, VisiblePlayers());
}

// A warning that replaces a display on screen (the tuning display warns
// when the overclocking program went away meanwhile) takes its place: the
// replaced movie neither stays under it nor returns with the group.
TEST_F(OsdFormTest, MovieReplacedOnScreenIsHidden) {
    TTransFlash* tuning = FlashOsdForm->Item(PhaseOf(MovieKind::OCTuning)).player;
    TTransFlash* warning = FlashOsdForm->Item(PhaseOf(MovieKind::Warning)).player;
    FlashOsdForm->SelectMovie(MovieKind::OCTuning);
    FlashOsdForm->ShowCurrent();
    ASSERT_TRUE(IsWindowVisible(tuning->PlayerWindow()));
    FlashOsdForm->SelectMovie(MovieKind::Warning);
    FlashOsdForm->ShowCurrent();
    EXPECT_TRUE(IsWindowVisible(warning->PlayerWindow()));
    EXPECT_FALSE(tuning->Visible());
    EXPECT_EQ(1, VisiblePlayers());
    TTransFlash::HideAll();
    TTransFlash::ShowAll();
    EXPECT_FALSE(IsWindowVisible(tuning->PlayerWindow()));
    // Selecting the movie already current keeps it on screen.
    FlashOsdForm->SelectMovie(MovieKind::Warning);
    EXPECT_TRUE(IsWindowVisible(warning->PlayerWindow()));
    FlashOsdForm->HideCurrent();
    EXPECT_EQ(0, VisiblePlayers());
}

// ------------------------------------------------------ phase dispatch

TEST_F(OsdFormTest, EndingPhasesRunTheFinishedHandler) {
    const OsdNotify saved = MovieFinishedHandler;
    counted = 0;
    FlashOsdForm->SetFinishedHandler(OsdNotify(&CountCall, nullptr));
    for (LONG phase : {2L, 3L, 5L, 6L, 7L, 8L}) {
        OsdPhase = phase;
        FlashOsdForm->OnFlashCall(0, 0, 0, 0);
        EXPECT_EQ(phase, OsdPhase);
    }
    EXPECT_EQ(6, counted);
    for (LONG phase : {-1L, 9L, 100L}) {
        OsdPhase = phase;
        FlashOsdForm->OnFlashCall(1, 2, 3, 4);
        EXPECT_EQ(phase, OsdPhase);
    }
    EXPECT_EQ(6, counted);
    EXPECT_FALSE(FlashOsdForm->Timer.Enabled());
    MovieFinishedHandler = saved;
}

TEST_F(OsdFormTest, EndingPhasesWithoutHandlerDoNothing) {
    const OsdNotify saved = MovieFinishedHandler;
    MovieFinishedHandler = OsdNotify();
    FlashOsdForm->Show();
    for (LONG phase : {2L, 3L, 5L, 6L, 7L, 8L}) {
        OsdPhase = phase;
        FlashOsdForm->OnFlashCall(0, 0, 0, 0);
    }
    PumpFor(600);
    EXPECT_EQ(0, State().finished);
    EXPECT_TRUE(FlashOsdForm->Visible());
    MovieFinishedHandler = saved;
}

TEST_F(OsdFormTest, TuningPhaseArmsTheIdleTimer) {
    OsdPhase = PhaseOf(MovieKind::OCTuning);
    FlashOsdForm->OnFlashCall(0, 0, 0, 0);
    EXPECT_TRUE(FlashOsdForm->Timer.Enabled());
    EXPECT_EQ(3000u, FlashOsdForm->Timer.Interval());
    EXPECT_EQ(PhaseOf(MovieKind::OCTuning), OsdPhase);
}

TEST_F(OsdFormTest, IdleTimerFiresOnceAndIsReported) {
    FlashOsdLayout::Instance().SetIdleTimer(true);
    ASSERT_TRUE(WaitUntil([] { return State().timers == 1; }, 20000));
    EXPECT_FALSE(FlashOsdForm->Timer.Enabled()) << "switched off by its first tick, it cannot fire again";
}

TEST_F(OsdFormTest, ProfileIntroCallBackHoldsThenEnds) {
    FlashOsdForm->SelectMovie(MovieKind::RaveloProfileOff);
    FlashOsdForm->OnFlashCall(0, 0, 0, 0);
    EXPECT_EQ(ProfileOffHold, OsdPhase);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(WaitUntil([] { return HasRequest(MovieKind::RaveloProfileOff, External("end")); }));
    EXPECT_GE(GetTickCount() - start, 1900u); // the 2000 ms hold
    EXPECT_EQ(FlashOsdManipulator::Instance().FadeOutHandler(), MovieFinishedHandler);
    FinishWith(MovieKind::RaveloProfileOff);

    FlashOsdForm->SelectMovie(MovieKind::RaveloProfileOn);
    FlashOsdForm->OnFlashCall(0, 0, 0, 0);
    EXPECT_EQ(ProfileOnHold, OsdPhase);
    ASSERT_TRUE(WaitUntil([] { return HasRequest(MovieKind::RaveloProfileOn, External("end")); }));
    State().Clear();
    FinishWith(MovieKind::RaveloProfileOn);
}

// ------------------------------------------- commands through the binding

TEST_F(OsdFormTest, CaptionDisplaySendsLabelAndShowAsUtf16) {
    FlashOsdManipulator::Instance().PrepareShow();
    const char label[] = "Profile <A> & On 4200MHz";
    FlashClass0Manipulator::Instance().ShowProfileOn(label);
    EXPECT_EQ(WideAll({Invoke("changeLabel", label), External("show")}), PlayerOf(MovieKind::RaveloProfileOn).requests);
    EXPECT_EQ(16u, PlayerOf(MovieKind::RaveloProfileOn).requestRecordSize);
    EXPECT_EQ(PhaseOf(MovieKind::RaveloProfileOn), OsdPhase);
    EXPECT_TRUE(FlashOsdForm->Visible());
    EXPECT_EQ(229, osdtest::OsdAlpha());
    EXPECT_TRUE(IsWindowVisible(PlayerOf(MovieKind::RaveloProfileOn).window));
    EXPECT_EQ(1, VisiblePlayers());

    fakeflash::CallBack(PlayerOf(MovieKind::RaveloProfileOn).window); // intro played
    EXPECT_EQ(ProfileOnHold, OsdPhase);
    ASSERT_TRUE(WaitUntil([] { return PlayerOf(MovieKind::RaveloProfileOn).requests.size() == 3; }));
    EXPECT_EQ(Wide(External("end")), PlayerOf(MovieKind::RaveloProfileOn).requests.back());
    FinishWith(MovieKind::RaveloProfileOn);
    EXPECT_FALSE(State().formVisibleAtFinish);
    EXPECT_EQ(0, VisiblePlayers());
}

TEST_F(OsdFormTest, LongLabelIsCutAtItsBuffer) {
    FlashOsdManipulator::Instance().PrepareShow();
    const std::string label(200, 'L');
    FlashOsdLayout::Instance().ShowKelvoAuto(label.c_str());
    ASSERT_FALSE(PlayerOf(MovieKind::KelvoAuto).requests.empty());
    const std::wstring& sent = PlayerOf(MovieKind::KelvoAuto).requests[0];
    EXPECT_EQ(127u, sent.size());
    EXPECT_EQ(0u, sent.rfind(L"<invoke name=\"changeLabel\"", 0));
    EXPECT_EQ(sent.size() - 30, sent.rfind(L"</string></arguments></invoke>"));
}

TEST_F(OsdFormTest, WarningSendsTitleAndMessageAndEndsAtOnceWithZeroDuration) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowWarning("Warning & <1>", "Engine </string> missing", 0);
    EXPECT_EQ(PhaseOf(MovieKind::Warning), OsdPhase);
    ASSERT_GE(PlayerOf(MovieKind::Warning).requests.size(), 3u);
    EXPECT_EQ(Wide(Invoke("changeLabel", "Warning & <1>")), PlayerOf(MovieKind::Warning).requests[0]);
    EXPECT_EQ(Wide(Invoke("changeContent", "Engine </string> missing")), PlayerOf(MovieKind::Warning).requests[1]);
    EXPECT_EQ(Wide(External("show")), PlayerOf(MovieKind::Warning).requests[2]);
    // The wait of 0 ms hands "end" over as soon as the GUI thread looks.
    ASSERT_TRUE(WaitUntil([] { return PlayerOf(MovieKind::Warning).requests.size() == 4; }, 10000));
    EXPECT_EQ(Wide(External("end")), PlayerOf(MovieKind::Warning).requests[3]);
    FinishWith(MovieKind::Warning);
}

TEST_F(OsdFormTest, LevelDisplayCommandsAndIdleTimer) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass1Manipulator::Instance().ShowLevel(-1);
    EXPECT_EQ(PhaseOf(MovieKind::KelvoManual), OsdPhase);
    EXPECT_TRUE(FlashOsdForm->Timer.Enabled());
    EXPECT_TRUE(FlashOsdForm->Visible());
    FlashClass1Manipulator::Instance().ChangeLevel(2);
    EXPECT_TRUE(FlashOsdForm->Timer.Enabled());
    EXPECT_EQ(2, FlashClass1Manipulator::Instance().Level());
    FlashOsdLayout::Instance().SetIdleTimer(false);
    FlashClass1Manipulator::Instance().Finish();
    ASSERT_TRUE(WaitUntil([] { return PlayerOf(MovieKind::KelvoManual).requests.size() == 3; }));
    EXPECT_EQ(WideAll({External("show -1"), External("play 2"), External("End 2")}),
              PlayerOf(MovieKind::KelvoManual).requests);
    FinishWith(MovieKind::KelvoManual);

    FlashClass1Manipulator::Instance().Reset();
    fakeflash::ClearRequests();
    State().Clear();
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass1Manipulator::Instance().ShowLevel(0);
    FlashClass1Manipulator::Instance().Reset();
    FlashOsdLayout::Instance().SetIdleTimer(false);
    FlashClass1Manipulator::Instance().Finish();
    ASSERT_TRUE(WaitUntil([] { return PlayerOf(MovieKind::KelvoManual).requests.size() == 2; }));
    EXPECT_EQ(Wide(External("End -1")), PlayerOf(MovieKind::KelvoManual).requests[1]);
    FinishWith(MovieKind::KelvoManual);
}

TEST_F(OsdFormTest, TuningDisplayCommandsAndPhases) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass2Manipulator::Instance().ShowValue(4200);
    EXPECT_EQ(PhaseOf(MovieKind::OCTuning), OsdPhase);
    EXPECT_FALSE(FlashOsdForm->Timer.Enabled()); // only the "in" call-back arms it
    fakeflash::CallBack(PlayerOf(MovieKind::OCTuning).window);
    EXPECT_TRUE(FlashOsdForm->Timer.Enabled());
    FlashClass2Manipulator::Instance().ChangeValue(4233);
    EXPECT_TRUE(FlashOsdForm->Timer.Enabled());
    FlashOsdLayout::Instance().SetIdleTimer(false);
    FlashClass2Manipulator::Instance().Finish();
    ASSERT_TRUE(WaitUntil([] { return PlayerOf(MovieKind::OCTuning).requests.size() == 4; }));
    EXPECT_EQ(TuningOut, OsdPhase);
    EXPECT_EQ(WideAll({Invoke("set2Digit", "4200"), External("in"), Invoke("set2Digit", "4233"), External("out")}),
              PlayerOf(MovieKind::OCTuning).requests);
    FinishWith(MovieKind::OCTuning);
}

// The idle timer, once on, fires and is reported (above).
TEST_F(OsdFormTest, TuningWithoutIntroCallBackWaitsForAKey) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass2Manipulator::Instance().ShowValue(4100);
    EXPECT_FALSE(FlashOsdForm->Timer.Enabled());
    EXPECT_TRUE(FlashOsdForm->Visible());
    FlashClass2Manipulator::Instance().ChangeValue(4133);
    EXPECT_TRUE(FlashOsdForm->Timer.Enabled());
}

// ---------------------------------------------------------------- fades

// The fade's steps and times are the fade rules' (osd_rules_test); here the
// form takes them on, only ever downwards, and is hidden when it reports.
TEST_F(OsdFormTest, FadeTakesTheFormDownThenHidesItAndReportsOnce) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowWarning("T", "M", 0);
    ASSERT_TRUE(WaitUntil([] { return PlayerOf(MovieKind::Warning).requests.size() == 4; }, 10000));
    std::vector<int> seen;
    fakeflash::CallBack(PlayerOf(MovieKind::Warning).window);
    ASSERT_TRUE(WaitUntil([&] {
        const int alpha = osdtest::OsdAlpha();
        if (seen.empty() || seen.back() != alpha)
            seen.push_back(alpha);
        return State().finished == 1;
    }));
    EXPECT_FALSE(State().formVisibleAtFinish);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_LT(seen[i], seen[i - 1]) << "step " << i;
    PumpFor(500);
    EXPECT_EQ(1, State().finished);
}

TEST_F(OsdFormTest, DoubleCallBackGivesTwoFadesAndTwoFinishes) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowWarning("T", "M", 0);
    ASSERT_TRUE(WaitUntil([] { return PlayerOf(MovieKind::Warning).requests.size() == 4; }, 10000));
    fakeflash::CallBack(PlayerOf(MovieKind::Warning).window);
    fakeflash::CallBack(PlayerOf(MovieKind::Warning).window);
    ASSERT_TRUE(WaitUntil([] { return State().finished == 2; }));
    EXPECT_FALSE(FlashOsdForm->Visible());
    PumpFor(500);
    EXPECT_EQ(2, State().finished);
}

} // namespace

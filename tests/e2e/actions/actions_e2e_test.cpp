// The whole road of a remote key in the running program: the simulated
// service posts the key to RaveloRemote.exe from the program folder, the
// program shows its display (read from the movie player's activity log)
// and tells the stand-ins of the sibling programs, which carry the request
// out on the simulated firmware that the test reads back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/ProfileFile.h"
#include "ActionsTestSupport.h"
#include "ProgramHarness.h"
#include "SavedSettings.h"
#include "ServiceControl.h"
#include "SiblingControl.h"
#include "ProtocolFacts.h"
#include "TestSupport.h"
#include "settings/Config.h"
#include "actions/Director.h"
#include "osd/Flashosd.h"
#include "app/Main.h"
#include "suite/OcEngine.h"
#include "settings/OvMultiLang.h"

using namespace actions_test;
using testsupport::WaitUntil;

namespace {

using facts::kClockItem;
using facts::kModeItem;
using harness::kLongWait;
constexpr char kApexMarkerKey[] = "Software\\Orva\\Ravelo Apex";
constexpr char kBindingsKey[] = "Software\\Orva\\Ravelo Profile";

std::string g_distFolder;
std::string DistProgramFolder() { return g_distFolder; }

using testsupport::SavedFile;
using testsupport::SavedValue;

class ActionsEndToEnd : public harness::SuiteTest {
protected:
    static void SetUpTestSuite() {
        PrepareSuite();

        // The program's own settings: button A on the first firmware
        // profile, and a default profile of clock step 4 (3100 MHz).
        Config& config = Config::Instance();
        bindingIndex_ =
            std::make_unique<SavedValue>(config.SettingsRootKey(), config.SettingsKeyPath(), "RRProfileAIndex");
        bindingName_ =
            std::make_unique<SavedValue>(config.SettingsRootKey(), config.SettingsKeyPath(), "RRProfileAName");
        bindingIndex_->SetDword(0);
        bindingName_->SetString("Gaming");
        const std::string profiles = ProfilesFolder();
        CreateDirectoryA((profiles + "Default").c_str(), nullptr);
        defaultProfile_ = std::make_unique<SavedFile>(profiles + "Default\\Default.oc");
        WriteProfileFile(profiles + "Default\\Default.oc", 1, 1, {{profile::kClockSetting, 4}});
        // The overclocking program counts as installed even while its
        // stand-in does not run.
        apexMarker_ = std::make_unique<SavedValue>(HKEY_LOCAL_MACHINE, kApexMarkerKey, "CaptionName");
        if (!apexMarker_->Existed() || apexMarker_->Type() != REG_SZ)
            apexMarker_->SetString("Ravelo");

        // Texts as the program finds them beside itself.
        g_distFolder = testsupport::DistFolder();
        OvMultiLang::SetFolderSource(&DistProgramFolder);
    }

    static void TearDownTestSuite() {
        OvMultiLang::SetFolderSource(nullptr);
        apexMarker_.reset();
        defaultProfile_.reset();
        bindingName_.reset();
        bindingIndex_.reset();
        SuiteTest::TearDownTestSuite();
    }

    void SetUp() override {
        SuiteTest::SetUp();
        ASSERT_FALSE(g_distFolder.empty()) << "RAVELO_DIST is not set";
        ASSERT_TRUE(testsupport::ReplaceFile(Files().database, StandardFirmware()));
        ASSERT_TRUE(suite_->StartService());
    }

    void StartApex() { ASSERT_TRUE(suite_->StartApex()); }
    void StartKelvo() { ASSERT_TRUE(suite_->StartKelvo()); }

    // The program's movie windows on screen.
    std::vector<HWND> MoviesOnScreen() const {
        std::vector<HWND> movies;
        for (HWND window : testsupport::WindowsOfProcess(program_.Id()))
            if (IsWindowVisible(window) && testsupport::WindowClass(window) == "RaveloFlashPlayer")
                movies.push_back(window);
        return movies;
    }

    // Once a movie is on screen: the OSD covers the screen, whatever its
    // size, and each movie sits where the placement rule puts one of its
    // size on it.
    ::testing::AssertionResult LaidOutForTheScreen(HWND osd) const {
        if (!WaitUntil([&] { return !MoviesOnScreen().empty() || !IsWindowVisible(osd); }, kLongWait) ||
            !IsWindowVisible(osd))
            return ::testing::AssertionFailure() << "no movie came on screen during the display";
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        RECT rect{};
        GetWindowRect(osd, &rect);
        if (rect.left != 0 || rect.top != 0 || rect.right != width || rect.bottom != height)
            return ::testing::AssertionFailure()
                   << "the OSD covers (" << rect.left << ", " << rect.top << ")-(" << rect.right << ", " << rect.bottom
                   << ") of a " << width << "x" << height << " screen";
        for (HWND movie : MoviesOnScreen()) {
            GetWindowRect(movie, &rect);
            const MoviePlacement place =
                PlaceMovieOnScreen(width, height, rect.right - rect.left, rect.bottom - rect.top);
            if (rect.left != place.x || rect.top != place.y)
                return ::testing::AssertionFailure()
                       << testsupport::WindowText(movie) << " at (" << rect.left << ", " << rect.top << ") on a "
                       << width << "x" << height << " screen, not at (" << place.x << ", " << place.y << ")";
        }
        return ::testing::AssertionSuccess();
    }

    // Waits for a display to come up, laid out for the screen, and then to
    // fade out.
    ::testing::AssertionResult DisplayRuns() {
        const HWND osd = program_.OsdWindow();
        if (osd == nullptr)
            return ::testing::AssertionFailure() << "the program has no OSD window";
        if (!WaitUntil([osd] { return IsWindowVisible(osd) != FALSE; }, kLongWait))
            return ::testing::AssertionFailure() << "no display came up; movie requests:\n" << log_.Tail();
        const ::testing::AssertionResult laidOut = LaidOutForTheScreen(osd);
        if (!laidOut)
            return laidOut;
        if (!WaitUntil([osd] { return IsWindowVisible(osd) == FALSE; }, kLongWait))
            return ::testing::AssertionFailure() << "the display did not end; movie requests:\n" << log_.Tail();
        return ::testing::AssertionSuccess();
    }

    static bool Press(LONG code) { return ServiceControl::SendKey(code) == ServiceControl::Outcome::Posted; }

    static std::string Text(const char* key) { return OvMultiLang::Instance().GetText(key); }

    static bool ItemBecomes(DWORD id, LONG expected) { return harness::WaitForFirmwareItem(id, expected, kLongWait); }
    static LONG Item(DWORD id) {
        LONG value = -1;
        ReadFirmwareItem(id, value);
        return value;
    }

    static std::unique_ptr<SavedValue> bindingIndex_;
    static std::unique_ptr<SavedValue> bindingName_;
    static std::unique_ptr<SavedValue> apexMarker_;
    static std::unique_ptr<SavedFile> defaultProfile_;
};

std::unique_ptr<SavedValue> ActionsEndToEnd::bindingIndex_;
std::unique_ptr<SavedValue> ActionsEndToEnd::bindingName_;
std::unique_ptr<SavedValue> ActionsEndToEnd::apexMarker_;
std::unique_ptr<SavedFile> ActionsEndToEnd::defaultProfile_;

} // namespace

TEST_F(ActionsEndToEnd, StartUpMarksNoProfileActive) {
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 2));
    StartProgram();
    EXPECT_TRUE(ItemBecomes(ActiveProfileItem, 0)) << "active-profile item " << Item(ActiveProfileItem);
}

TEST_F(ActionsEndToEnd, KeyASwitchesProfileAOnAndAfterTheDisplayOff) {
    StartApex();
    StartProgram();
    ASSERT_TRUE(Press(kKeyProfileA));
    EXPECT_TRUE(ItemBecomes(ActiveProfileItem, 1)) << "active-profile item " << Item(ActiveProfileItem);
    EXPECT_TRUE(siblings::WaitForLogText(Files().apexLog, "msg=1061 wParam=0x55 lParam=1 posted", kLongWait))
        << testsupport::ReadTextFile(Files().apexLog);
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(log_.Requested("RaveloProfileOn", "changeLabel " + Text("ProfileAOn") + " 3800MHz")) << log_.Tail();
    // The stand-in applied the profile's clock.
    EXPECT_TRUE(ItemBecomes(kClockItem, 32));

    ASSERT_TRUE(Press(kKeyProfileA));
    EXPECT_TRUE(ItemBecomes(ActiveProfileItem, 0)) << "active-profile item " << Item(ActiveProfileItem);
    EXPECT_TRUE(siblings::WaitForLogText(Files().apexLog, "msg=1061 wParam=0x55 lParam=0 posted", kLongWait))
        << testsupport::ReadTextFile(Files().apexLog);
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(log_.Requested("RaveloProfileOff", "changeLabel " + Text("ProfileAOff") + " 3100MHz")) << log_.Tail();
    EXPECT_EQ(2u, siblings::CountLogLines(Files().apexLog, "msg="));
}

TEST_F(ActionsEndToEnd, EngineEndsInTheModeChosenOnTheManualDisplay) {
    StartKelvo();
    StartProgram();
    ASSERT_EQ(0x8000, Item(kModeItem)); // mode 1
    ASSERT_TRUE(Press(kKeyManualMode));
    ASSERT_TRUE(Press(kKeyManualMode));
    ASSERT_TRUE(Press(kKeyManualMode));
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(log_.Requested("KelvoManual", "show 1")) << log_.Tail();
    EXPECT_TRUE(log_.Requested("KelvoManual", "play 3")) << log_.Tail();
    // Mode 3 is the raw value 2.
    EXPECT_TRUE(ItemBecomes(kModeItem, 2)) << "mode item " << Item(kModeItem);
    EXPECT_TRUE(siblings::WaitForLogText(Files().kelvoLog, "msg=1057 wParam=0x55 lParam=0 posted", kLongWait))
        << testsupport::ReadTextFile(Files().kelvoLog);
    EXPECT_EQ(1u, siblings::CountLogLines(Files().kelvoLog, "msg=")) << testsupport::ReadTextFile(Files().kelvoLog);
}

TEST_F(ActionsEndToEnd, TuningLeavesTheClockAtTheStepChosen) {
    StartApex();
    StartKelvo();
    StartProgram();
    ASSERT_EQ(8, Item(kClockItem));
    // The first key shows step 8; then 9, 10, 11 and back to 10.
    ASSERT_TRUE(Press(kKeyTuneUp));
    ASSERT_TRUE(Press(kKeyTuneUp));
    ASSERT_TRUE(Press(kKeyTuneUp));
    ASSERT_TRUE(Press(kKeyTuneUp));
    ASSERT_TRUE(Press(kKeyTuneDown));
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(log_.Requested("OCTuning", "set2Digit 3200")) << log_.Tail();
    EXPECT_TRUE(log_.Requested("OCTuning", "set2Digit 3275")) << log_.Tail();
    EXPECT_TRUE(siblings::WaitForLogText(Files().apexLog, "msg=1060 wParam=0x55 lParam=10 sent", kLongWait))
        << testsupport::ReadTextFile(Files().apexLog);
    EXPECT_TRUE(ItemBecomes(kClockItem, 10)) << "clock item " << Item(kClockItem);
    EXPECT_EQ(1u, siblings::CountLogLines(Files().apexLog, "msg=")) << testsupport::ReadTextFile(Files().apexLog);
    // The engine was set to mode 1 once, at the first step.
    EXPECT_TRUE(siblings::WaitForLogText(Files().kelvoLog, "msg=1055 wParam=0x55 lParam=0 posted", kLongWait));
    EXPECT_EQ(1u, siblings::CountLogLines(Files().kelvoLog, "msg=")) << testsupport::ReadTextFile(Files().kelvoLog);
}

TEST_F(ActionsEndToEnd, KeyAWithTheOverclockingProgramNotRunningWarnsAndSendsNothing) {
    // Only a command window of the right class and caption: without the
    // main window the program is not running.
    ASSERT_TRUE(WaitUntil([] { return FindWindowA("TMainForm", "Ravelo") == nullptr; }, kLongWait))
        << "another overclocking program's window is open";
    RecordingWindows windows;
    const HWND command = windows.Create("TMainForm", "RaveloHelp");
    ASSERT_NE(nullptr, command);
    StartProgram();
    ASSERT_TRUE(Press(kKeyProfileA));
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(log_.Requested("Warning", "changeLabel " + Text("Warning"))) << log_.Tail();
    EXPECT_TRUE(log_.Requested("Warning", "changeContent " + Text("RaveloApexNotRun"))) << log_.Tail();
    EXPECT_EQ(std::string::npos, log_.Text().find("RaveloProfileOn")) << log_.Tail();
    EXPECT_TRUE(windows.Messages(command).empty());
    EXPECT_EQ(0, Item(ActiveProfileItem));
}

TEST_F(ActionsEndToEnd, ButtonBindingsComeFromTheRootTheReportedVersionPicks) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    ASSERT_TRUE(GetVersionExA(&version));
    // The version the configuration asks Wine to report (scripts/lib.sh) is
    // in force: from 8.1 on, a program without a compatibility manifest is
    // told 6.2.
    char wanted[16] = {};
    if (GetEnvironmentVariableA("RAVELO_WINVER", wanted, sizeof(wanted)) > 0) {
        const struct {
            const char* name;
            DWORD major;
            DWORD minor;
        } reports[] = {{"winxp", 5, 1}, {"win7", 6, 1}, {"win8", 6, 2}, {"win81", 6, 2}, {"win10", 6, 2}};
        bool known = false;
        for (const auto& report : reports)
            if (std::string(wanted) == report.name) {
                known = true;
                EXPECT_EQ(report.major, version.dwMajorVersion) << wanted;
                EXPECT_EQ(report.minor, version.dwMinorVersion) << wanted;
            }
        EXPECT_TRUE(known) << wanted;
    }
    // Major version 6 reads the user's bindings, any other the machine's.
    const bool user = version.dwMajorVersion == 6;
    const HKEY root = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const HKEY other = user ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    // Button A on the second firmware profile (Silent, clock step 12) in the
    // root that counts, on the first (Gaming, step 32) in the other.
    SavedValue index(root, kBindingsKey, "RRProfileAIndex");
    SavedValue conflicting(other, kBindingsKey, "RRProfileAIndex");
    ASSERT_TRUE(index.SetDword(1));
    ASSERT_TRUE(conflicting.SetDword(0));

    StartApex();
    StartProgram();
    ASSERT_TRUE(Press(kKeyProfileA));
    EXPECT_TRUE(siblings::WaitForLogText(Files().apexLog, "firmware profile 1 \"Silent\"", kLongWait))
        << "version " << version.dwMajorVersion << "." << version.dwMinorVersion << "\n"
        << testsupport::ReadTextFile(Files().apexLog);
    EXPECT_TRUE(ItemBecomes(kClockItem, 12)) << "clock item " << Item(kClockItem);
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(log_.Requested("RaveloProfileOn", "changeLabel " + Text("ProfileAOn") + " 3300MHz")) << log_.Tail();
}

TEST_F(ActionsEndToEnd, DisplayChangeDuringADisplayMovesTheStatusWindowAndTheDisplaysGoOn) {
    StartApex();
    StartProgram();
    const HWND osd = program_.OsdWindow();
    ASSERT_NE(nullptr, osd);
    ASSERT_TRUE(Press(kKeyProfileA));
    ASSERT_TRUE(WaitUntil([osd] { return IsWindowVisible(osd) != FALSE; }, kLongWait)) << log_.Tail();
    // Start-up (over once a display is up) left the status window where
    // the form stores it, out of its corner.
    const HWND status = program_.StatusWindow();
    ASSERT_NE(nullptr, status);
    RECT rect{};
    GetClientRect(status, &rect);
    const int statusWidth = rect.right;
    GetWindowRect(status, &rect);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    ASSERT_NE(width - statusWidth - 10, rect.left);

    // The display settings applied again, as the display settings of the
    // system do: Wine sets the mode through XRandR and broadcasts
    // WM_DISPLAYCHANGE to every top-level window, the program's too. Under
    // Xvfb the screen keeps its size (Wine sees one mode), so the other
    // sizes are the screens of scripts/matrix.sh, where every display here
    // is checked against the screen.
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    ASSERT_EQ(DISP_CHANGE_SUCCESSFUL, ChangeDisplaySettingsExA(nullptr, &mode, nullptr, CDS_RESET, nullptr));
    EXPECT_TRUE(WaitUntil(
        [&] {
            GetWindowRect(status, &rect);
            return rect.left == width - statusWidth - 10 && rect.top == 10;
        },
        kLongWait))
        << "status window " << statusWidth << " wide at (" << rect.left << ", " << rect.top << ") on a screen " << width
        << " wide";
    EXPECT_FALSE(IsWindowVisible(status));
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(ItemBecomes(ActiveProfileItem, 1)) << "active-profile item " << Item(ActiveProfileItem);

    // The next display is laid out for the screen as it is now.
    ASSERT_TRUE(Press(kKeyProfileA));
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(ItemBecomes(ActiveProfileItem, 0)) << "active-profile item " << Item(ActiveProfileItem);
    EXPECT_TRUE(program_.Running());
}

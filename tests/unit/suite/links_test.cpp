// The links to the two sibling programs on their own: the overclocking
// program's clocks (firmware profiles, profile files, the clock item), its
// windows and messages, and the power-saving engine's mode, messages and
// auto-mode checks, against the firmware simulator with small databases,
// private registry keys and windows of the right class and caption.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ActionsTestSupport.h"
#include "ApexProfiles.h"
#include "ProtocolFacts.h"
#include "TestSupport.h"
#include "settings/Config.h"
#include "suite/KelvoEngine.h"
#include "app/Main.h"
#include "suite/OcEngine.h"
#include "actions/RemoteActions.h"
#include "orva/BiosInterface.h"
#include "win32/Handles.h"

using namespace actions_test;

namespace {

using facts::kClockItem;
using facts::kModeItem;

// Clock of a raw step of the standard clock item: 3000 MHz + 25 MHz a step.
DWORD Mhz(LONG step) { return static_cast<DWORD>(3000 + 25 * step); }

class LinksTest : public ActionsFixture {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_->Path().empty());
        UseFirmware(StandardFirmware());
        DeleteFileA(DefaultProfilePath().c_str());
        registry_->DeleteKey(HKEY_CURRENT_USER, "Ravelo Profile");
        registry_->DeleteKey(HKEY_CURRENT_USER, "Drivo3");
        registry_->DeleteKey(HKEY_LOCAL_MACHINE, "Drivo3");
        windows_->DestroyAll();
        windows_->Clear();
    }

    void TearDown() override { windows_->DestroyAll(); }
};

} // namespace

// ---- Profile files ----------------------------------------------------------

// One table of profile files for both readers of them, which must agree:
// the program's (ReadProfileClock, and OcEngine's by profile name) and the
// overclocking stand-in's (apex::ReadProfileFileClock).
struct ProfileFileCase {
    const char* what;
    bool exists;
    std::string bytes;
    DWORD clock;         // 0: none, which the program reads as raw zero
    const char* problem; // the stand-in's account of a file without one
};

std::vector<ProfileFileCase> ProfileFileCases() {
    const DWORD clock = profile::kClockSetting;
    return {
        {"the first clock among other settings", true,
         testsupport::ProfileFileBytes(1, 3, {{0x03020012, 7}, {clock, 44}, {clock, 50}}), 44, ""},
        {"version 0", true, testsupport::ProfileFileBytes(0, 1, {{clock, 9}}), 9, ""},
        {"version 2", true, testsupport::ProfileFileBytes(2, 1, {{clock, 44}}), 0, "format version 2 is not supported"},
        {"five records claimed, three present", true,
         testsupport::ProfileFileBytes(1, 5, {{1, 1}, {2, 2}, {clock, 36}}), 36, ""},
        {"five claimed, three present, none the clock", true,
         testsupport::ProfileFileBytes(1, 5, {{1, 1}, {2, 2}, {3, 3}}), 0, "has no clock setting"},
        {"the clock's id without its value", true,
         testsupport::ProfileFileBytes(1, 2, {{1, 1}}) + std::string("\x11\x00\x01\x03", 4), 0, "has no clock setting"},
        {"a count below the records present", true, testsupport::ProfileFileBytes(1, 1, {{1, 1}, {clock, 7}}), 0,
         "has no clock setting"},
        {"a record area beyond 32 bits", true, testsupport::ProfileFileBytes(1, 0x20000000, {{clock, 20}}), 0,
         "record count 536870912 is impossible"},
        {"a count of 0xFFFFFFFF", true, testsupport::ProfileFileBytes(1, 0xFFFFFFFF, {{clock, 20}}), 0,
         "record count 4294967295 is impossible"},
        {"the largest count that fits", true, testsupport::ProfileFileBytes(1, 0x1FFFFFFF, {{5, 5}, {clock, 21}}), 21,
         ""},
        {"no records", true, testsupport::ProfileFileBytes(1, 0, {{clock, 20}}), 0, "holds no records"},
        {"a header cut short", true, testsupport::ProfileFileBytes(1, 1, {}).substr(0, 11), 0,
         "shorter than its header"},
        {"empty", true, std::string(), 0, "shorter than its header"},
        {"missing", false, std::string(), 0, "cannot be opened"},
    };
}

TEST_F(LinksTest, ProfileFilesReadTheSameByTheProgramAndTheOverclockingStandIn) {
    const std::string path = profiles_ + "Case.oc";
    for (const ProfileFileCase& c : ProfileFileCases()) {
        SCOPED_TRACE(c.what);
        DeleteFileA(path.c_str());
        if (c.exists) {
            ASSERT_TRUE(testsupport::WriteTextFile(path, c.bytes));
        }
        EXPECT_EQ(c.clock, ReadProfileClock(path));
        EXPECT_EQ(c.clock, OcEngine::Instance().ReadProfileFile("Case"));
        DWORD clock = 0;
        std::string problem;
        const bool found = apex::ReadProfileFileClock(path, clock, problem);
        EXPECT_EQ(c.clock != 0, found) << problem;
        if (found) {
            EXPECT_EQ(c.clock, clock);
        } else {
            EXPECT_EQ(c.problem, problem);
        }
    }
}

// ---- Clocks -----------------------------------------------------------------

TEST_F(LinksTest, ButtonBoundBelowTheFirmwareCountTakesThatFirmwareProfile) {
    BindButton('B', 1, "Gaming");
    ASSERT_TRUE(WriteProfileFile(profiles_ + "Gaming.oc", 1, 1, {{profile::kClockSetting, 60}}));
    EXPECT_EQ(Mhz(12), OcEngine::Instance().ProfileFrequency(2));
    EXPECT_EQ((std::vector<DWORD>{32, 12}), OcEngine::Instance().FirmwareProfileValues());
}

TEST_F(LinksTest, ButtonBoundAtOrAboveTheFirmwareCountTakesItsProfileFile) {
    BindButton('B', 2, "Turbo");
    ASSERT_TRUE(WriteProfileFile(profiles_ + "Turbo.oc", 1, 2, {{0x03020012, 3}, {profile::kClockSetting, 48}}));
    EXPECT_EQ(Mhz(48), OcEngine::Instance().ProfileFrequency(2));
    BindButton('C', 7, "Missing");
    EXPECT_EQ(Mhz(0), OcEngine::Instance().ProfileFrequency(3));
}

TEST_F(LinksTest, UnboundButtonsFollowTheProfileList) {
    // No settings: A is the first firmware profile, B the second.
    EXPECT_EQ(Mhz(32), OcEngine::Instance().ProfileFrequency(1));
    EXPECT_EQ(Mhz(12), OcEngine::Instance().ProfileFrequency(2));
}

TEST_F(LinksTest, FirmwareProfileWithoutClockLeavesNoValueAndReadsAsRawZero) {
    UseFirmware(std::string(kClockItemLine) + kActiveProfileLine +
                "list 0x05080002 0 text=\"One\" text=\"Two\" text=\"Three\"\n"
                "record 0x05080002 0 0x03020012=4 0x03010011=20 0x03010011=24\n"
                "record 0x05080002 1 0x03020012=4\n"
                "record 0x05080002 2 0x03020012=4\n");
    BindButton('A', 0, "One");
    BindButton('B', 1, "Two");
    BindButton('C', 2, "Three");
    // Every clock pair of a record counts, so the list is 20, 24.
    EXPECT_EQ(Mhz(20), OcEngine::Instance().ProfileFrequency(1));
    EXPECT_EQ((std::vector<DWORD>{20, 24}), OcEngine::Instance().FirmwareProfileValues());
    EXPECT_EQ(Mhz(24), OcEngine::Instance().ProfileFrequency(2));
    // Nothing at position 2: raw 0, never a read past the list.
    EXPECT_EQ(Mhz(0), OcEngine::Instance().ProfileFrequency(3));
}

TEST_F(LinksTest, FailingProfileQueryEndsLoadingAndTheProfilesReadAsRawZero) {
    UseFirmware(StandardFirmware() + "fault fail-query\n");
    BindButton('B', 1, "Silent");
    EXPECT_EQ(Mhz(0), OcEngine::Instance().ProfileFrequency(2));
    EXPECT_TRUE(OcEngine::Instance().FirmwareProfileValues().empty());
}

TEST_F(LinksTest, FirmwareProfilesAreReadOncePerReset) {
    EXPECT_EQ(Mhz(32), OcEngine::Instance().ProfileFrequency(1));
    ASSERT_TRUE(firmware_->Write(std::string(kClockItemLine) + kActiveProfileLine +
                                 "list 0x05080002 0 text=\"Gaming\" text=\"Silent\"\n"
                                 "record 0x05080002 0 0x03010011=40\n"));
    EXPECT_EQ(Mhz(32), OcEngine::Instance().ProfileFrequency(1));
    OcEngine::Instance().Reset();
    EXPECT_EQ(Mhz(40), OcEngine::Instance().ProfileFrequency(1));
    EXPECT_EQ((std::vector<DWORD>{40}), OcEngine::Instance().FirmwareProfileValues());
}

TEST_F(LinksTest, MissingDefaultProfileMakesTheDefaultClockThatOfRawZero) {
    OcEngine& oc = OcEngine::Instance();
    EXPECT_EQ(Mhz(0), oc.DefaultFrequency());
    BindButton('A', 5, "Slowest");
    ASSERT_TRUE(WriteProfileFile(profiles_ + "Slowest.oc", 1, 1, {{profile::kClockSetting, 0}}));
    EXPECT_TRUE(oc.CanApplyProfile(1));

    ASSERT_TRUE(WriteProfileFile(DefaultProfilePath(), 1, 1, {{profile::kClockSetting, 4}}));
    EXPECT_EQ(Mhz(4), oc.DefaultFrequency());
    EXPECT_FALSE(oc.CanApplyProfile(1));
    ASSERT_TRUE(WriteProfileFile(profiles_ + "Slowest.oc", 1, 1, {{profile::kClockSetting, 4}}));
    EXPECT_TRUE(oc.CanApplyProfile(1));
}

TEST_F(LinksTest, CurrentClockLoadsTheStepAndStepsFollowTheItemsRule) {
    OcEngine& oc = OcEngine::Instance();
    EXPECT_EQ(Mhz(8), oc.ReadCurrentFrequency());
    EXPECT_EQ(8, oc.Step());
    EXPECT_EQ(Mhz(9), oc.StepUp());
    EXPECT_EQ(Mhz(10), oc.StepUp());
    EXPECT_EQ(Mhz(9), oc.StepDown());
    EXPECT_EQ(9, oc.Step());
    // Not clamped: beyond the item's 81 values the linear rule goes on.
    ASSERT_TRUE(WriteFirmwareItem(kClockItem, 80));
    EXPECT_EQ(Mhz(80), oc.ReadCurrentFrequency());
    EXPECT_EQ(Mhz(81), oc.StepUp());
    EXPECT_EQ(81, oc.Step());
}

TEST_F(LinksTest, WithoutAClockItemTheClocksAreZeroAndTheStepStays) {
    UseFirmware(std::string(kProfileLines) + kActiveProfileLine);
    OcEngine& oc = OcEngine::Instance();
    const LONG before = oc.Step();
    EXPECT_EQ(nullptr, ClockItem());
    EXPECT_EQ(0u, oc.ReadCurrentFrequency());
    EXPECT_EQ(0u, oc.StepUp());
    EXPECT_EQ(0u, oc.StepDown());
    EXPECT_EQ(before, oc.Step());
    EXPECT_EQ(0u, oc.ProfileFrequency(1));
    EXPECT_EQ(0u, oc.DefaultFrequency());
    EXPECT_TRUE(oc.CanApplyProfile(1));
}

TEST_F(LinksTest, ClockReadFailureKeepsTheFormerStep) {
    OcEngine& oc = OcEngine::Instance();
    ASSERT_EQ(Mhz(8), oc.ReadCurrentFrequency());
    ASSERT_EQ(Mhz(9), oc.StepUp());
    ASSERT_NE(nullptr, ClockItem());
    // The item was found; now every library call fails.
    ASSERT_TRUE(firmware_->Write(StandardFirmware() + "fault fail-all\n"));
    EXPECT_EQ(0u, oc.ReadCurrentFrequency());
    EXPECT_EQ(9, oc.Step());
}

TEST_F(LinksTest, ClockItemIsTheGroupThreeItemNumberSeventeen) {
    UseFirmware("number 0x03020012 3 base=1100 step=5 count=61 extra=\"Auto\"\n"
                "number 0x03000011 2 base=100 step=10 count=10\n" +
                std::string(kActiveProfileLine));
    ASSERT_NE(nullptr, ClockItem());
    EXPECT_EQ(0x03000011u, ClockItem()->Id());
    EXPECT_EQ(120u, OcEngine::Instance().ReadCurrentFrequency());
}

TEST_F(LinksTest, WholeMHzTruncatesTowardZero) {
    EXPECT_EQ(3199u, WholeMHz(3199.99L));
    EXPECT_EQ(0u, WholeMHz(0.5L));
    EXPECT_EQ(0xFFFFFFFFu, WholeMHz(-1.5L));
    EXPECT_EQ(0u, WholeMHz(1e30L));
}

// ---- Active profile and messages -------------------------------------------

TEST_F(LinksTest, ResetMarksNoProfileActive) {
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 2));
    OcEngine::Instance().Reset();
    LONG active = -1;
    ASSERT_TRUE(ReadFirmwareItem(ActiveProfileItem, active));
    EXPECT_EQ(0, active);
}

TEST_F(LinksTest, ProfileActiveComparesTheItemWithTheValue) {
    OcEngine& oc = OcEngine::Instance();
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 4));
    EXPECT_TRUE(oc.IsProfileActive(4));
    EXPECT_FALSE(oc.IsProfileActive(3));
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 3));
    EXPECT_FALSE(oc.IsProfileActive(4));
    // A failed read counts as no profile.
    UseFirmware(kClockItemLine);
    EXPECT_TRUE(oc.IsProfileActive(0));
    EXPECT_FALSE(oc.IsProfileActive(1));
}

TEST_F(LinksTest, ProfileMessagesArePostedAndTheStepIsSentToTheCommandWindow) {
    OcEngine& oc = OcEngine::Instance();
    EXPECT_FALSE(oc.FindCommandWindow());
    EXPECT_FALSE(IsRaveloRunning());
    const HWND main = windows_->Create("TMainForm", "Ravelo");
    EXPECT_TRUE(IsRaveloRunning());
    EXPECT_FALSE(oc.FindCommandWindow());
    const HWND command = windows_->Create("TMainForm", "RaveloHelp");
    ASSERT_TRUE(oc.FindCommandWindow());
    EXPECT_EQ(command, oc.CommandWindow());

    oc.ApplyProfile(3);
    oc.ClearProfile();
    ASSERT_EQ(Mhz(8), oc.ReadCurrentFrequency());
    oc.StepUp();
    oc.StepUp();
    oc.StepUp();
    oc.CommitStep();
    EXPECT_TRUE(
        SameMessages({Posted(kApplyProfileMessage, 3), Posted(kApplyProfileMessage, 0), Sent(kApplyStepMessage, 11)},
                     windows_->Messages(command)));
    EXPECT_TRUE(windows_->Messages(main).empty());

    // Once the window has gone nothing is found, and a post without a
    // window does not land in this thread's own queue either.
    windows_->Destroy(command);
    EXPECT_FALSE(oc.FindCommandWindow());
    EXPECT_EQ(nullptr, oc.CommandWindow());
    oc.ApplyProfile(1);
    oc.ClearProfile();
    MSG stray;
    EXPECT_FALSE(PeekMessageA(&stray, nullptr, kApplyProfileMessage, kApplyProfileMessage, PM_REMOVE));
}

TEST_F(LinksTest, ApexInstalledOnlyWithAStringCaption) {
    const std::string key = "Ravelo Apex";
    registry_->DeleteKey(HKEY_LOCAL_MACHINE, key);
    EXPECT_FALSE(IsRaveloApexInstalled());
    // The check opens with creation: the empty key is left behind.
    EXPECT_TRUE(registry_->KeyExists(HKEY_LOCAL_MACHINE, key));
    ASSERT_TRUE(registry_->SetDword(HKEY_LOCAL_MACHINE, key, "CaptionName", 1));
    EXPECT_FALSE(IsRaveloApexInstalled());
    ASSERT_TRUE(registry_->SetString(HKEY_LOCAL_MACHINE, key, "CaptionName", ""));
    EXPECT_TRUE(IsRaveloApexInstalled());
    EXPECT_FALSE(IsKelvoEngineInstalled());
}

// ---- Power-saving engine ----------------------------------------------------

TEST_F(LinksTest, ModeComesFromTheRawValueTable) {
    KelvoEngine& engine = KelvoEngine::Instance();
    const struct {
        LONG raw;
        LONG mode;
    } table[] = {{0x4000, 0}, {1, 2}, {2, 3}, {0, 1}, {0x8000, 1}};
    for (const auto& row : table) {
        ASSERT_TRUE(WriteFirmwareItem(kModeItem, row.raw));
        EXPECT_EQ(row.mode, engine.CurrentMode()) << "raw 0x" << std::hex << row.raw;
    }
    EXPECT_EQ(1, EngineModeOfRaw(3));
    EXPECT_EQ(1, EngineModeOfRaw(-1));
}

TEST_F(LinksTest, ModeItemIsTheGroupElevenItemNumberOne) {
    UseFirmware("number 0x0B000002 2 base=0 step=1 count=8\n"
                "number 0x0B010001 0x4000 base=0 step=1 count=32769\n");
    ASSERT_NE(nullptr, ModeItem());
    EXPECT_EQ(0x0B010001u, ModeItem()->Id());
    EXPECT_EQ(0, KelvoEngine::Instance().CurrentMode());
}

TEST_F(LinksTest, WithoutAModeItemOrItsValueTheModeIsOne) {
    UseFirmware(kClockItemLine);
    EXPECT_EQ(1, KelvoEngine::Instance().CurrentMode());
    UseFirmware(std::string(kModeItemLine) + "fault fail-all\n");
    EXPECT_EQ(1, KelvoEngine::Instance().CurrentMode());
}

TEST_F(LinksTest, ModesAndAutoModeArePostedToTheEngineWindow) {
    KelvoEngine& engine = KelvoEngine::Instance();
    EXPECT_FALSE(engine.FindEngineWindow());
    engine.SetMode(1);
    engine.RequestAutoMode();
    const HWND window = windows_->Create("TMainForm", "Kelvo Engine");
    ASSERT_TRUE(engine.FindEngineWindow());
    for (LONG mode : {0, 1, 2, 3, 4, -1})
        engine.SetMode(mode);
    engine.RequestAutoMode();
    EXPECT_TRUE(
        SameMessages({Posted(kEngineMode0Message, 0), Posted(kEngineMode1Message, 0), Posted(kEngineMode2Message, 0),
                      Posted(kEngineMode3Message, 0), Posted(kEngineAutoMessage, 0)},
                     windows_->Messages(window)));
}

TEST_F(LinksTest, AutoModeIsAvailableUnlessTheSwitchReadsZero) {
    KelvoEngine& engine = KelvoEngine::Instance();
    UseFirmware(kModeItemLine);
    EXPECT_TRUE(engine.AutoModeAvailable());
    UseFirmware(std::string(kModeItemLine) + "switch 0x11070010 0\n");
    EXPECT_FALSE(engine.AutoModeAvailable());
    UseFirmware(std::string(kModeItemLine) + kAutoSwitchOnLine);
    EXPECT_TRUE(engine.AutoModeAvailable());
    // Computed once: a later change is not seen.
    ASSERT_TRUE(WriteFirmwareItem(0x11070010, 0));
    EXPECT_TRUE(engine.AutoModeAvailable());
}

TEST_F(LinksTest, CalibrationNeedsThreeThresholdsUnlessAllSixItemsExist) {
    KelvoEngine& engine = KelvoEngine::Instance();
    UseFirmware(std::string(kModeItemLine) + "number 0x0E0A0017 0 base=0 step=1 count=256\n"
                                             "number 0x0E0A0018 0 base=0 step=1 count=256\n");
    EXPECT_FALSE(engine.UsesSixThresholds());
    EXPECT_TRUE(engine.CalibrationNeeded()); // no thresholds key
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(registry_->SetDword(HKEY_LOCAL_MACHINE, "Drivo3", ("Threshold" + std::to_string(n)).c_str(), 7));
    EXPECT_FALSE(engine.CalibrationNeeded());

    UseFirmware(std::string(kModeItemLine) + "number 0x0E0A0017 0 base=0 step=1 count=256\n"
                                             "number 0x0E0A0018 0 base=0 step=1 count=256\n"
                                             "number 0x0E0A0019 0 base=0 step=1 count=256\n");
    EXPECT_TRUE(engine.UsesSixThresholds());
    EXPECT_TRUE(engine.CalibrationNeeded());
    ASSERT_TRUE(registry_->SetDword(HKEY_LOCAL_MACHINE, "Drivo3", "Threshold4", 1));
    ASSERT_TRUE(registry_->SetDword(HKEY_LOCAL_MACHINE, "Drivo3", "Threshold6", 1));
    EXPECT_TRUE(engine.CalibrationNeeded()); // 5 missing
    ASSERT_TRUE(registry_->SetString(HKEY_LOCAL_MACHINE, "Drivo3", "Threshold5", "1"));
    EXPECT_TRUE(engine.CalibrationNeeded()); // not a DWORD
    ASSERT_TRUE(registry_->SetDword(HKEY_LOCAL_MACHINE, "Drivo3", "Threshold5", 1));
    EXPECT_FALSE(engine.CalibrationNeeded());
}

TEST_F(LinksTest, CalibrationFlagOfOneNeedsCalibrationDespiteAllThresholds) {
    KelvoEngine& engine = KelvoEngine::Instance();
    for (int n = 1; n <= 6; ++n)
        ASSERT_TRUE(registry_->SetDword(HKEY_LOCAL_MACHINE, "Drivo3", ("Threshold" + std::to_string(n)).c_str(), 7));
    EXPECT_FALSE(engine.CalibrationNeeded());
    ASSERT_TRUE(registry_->SetDword(HKEY_CURRENT_USER, "Drivo3\\Advance", "CalibrationNeeded", 1));
    EXPECT_TRUE(engine.CalibrationFlagSet());
    EXPECT_TRUE(engine.CalibrationNeeded());
    ASSERT_TRUE(registry_->SetDword(HKEY_CURRENT_USER, "Drivo3\\Advance", "CalibrationNeeded", 2));
    EXPECT_FALSE(engine.CalibrationNeeded());
    ASSERT_TRUE(registry_->SetString(HKEY_CURRENT_USER, "Drivo3\\Advance", "CalibrationNeeded", "1"));
    EXPECT_FALSE(engine.CalibrationFlagSet());
}

// ---- Labels -----------------------------------------------------------------

TEST(ProfileLabel, IsTheTextABlankTheClockAndMHz) {
    EXPECT_EQ("Profile A On 3800MHz", FormatProfileLabel("Profile A On", 3800));
    EXPECT_EQ(" 0MHz", FormatProfileLabel("", 0));
}

TEST(ProfileLabel, LongTextIsCutAtAWholeCharacterToFitTheBuffer) {
    const std::string ascii(300, 'a');
    const std::string cut = FormatProfileLabel(ascii, 3800, 1252);
    EXPECT_EQ(std::string(255, 'a'), cut);
    // Shift-JIS: a double-byte character over bytes 254 and 255 would be
    // split by a cut at 255 bytes; it goes as a whole.
    const std::string wide = std::string(254, 'a') + "\x82\xA0" + "b";
    EXPECT_EQ(std::string(254, 'a'), FormatProfileLabel(wide, 3800, 932));
    const std::string fits = std::string(253, 'a') + "\x82\xA0";
    EXPECT_EQ(fits, FormatProfileLabel(fits, 3800, 932));
}

// ---- The recording windows the tests above use -------------------------------

namespace {

// Zeroes the stack below its caller, where calls that have returned kept
// their locals.
__attribute__((noinline)) void ClearStackBelow() {
    volatile char block[64 * 1024];
    for (size_t i = 0; i < sizeof block; ++i)
        block[i] = 0;
}

} // namespace

// A request its caller gave up waiting for is carried out later by the
// window thread, which must then write into nothing of the caller's.
TEST(RecordingWindowsTest, ARequestGivenUpIsCarriedOutSafelyLater) {
    RecordingWindows windows(2000);
    const HWND first = windows.Create("RecorderProbe", "first");
    ASSERT_NE(nullptr, first);
    win32::UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(first, nullptr)));
    ASSERT_TRUE(thread);
    ASSERT_NE(static_cast<DWORD>(-1), SuspendThread(thread.Get()));
    EXPECT_EQ(nullptr, windows.Create("RecorderProbe", "late")) << "the window thread was held up";
    ClearStackBelow();
    ResumeThread(thread.Get());
    EXPECT_TRUE(testsupport::WaitUntil([] { return FindWindowA("RecorderProbe", "late") != nullptr; }, 10000));
}

// Shared by the tests of the remote actions in the test's own process: the
// firmware they run on, and their surroundings (a profiles folder, a private
// firmware database and registry base, recording sibling windows) set up
// once per test executable; the message-table comparison comes from the
// test support library.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/ProfileFile.h"
#include "MessageRecorder.h"
#include "ProgramHarness.h"
#include "SavedSettings.h"
#include "TestSupport.h"

namespace actions_test {

using testsupport::Posted;
using testsupport::Received;
using testsupport::RecordingWindows;
using testsupport::SameMessages;
using testsupport::Sent;

// Firmware statements shared by the tests: the clock item (kind 1: 3000 MHz
// and up in 25 MHz steps, now step 8 = 3200 MHz), two stored profiles
// ("Gaming" with clock step 32 = 3800 MHz after another setting, "Silent"
// with step 12 = 3300 MHz), the engine's mode item (now 0x8000, mode 1),
// the active-profile item (now 0) and the auto-mode switch (on).
extern const char kClockItemLine[];
extern const char kProfileLines[];
extern const char kModeItemLine[];
extern const char kActiveProfileLine[];
extern const char kAutoSwitchOnLine[];
std::string StandardFirmware();

using harness::ReadFirmwareItem;
using harness::WriteFirmwareItem;
using testsupport::FirmwareDatabase;
using testsupport::PrivateRegistry;
using testsupport::WriteProfileFile;

class ActionsFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    // A new database and nothing remembered from the one before.
    static void UseFirmware(const std::string& text);
    // A remote button bound to a profile index and name.
    static void BindButton(char button, DWORD index, const std::string& name);
    static std::string DefaultProfilePath() { return profiles_ + "Default\\Default.oc"; }

    static testsupport::TempFolder* folder_;
    static std::string profiles_;
    static FirmwareDatabase* firmware_;
    static PrivateRegistry* registry_;
    static RecordingWindows* windows_;
};

} // namespace actions_test

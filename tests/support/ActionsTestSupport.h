// Shared by the remote-action tests: the firmware they run on; the private
// firmware database, registry keys and profile files, the recording sibling
// windows and the message-table comparison come from the test support
// library.
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

} // namespace actions_test

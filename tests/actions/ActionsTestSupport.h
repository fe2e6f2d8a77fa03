// Shared by the remote-action tests: a private firmware database, private
// registry keys and profile files; the recording sibling windows and the
// message-table comparison come from the test support library.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/ProfileFile.h"
#include "MessageRecorder.h"
#include "ProgramHarness.h"

namespace actions_test {

using testsupport::Posted;
using testsupport::Received;
using testsupport::RecordingWindows;
using testsupport::SameMessages;
using testsupport::Sent;

// The firmware database this process's OVACPI.DLL reads (OVACPI_DB), in a
// file of its own; restored to the previous setting on destruction.
class FirmwareDatabase {
public:
    explicit FirmwareDatabase(const std::string& folder);
    ~FirmwareDatabase();
    FirmwareDatabase(const FirmwareDatabase&) = delete;
    FirmwareDatabase& operator=(const FirmwareDatabase&) = delete;

    bool Write(const std::string& text);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
    bool hadPrevious_ = false;
};

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

// A private key path "Software\RaveloActionsTest-<pid>\" (with trailing
// backslash) under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, deleted with
// everything below it on destruction.
class PrivateRegistry {
public:
    PrivateRegistry();
    ~PrivateRegistry();
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;

    const std::string& Base() const { return base_; }
    bool SetString(HKEY root, const std::string& subKey, const char* name, const std::string& value) const;
    bool SetDword(HKEY root, const std::string& subKey, const char* name, DWORD value) const;
    bool DeleteValue(HKEY root, const std::string& subKey, const char* name) const;
    bool DeleteKey(HKEY root, const std::string& subKey) const;
    bool KeyExists(HKEY root, const std::string& subKey) const;

private:
    std::string base_;
};

// A profile file: first word, version, record count, then the records
// (setting id, value) as given; a record count that differs from the
// records written makes a damaged file.
std::string ProfileImage(DWORD version, DWORD count, const std::vector<std::pair<DWORD, DWORD>>& records);
bool WriteProfileFile(const std::string& path, DWORD version, DWORD count,
                      const std::vector<std::pair<DWORD, DWORD>>& records);

} // namespace actions_test

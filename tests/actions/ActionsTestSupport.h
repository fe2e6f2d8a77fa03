// Shared by the remote-action tests: stand-in windows of the sibling
// programs that record what reaches them (posted or sent), a private
// firmware database, private registry keys and profile files, and a
// readable comparison of message tables.
#pragma once
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ProgramHarness.h"

namespace actions_test {

// One message as a recording window received it.
struct Received {
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool sent = false; // SendMessage from another thread (InSendMessage)

    bool operator==(const Received& other) const {
        return msg == other.msg && wParam == other.wParam && lParam == other.lParam && sent == other.sent;
    }
};

Received Posted(UINT msg, LPARAM lParam, WPARAM wParam = 0x55);
Received Sent(UINT msg, LPARAM lParam, WPARAM wParam = 0x55);

// "WM_USER+37 (1061, profile on/off)" and the like; plain numbers for
// messages the suite does not use.
std::string MessageName(UINT msg);
std::string Describe(const Received& message);

// Compares the messages a window received with the expected table and
// lists both, by name, when they differ.
::testing::AssertionResult SameMessages(const std::vector<Received>& expected, const std::vector<Received>& actual);

// Top-level windows of a given class and caption, owned by a thread of
// their own so that a SendMessage from the test thread is a real
// cross-thread send. Each records the suite's messages (WM_USER+30 to
// WM_USER+40) it receives and answers 1060 with 1.
class RecordingWindows {
public:
    RecordingWindows();
    ~RecordingWindows();
    RecordingWindows(const RecordingWindows&) = delete;
    RecordingWindows& operator=(const RecordingWindows&) = delete;

    HWND Create(const char* className, const char* caption, bool visible = false);
    void Destroy(HWND window);
    void DestroyAll();
    // Waits until every message posted so far has been handled.
    void Flush();
    std::vector<Received> Messages(HWND window);
    void Clear();

private:
    struct Shared;
    static DWORD WINAPI ThreadMain(void* parameter);
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    // Runs a request on the window thread and waits for it.
    void Run(int kind, const char* className, const char* caption, bool visible, HWND& window);

    std::shared_ptr<Shared> shared_;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
};

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

// Writes a profile file: first word, version, record count, then the
// records (setting id, value) as given; a record count that differs from
// the records written makes a damaged file.
bool WriteProfileFile(const std::string& path, DWORD version, DWORD count,
                      const std::vector<std::pair<DWORD, DWORD>>& records);

} // namespace actions_test

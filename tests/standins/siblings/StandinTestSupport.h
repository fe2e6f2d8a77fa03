// Shared by the stand-in tests: a private scratch folder, firmware database
// and registry base per test, and polling reads of firmware items.
#pragma once
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "ProgramHarness.h"
#include "ProtocolFacts.h"
#include "SavedSettings.h"
#include "SiblingControl.h"
#include "TestSupport.h"

namespace standin_test {

// A database with the items the stand-ins work on: the clock item
// 0x03010011 (kind 1: 3000 MHz and up in 25 MHz steps, steps 0 to 80, now 8),
// two firmware profiles ("Gaming": clock 32 behind another setting;
// "Silent": clock 12), the engine's mode item 0x0B000001 (now 0x8000), the
// active-profile item (now 0) and the auto-mode switch (now 1).
extern const char kDatabase[];

using facts::kActiveProfileItem;
using facts::kAutoSwitchItem;
using facts::kClockItem;
using facts::kModeItem;

// A scratch folder under %TEMP% with its database and log paths, and a
// private registry base under "Software\" in both HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE, all removed on destruction.
class Scratch {
public:
    explicit Scratch(const std::string& name) : folder_(name), log_(folder_.Path() + "standin.log") {}

    const std::string& Folder() const { return folder_.Path(); }
    const std::string& Database() const { return database_.Path(); }
    const std::string& Log() const { return log_; }
    // With its trailing backslash, as RAVELO_SIM_REGISTRY_BASE takes it.
    const std::string& RegistryBase() const { return registry_.Base(); }
    const testsupport::PrivateRegistry& Registry() const { return registry_; }

    // Writes the text as the database and points this process's OVACPI.DLL at it.
    bool WriteDatabase(const std::string& text) const {
        SetEnvironmentVariableA("OVACPI_DB", database_.Path().c_str());
        return database_.Write(text);
    }

private:
    testsupport::TempFolder folder_;
    std::string log_;
    testsupport::FirmwareDatabase database_{std::string(), folder_.Path()};
    testsupport::PrivateRegistry registry_{"Sibling"};
};

using harness::ReadFirmwareItem;
using harness::WriteFirmwareItem;
// Polls until the item holds the value; false after timeoutMs.
using harness::WaitForFirmwareItem;

// A generous bound for anything a stand-in does in answer to a message.
constexpr DWORD kWaitMs = 20000;

// A stand-in's case: its scratch folder and registry base, the database
// written afresh at the start, and the environment and log of the stand-in.
class StandinTest : public ::testing::Test {
protected:
    explicit StandinTest(const std::string& name) : scratch_(name) {}
    void SetUp() override { ASSERT_TRUE(scratch_.WriteDatabase(kDatabase)); }

    siblings::SiblingEnvironment Environment() const {
        siblings::SiblingEnvironment environment;
        environment.database = scratch_.Database();
        environment.log = scratch_.Log();
        environment.registryBase = scratch_.RegistryBase();
        return environment;
    }
    std::string Log() const { return siblings::ReadTextFile(scratch_.Log()); }
    bool LogShows(const std::string& text) const { return siblings::WaitForLogText(scratch_.Log(), text, kWaitMs); }
    size_t LogLines(const std::string& text) const { return siblings::CountLogLines(scratch_.Log(), text); }

    Scratch scratch_;
};

} // namespace standin_test

#include "ActionsTestSupport.h"

#include "settings/Config.h"
#include "suite/KelvoEngine.h"
#include "suite/OcEngine.h"

namespace actions_test {

const char kClockItemLine[] = "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81\n";
const char kProfileLines[] = "list 0x05080002 0 name=\"OC Profiles\" text=\"Gaming\" text=\"Silent\"\n"
                             "record 0x05080002 0 0x03020012=21 0x03010011=32\n"
                             "record 0x05080002 1 0x03010011=12\n";
const char kModeItemLine[] =
    "number 0x0B000001 0x8000 name=\"Engine Mode\" base=0 step=1 count=32769 accept=0,1,2,0x4000,0x8000\n";
const char kActiveProfileLine[] =
    "number 0x11060008 0 name=\"Active OC Profile\" base=0 step=1 count=5 accept=0,1,2,3,4\n";
const char kAutoSwitchOnLine[] = "switch 0x11070010 1 name=\"Engine Auto Mode\"\n";

std::string StandardFirmware() {
    return std::string(kClockItemLine) + kProfileLines + kModeItemLine + kActiveProfileLine + kAutoSwitchOnLine;
}

testsupport::TempFolder* ActionsFixture::folder_ = nullptr;
std::string ActionsFixture::profiles_;
FirmwareDatabase* ActionsFixture::firmware_ = nullptr;
PrivateRegistry* ActionsFixture::registry_ = nullptr;
RecordingWindows* ActionsFixture::windows_ = nullptr;

void ActionsFixture::SetUpTestSuite() {
    folder_ = new testsupport::TempFolder();
    profiles_ = folder_->Path() + "profiles\\";
    CreateDirectoryA(profiles_.c_str(), nullptr);
    CreateDirectoryA((profiles_ + "Default").c_str(), nullptr);
    firmware_ = new FirmwareDatabase(StandardFirmware(), folder_->Path());
    registry_ = new PrivateRegistry("Actions");
    windows_ = new RecordingWindows();
    SetProfilesFolderOverride(profiles_);
    Config::Instance().SetSettingsKey(HKEY_CURRENT_USER, registry_->Base() + "Ravelo Profile");
    OcEngine::SetRegistryBase(registry_->Base());
    KelvoEngine::SetRegistryBase(registry_->Base());
}

void ActionsFixture::TearDownTestSuite() {
    OcEngine::SetRegistryBase(std::string());
    KelvoEngine::SetRegistryBase(std::string());
    Config::Instance().SetSettingsKey(nullptr, std::string());
    SetProfilesFolderOverride(std::string());
    delete windows_;
    delete registry_;
    delete firmware_;
    delete folder_;
}

void ActionsFixture::UseFirmware(const std::string& text) {
    ASSERT_TRUE(firmware_->Write(text));
    OcEngine::ForgetClockItem();
    OcEngine::Instance().Reset();
    KelvoEngine::Instance().ForgetCachedAnswers();
    Config::Instance().ResetProfileList();
}

void ActionsFixture::BindButton(char button, DWORD index, const std::string& name) {
    const std::string letter(1, button);
    ASSERT_TRUE(
        registry_->SetDword(HKEY_CURRENT_USER, "Ravelo Profile", ("RRProfile" + letter + "Index").c_str(), index));
    ASSERT_TRUE(
        registry_->SetString(HKEY_CURRENT_USER, "Ravelo Profile", ("RRProfile" + letter + "Name").c_str(), name));
}

} // namespace actions_test

#include "BenchRig.h"

#include "OsdWatcher.h"
#include "ProtocolFacts.h"
#include "settings/Config.h"

namespace bench {

namespace {

constexpr char kProgramFile[] = "RaveloRemote.exe";

} // namespace

BenchRig::~BenchRig() { KillProgram(); }

bool BenchRig::Prepare(std::string& error) {
    dist_ = testsupport::DistFolder();
    if (dist_.empty() || !testsupport::FileExists(dist_ + kProgramFile)) {
        error = "no " + std::string(kProgramFile) + " in the program folder (RAVELO_DIST): " + dist_;
        return false;
    }
    for (const std::string& tool :
         {ServiceControl::DefaultServicePath(), siblings::ApexExecutable(), siblings::KelvoExecutable()}) {
        if (!testsupport::FileExists(tool)) {
            error = "missing " + tool + " (RAVELO_BIN)";
            return false;
        }
    }
    // This process and every child talk to a service of their own.
    if (!suite_.Prepare()) {
        error = "cannot copy the shipped firmware database into " + suite_.Folder();
        return false;
    }

    // Button A on the first firmware profile ("Gaming", 3800 MHz) over a
    // default profile of 3100 MHz, so that key 144 switches it on and off.
    Config& config = Config::Instance();
    auto save = [this](HKEY root, const std::string& path, const char* name) -> const testsupport::SavedValue& {
        savedValues_.push_back(std::make_unique<testsupport::SavedValue>(root, path, name));
        return *savedValues_.back();
    };
    bool ok = save(config.SettingsRootKey(), config.SettingsKeyPath(), "RRProfileAIndex").SetDword(0);
    ok = save(config.SettingsRootKey(), config.SettingsKeyPath(), "RRProfileAName").SetString("Gaming") && ok;
    // A calibrated engine, so that key 148 shows the auto display and not
    // the calibration notice.
    for (int n = 1; n <= 6; ++n)
        ok = save(HKEY_LOCAL_MACHINE, "Software\\Orva\\Drivo3", ("Threshold" + std::to_string(n)).c_str())
                 .SetDword(static_cast<DWORD>(10 * n)) &&
             ok;
    ok = save(HKEY_CURRENT_USER, "Software\\Orva\\Drivo3\\Advance", "CalibrationNeeded").SetDword(0) && ok;
    const std::string profiles = ProfilesFolder();
    CreateDirectoryA((profiles + "Default").c_str(), nullptr);
    defaultProfile_ = std::make_unique<testsupport::SavedFile>(profiles + "Default\\Default.oc");
    ok = testsupport::WriteProfileFile(profiles + "Default\\Default.oc", 1, 1, {{profile::kClockSetting, 4}}) && ok;
    if (!ok) {
        error = "cannot write the settings the displays need (registry, profiles folder)";
        return false;
    }
    return true;
}

bool BenchRig::UseProgramFolder(const std::string& dist) {
    if (dist.empty() || !testsupport::FileExists(dist + kProgramFile))
        return false;
    dist_ = dist;
    return true;
}

bool BenchRig::StartProgram(const std::vector<std::string>& environment, StartTimes* times, DWORD timeoutMs,
                            std::string& error) {
    KillProgram();
    const bool service = suite_.ServiceRunning();
    unsigned attemptsBefore = 0;
    if (service && !ServiceControl::QueryAttempts(attemptsBefore)) {
        error = "the service does not answer";
        return false;
    }
    StartTimes measured;
    const double start = NowMs();
    if (!program_.Launch(dist_, environment)) {
        error = "cannot start " + dist_ + kProgramFile;
        return false;
    }
    for (;;) {
        const double now = NowMs() - start;
        if (!program_.Running()) {
            error = "the program ended during start-up with exit code " +
                    std::to_string(program_.Process().ExitCode()) + " (another copy running in this Wine session?)";
            return false;
        }
        if (service && measured.registeredMs < 0) {
            unsigned attempts = 0;
            if (ServiceControl::QueryAttempts(attempts) && attempts > attemptsBefore)
                measured.registeredMs = now;
        }
        // Start-up has ended when the six players exist and the application
        // window, shown once during start-up, is hidden again.
        if (measured.readyMs < 0 && program_.Ready(false, facts::kMovieCount))
            measured.readyMs = now;
        if (measured.readyMs >= 0 && (!service || measured.registeredMs >= 0))
            break;
        if (now > timeoutMs) {
            error = "the program did not finish its start-up within " + std::to_string(timeoutMs) + " ms";
            return false;
        }
        Sleep(1);
    }
    if (service && !program_.WaitRegistered(10000)) {
        error = "the service does not list the program as registered";
        return false;
    }
    if (times != nullptr)
        *times = measured;
    return true;
}

bool BenchRig::QuitProgram(double* quitMs) {
    if (!program_.Running())
        return true;
    const double start = NowMs();
    const bool sent = ServiceControl::SendQuit() == ServiceControl::Outcome::Posted;
    const bool ended = sent && program_.Process().Wait(30000);
    if (quitMs != nullptr)
        *quitMs = NowMs() - start;
    if (!ended)
        KillProgram();
    return ended;
}

void BenchRig::KillProgram() {
    if (program_.Running()) {
        program_.Kill();
        program_.Process().Wait(10000);
    }
}

bool BenchRig::Press(LONG code) const { return ServiceControl::SendKey(code) == ServiceControl::Outcome::Posted; }

bool BenchRig::ReadActiveProfile(LONG& value) { return harness::ReadFirmwareItem(facts::kActiveProfileItem, value); }

bool BenchRig::WriteActiveProfile(LONG value) { return harness::WriteFirmwareItem(facts::kActiveProfileItem, value); }

} // namespace bench

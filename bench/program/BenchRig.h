// The simulated suite the bench runs the program in (the tests' harness:
// a private service channel and firmware database, the service, the
// stand-ins of the overclocking program and the power-saving engine), the
// settings the displays need (put back as they were at the end), and the
// program itself from the installed program folder, with the times of its
// start-up.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ProgramHarness.h"
#include "SavedSettings.h"

namespace bench {

// Times of one program start, in ms after the process was created.
struct StartTimes {
    double registeredMs = -1; // the service received the registration call
    double readyMs = -1;      // every window made and the application window hidden again
};

class BenchRig {
public:
    BenchRig() = default;
    ~BenchRig();
    BenchRig(const BenchRig&) = delete;
    BenchRig& operator=(const BenchRig&) = delete;

    // Folder, firmware, settings; false (with the reason) when the program
    // folder or the stand-ins are missing.
    bool Prepare(std::string& error);
    const std::string& Folder() const { return suite_.Folder(); }
    std::string DistFolder() const { return dist_; }
    // The program folder the next StartProgram starts from (a compare run
    // switches between two); false when it holds no program.
    bool UseProgramFolder(const std::string& dist);

    bool StartService() { return suite_.StartService(); }
    bool StopService() { return suite_.StopService(); }
    bool ServiceRunning() const { return suite_.ServiceRunning(); }
    bool StartApex() { return suite_.StartApex(); }
    bool StartKelvo() { return suite_.StartKelvo(); }
    void StopKelvo() { suite_.StopKelvo(); }
    void StopApex() { suite_.StopApex(); }

    // Starts RaveloRemote.exe with extra environment entries and waits for
    // its start-up (registration only when the service runs); the times go
    // to times when given. False when it did not come up within timeoutMs
    // (error says why).
    bool StartProgram(const std::vector<std::string>& environment, StartTimes* times, DWORD timeoutMs,
                      std::string& error);
    // Quit by the service's message; killed when it does not end in time.
    // The time from the message to the exit goes to quitMs when given.
    bool QuitProgram(double* quitMs = nullptr);
    void KillProgram();
    bool ProgramRunning() const { return program_.Running(); }
    DWORD ProgramId() const { return program_.Id(); }
    bool ProgramRegistered() const { return program_.IsRegistered(); }

    // Posts one remote key through the service.
    bool Press(LONG code) const;

    // The firmware's active-profile item, as the stand-in leaves it.
    static bool ReadActiveProfile(LONG& value);
    static bool WriteActiveProfile(LONG value);

private:
    // The player logs only when a pass asks for it: logging costs time.
    harness::Suite suite_{harness::SuiteOptions{false, 0}};
    std::string dist_;
    std::vector<std::unique_ptr<testsupport::SavedValue>> savedValues_;
    std::unique_ptr<testsupport::SavedFile> defaultProfile_;
    harness::Program program_;
};

} // namespace bench

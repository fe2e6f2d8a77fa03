// A worker thread, created suspended. A thread that frees itself on
// terminate owns its object: start it with StartDetached and keep no
// pointer to it.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "win32/Handles.h"

namespace gui {

class Thread {
public:
    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts a thread that the caller keeps and waits for.
    void Start();

    // Hands the thread its own object and starts it; the object is
    // destroyed on the thread when Execute returns. False when the system
    // thread could not be created (the object is then destroyed here);
    // error receives the system's error code.
    static bool StartDetached(std::unique_ptr<Thread> thread, DWORD* error = nullptr);

    // For tests: while set, creating a thread fails as it does when the
    // system is out of resources.
    static void FailCreationForTesting(bool fail);

    DWORD ThreadId() const { return threadId_; }
    // The system's error code when the thread could not be created, else 0.
    DWORD CreationError() const { return creationError_; }

protected:
    virtual void Execute() = 0;
    // Runs call on the GUI thread and waits for it.
    static void Synchronize(const std::function<void()>& call);

private:
    static DWORD WINAPI ThreadProc(void* parameter);

    win32::UniqueHandle handle_;
    DWORD threadId_ = 0;
    DWORD creationError_ = 0;
    bool freeOnTerminate_ = false;
    bool started_ = false;
};

} // namespace gui

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
    // destroyed on the thread when Execute returns.
    static void StartDetached(std::unique_ptr<Thread> thread);

    DWORD ThreadId() const { return threadId_; }

protected:
    virtual void Execute() = 0;
    // Runs call on the GUI thread and waits for it.
    static void Synchronize(const std::function<void()>& call);

private:
    static DWORD WINAPI ThreadProc(void* parameter);

    win32::UniqueHandle handle_;
    DWORD threadId_ = 0;
    bool freeOnTerminate_ = false;
    bool started_ = false;
};

} // namespace gui

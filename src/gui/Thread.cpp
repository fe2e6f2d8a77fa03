#include "gui/Thread.h"

#include "gui/Application.h"

namespace gui {

namespace {
bool failCreation = false;

HANDLE CreateSuspended(LPTHREAD_START_ROUTINE proc, void* parameter, DWORD* threadId) {
    if (failCreation) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return CreateThread(nullptr, 0, proc, parameter, CREATE_SUSPENDED, threadId);
}
} // namespace

Thread::Thread() : handle_(CreateSuspended(&Thread::ThreadProc, this, &threadId_)) {
    if (!handle_)
        creationError_ = GetLastError();
}

void Thread::FailCreationForTesting(bool fail) { failCreation = fail; }

Thread::~Thread() {
    // A kept thread that was never started still has its suspended system
    // thread: it has run no code, so end it here instead of leaking it.
    if (handle_ && !started_ && !freeOnTerminate_) {
        started_ = true;
        threadId_ = 0;
        TerminateThread(handle_.Get(), 0);
    }
}

void Thread::Start() {
    if (!handle_ || started_)
        return;
    started_ = true;
    ResumeThread(handle_.Get());
}

bool Thread::StartDetached(std::unique_ptr<Thread> thread, DWORD* error) {
    if (error != nullptr)
        *error = 0;
    if (!thread || !thread->handle_) {
        if (error != nullptr)
            *error = thread ? thread->creationError_ : static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        return false;
    }
    thread->freeOnTerminate_ = true;
    // From here the running thread owns its object (see ThreadProc).
    Thread* raw = thread.release();
    raw->Start();
    return true;
}

void Thread::Synchronize(const std::function<void()>& call) { Application::Instance().Synchronize(call); }

DWORD WINAPI Thread::ThreadProc(void* parameter) {
    auto* self = static_cast<Thread*>(parameter);
    std::unique_ptr<Thread> owned(self->freeOnTerminate_ ? self : nullptr);
    try {
        self->Execute();
    } catch (...) {
        // A worker has nobody to report to; it ends quietly.
    }
    return 0;
}

} // namespace gui

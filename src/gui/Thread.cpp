#include "gui/Thread.h"

#include "gui/Application.h"

namespace gui {

Thread::Thread() : handle_(CreateThread(nullptr, 0, &Thread::ThreadProc, this, CREATE_SUSPENDED, &threadId_)) {}

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

void Thread::StartDetached(std::unique_ptr<Thread> thread) {
    if (!thread || !thread->handle_)
        return;
    thread->freeOnTerminate_ = true;
    // From here the running thread owns its object (see ThreadProc).
    Thread* raw = thread.release();
    raw->Start();
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

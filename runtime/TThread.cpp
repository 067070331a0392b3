#include "runtime/TThread.h"

#include "runtime/Application.h"
#include "runtime/SwallowedError.h"
#include "runtime/ThreadPriority.h"

namespace trimora {

TThread::TThread(bool CreateSuspended) {
    Application::Instance();  // threads are made on the GUI thread; bind it now at the latest
    if (!CreateSuspended) Start();
}

TThread::~TThread() {
    if (FThread.joinable()) {
        // A derived class should have stopped us; never leave a running thread behind.
        Terminate();
        FThread.join();
    }
}

void TThread::Start() {
    if (FStarted) return;
    FStarted = true;
    FThread = std::thread([this] { Run(); });
}

void TThread::Run() {
    FTid.store(CurrentOsThreadId());
    ApplyPriority();
    try {
        Execute();
    } catch (...) {
        // An error that reaches here ends the thread, as an unhandled one would.
        ReportSwallowed("a worker thread", std::current_exception());
    }
    FFinished.store(true);
    Application::Instance().WorkerEnded();
}

void TThread::WaitFor() {
    if (!FStarted) return;
    if (Application::Instance().IsGuiThread() && !FFinished.load())
        Application::Instance().ServeHandOversUntil([this] { return FFinished.load(); });
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TThread::StopAndWait() {
    Terminate();
    WaitFor();
}

void TThread::Synchronize(const std::function<void()>& Call) {
    Application::Instance().Synchronize(Call);
}

void TThread::SetPriority(TThreadPriority Value) {
    FPriority.store(Value);
    ApplyPriority();
}

void TThread::ApplyPriority() {
    int tid = FTid.load();
    if (tid == 0) return;  // applied when the thread starts
    SetOsThreadPriority(tid, FPriority.load());
}

}  // namespace trimora

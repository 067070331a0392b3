#include "app/qt/TerminationSignals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace trimora {

namespace {

sigset_t TerminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void TTerminationSignals::BlockInAllThreads() {
    const sigset_t set = TerminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TTerminationSignals::TTerminationSignals(QObject* Parent) : QObject(Parent) {
    // A blocked signal stays pending until it is read from the descriptor: no handler runs in
    // signal context, and no thread is interrupted by it.
    const sigset_t set = TerminationSet();
    FFd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (FFd < 0) return;
    FNotifier = new QSocketNotifier(FFd, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] { ReadPending(); });
}

TTerminationSignals::~TTerminationSignals() {
    delete FNotifier;
    if (FFd >= 0) ::close(FFd);
}

void TTerminationSignals::ReadPending() {
    signalfd_siginfo info;
    while (::read(FFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        FRequested = true;
        emit TerminationRequested(static_cast<int>(info.ssi_signo));
        if (OnRequested) OnRequested();
    }
}

}  // namespace trimora

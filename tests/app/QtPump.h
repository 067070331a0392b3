#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <thread>

namespace trimora::test {

// Runs the GUI thread's Qt events until Done() or the deadline; true if Done().
template <typename Pred>
bool PumpUntil(Pred Done, int Milliseconds = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!Done()) {
        if (clock.elapsed() > Milliseconds) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline void PumpFor(int Milliseconds) {
    PumpUntil([] { return false; }, Milliseconds);
}

}  // namespace trimora::test

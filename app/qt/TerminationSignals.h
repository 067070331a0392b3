#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace trimora {

// Turns SIGINT and SIGTERM into a Qt signal delivered by the GUI thread's event loop, so that a
// termination request closes the window the way the operator would.
class TTerminationSignals : public QObject {
    Q_OBJECT
  public:
    // Blocks the two signals in the calling thread and in every thread it creates later. Call it
    // first thing in main(), before any thread exists.
    static void BlockInAllThreads();

    explicit TTerminationSignals(QObject* Parent = nullptr);
    ~TTerminationSignals() override;

    bool Requested() const { return FRequested; }
    // False when the signals could not be watched (they were not blocked first).
    bool Watching() const { return FFd >= 0; }

    // Called on the GUI thread for each request, after TerminationRequested.
    std::function<void()> OnRequested;

  signals:
    void TerminationRequested(int Signal);

  private:
    void ReadPending();

    int FFd = -1;
    QSocketNotifier* FNotifier = nullptr;
    bool FRequested = false;
};

}  // namespace trimora

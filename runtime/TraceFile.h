#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "runtime/TMemo.h"
#include "runtime/TraceLog.h"

namespace trimora {

// Appends lines to a file, each after the time of day ("14:02:33.125 "), one write per line as
// it comes, so that a crash loses nothing already written. The file is UTF-8 (AsUtf8). The first
// failure (the file cannot be opened or written) is reported once on stderr and ends tracing to the
// file; the program goes on. Safe from any thread.
class TTraceFile : public TTraceLog {
  public:
    explicit TTraceFile(std::string Path);
    ~TTraceFile() override;
    TTraceFile(const TTraceFile&) = delete;
    TTraceFile& operator=(const TTraceFile&) = delete;

    void WriteLine(const std::string& Line) override;
    // False once a failure has ended tracing to the file.
    bool Writing() const { return FFile.load() != -1; }
    const std::string& Path() const { return FPath; }

  private:
    void Fail(const char* What, int Error);

    const std::string FPath;
    std::mutex FMutex;                     // one line at a time, whole
    std::atomic<std::intptr_t> FFile{-1};  // the open file, -1 when none
};

// A trace pane that keeps nothing: each line goes on to Log as it is added, so a long session
// does not grow the pane.
class TTraceLogPane : public TMemo {
  public:
    explicit TTraceLogPane(TTraceLog& Log);
};

}  // namespace trimora

#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "runtime/Application.h"
#include "runtime/TraceLog.h"

namespace trimora::test {

// Stands in for the --trace file while it lives, keeping the lines written to it.
class RecordingTraceLog : public TTraceLog {
  public:
    RecordingTraceLog() { Application::Instance().SetTraceLog(this); }
    ~RecordingTraceLog() override { Application::Instance().SetTraceLog(nullptr); }
    RecordingTraceLog(const RecordingTraceLog&) = delete;
    RecordingTraceLog& operator=(const RecordingTraceLog&) = delete;

    void WriteLine(const std::string& Line) override {
        std::lock_guard lock(FMutex);
        FLines.push_back(Line);
    }
    std::vector<std::string> Lines() const {
        std::lock_guard lock(FMutex);
        return FLines;
    }

  private:
    mutable std::mutex FMutex;
    std::vector<std::string> FLines;
};

}  // namespace trimora::test

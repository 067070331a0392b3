#include <gtest/gtest.h>

#include <stdexcept>

#include "runtime/SwallowedError.h"
#include "runtime/TThread.h"
#include "tests/common/RecordingTraceLog.h"

using namespace trimora;

namespace {

std::exception_ptr Caught(void (*Throw)()) {
    try {
        Throw();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

class FailingWorker : public TThread {
  public:
    FailingWorker() : TThread(true) { Start(); }
    ~FailingWorker() override { StopAndWait(); }

  protected:
    void Execute() override { throw std::runtime_error("worker failed"); }
};

}  // namespace

TEST(SwallowedError, TheLineNamesThePlaceAndTheError) {
    struct Case {
        const char* Name;
        std::exception_ptr Error;
        const char* Line;
    };
    const Case cases[] = {
        {"std::exception", Caught([] { throw std::runtime_error("boom"); }),
         "error ignored in the test: boom"},
        {"other type", Caught([] { throw 5; }),
         "error ignored in the test: an error of unknown type"},
        {"none", nullptr, "error ignored in the test: no error"},
    };
    for (const Case& c : cases) EXPECT_EQ(SwallowedLine("the test", c.Error), c.Line) << c.Name;
}

TEST(SwallowedError, AWorkerThreadsErrorReachesTheTraceLog) {
    test::RecordingTraceLog log;
    {
        FailingWorker worker;
        worker.WaitFor();
        EXPECT_TRUE(worker.Finished());
    }
    EXPECT_EQ(log.Lines(),
              std::vector<std::string>{"error ignored in a worker thread: worker failed"});
}

#include "runtime/TraceFile.h"

#include <cstdio>

#include "runtime/OsFile.h"
#include "runtime/TextEncoding.h"

namespace trimora {

TTraceFile::TTraceFile(std::string Path) : FPath(std::move(Path)) {
    std::intptr_t file = NoOsFile;
    if (int e = OpenForAppend(FPath, file))
        Fail("open", e);
    else
        FFile.store(file);
}

TTraceFile::~TTraceFile() {
    std::lock_guard lock(FMutex);
    CloseOsFile(FFile.exchange(NoOsFile));
}

void TTraceFile::WriteLine(const std::string& Line) {
    if (FFile.load() == NoOsFile) return;
    // Stamped under the lock, so that lines from several threads stand in the file in the
    // order of their times.
    std::lock_guard lock(FMutex);
    const std::string text = LocalTimeOfDayStamp() + AsUtf8(Line) + "\n";
    const std::intptr_t file = FFile.load();
    if (file == NoOsFile) return;
    if (int e = AppendBytes(file, text.data(), text.size())) {
        Fail("write", e);
        CloseOsFile(FFile.exchange(NoOsFile));
    }
}

void TTraceFile::Fail(const char* What, int Error) {
    std::fprintf(stderr, "trimora: cannot %s the trace file %s: %s; tracing to it stops\n", What,
                 FPath.c_str(), OsErrorText(Error).c_str());
}

TTraceLogPane::TTraceLogPane(TTraceLog& Log) {
    OnLineAdded = [this, &Log](const std::string& Line) {
        Log.WriteLine(Line);
        Clear();
    };
}

}  // namespace trimora

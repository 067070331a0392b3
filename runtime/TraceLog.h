#pragma once

#include <string>

namespace trimora {

// Where lines for support go besides the window: the --trace file when there is one. Any thread
// may write; a line is one text without its line end.
class TTraceLog {
  public:
    virtual ~TTraceLog() = default;
    virtual void WriteLine(const std::string& Line) = 0;
};

}  // namespace trimora

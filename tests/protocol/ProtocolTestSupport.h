#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "runtime/Application.h"

namespace trimora::testing {

inline std::string Bytes(std::initializer_list<int> B) {
    std::string s;
    for (int v : B) s += static_cast<char>(v);
    return s;
}

// A well-formed frame: N is the number of data bytes given, the reserved byte is Reserved.
inline std::string Frame(int Command, int Id, std::initializer_list<int> Data, int Reserved = 0) {
    std::string f = Bytes({0x3E, Command, Id, static_cast<int>(Data.size())});
    f += Bytes(Data);
    f += Bytes({Reserved, 0x21});
    return f;
}

// Fixed user formats for the duration of a test; the process-wide ones come back afterwards.
class FormatOverride {
  public:
    FormatOverride() : FSaved(Application::Instance().FormatSettings()) {}
    ~FormatOverride() { Application::Instance().FormatSettings() = FSaved; }
    TFormatSettings& operator*() { return Application::Instance().FormatSettings(); }
    TFormatSettings* operator->() { return &Application::Instance().FormatSettings(); }

  private:
    TFormatSettings FSaved;
};

}  // namespace trimora::testing

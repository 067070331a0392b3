#pragma once

#include <string>

namespace trimora::sim {

// The master side of a fresh pseudo-terminal, raw and non-blocking. A slave descriptor stays
// open inside so that the master does not report a hang-up before the host has opened the
// slave or between two opens of it; closing the master still hangs the host's slave up.
class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal() { Close(); }

    // False with Error set when the system refuses a step.
    bool Open(std::string& Error);
    void Close();
    bool IsOpen() const { return FMaster >= 0; }
    int MasterFd() const { return FMaster; }
    const std::string& SlavePath() const { return FSlavePath; }

  private:
    int FMaster = -1;
    int FKeepAliveSlave = -1;
    std::string FSlavePath;
};

}  // namespace trimora::sim

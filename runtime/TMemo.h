#pragma once

#include <functional>
#include <string>
#include <vector>

#include "runtime/TObject.h"

namespace trimora {

// A multi-line text pane: the protocol's trace and HR log write into it. Lines are byte strings.
class TMemo : public TObject {
  public:
    void Add(const std::string& Line);
    void Clear();
    int Count() const { return static_cast<int>(FLines.size()); }
    const std::string& Line(int Index) const { return FLines.at(Index); }
    const std::vector<std::string>& Lines() const { return FLines; }
    // The whole text, each line ended by CR LF.
    std::string Text() const;
    // Replaces the file's content with Text(); throws std::runtime_error when it cannot.
    void SaveToFile(const std::string& Path) const;

    // Lets a view mirror the pane; called after each added line.
    std::function<void(const std::string&)> OnLineAdded;

  private:
    std::vector<std::string> FLines;
};

}  // namespace trimora

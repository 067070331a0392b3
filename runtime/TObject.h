#pragma once

namespace trimora {

// Root of every class the program builds from components.
class TObject {
  public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

}  // namespace trimora

#pragma once

#include <memory>

namespace trimora {

// Held by an object whose handlers may destroy it. Code that calls out takes a TAliveGuard
// first and, once the call returns, touches nothing of the object if it is gone.
class TLifeToken {
  public:
    TLifeToken() = default;
    TLifeToken(const TLifeToken&) = delete;
    TLifeToken& operator=(const TLifeToken&) = delete;

  private:
    friend class TAliveGuard;
    template <typename, typename>
    friend class TScopedValue;
    std::shared_ptr<char> FToken = std::make_shared<char>(0);
};

// Tells whether the owner of a life token still exists.
class TAliveGuard {
  public:
    explicit TAliveGuard(const TLifeToken& Token) : FToken(Token.FToken) {}
    bool Alive() const { return !FToken.expired(); }
    bool Gone() const { return FToken.expired(); }

  private:
    std::weak_ptr<char> FToken;
};

// Gives Variable the value During for the scope and After when the scope ends, however it ends
// (an exception, an early return). Variable may be an atomic. Given its owner's life token, it
// leaves Variable alone when a handler destroyed the owner meanwhile.
template <typename TVariable, typename TValue = TVariable>
class TScopedValue {
  public:
    TScopedValue(TVariable& Variable, TValue During, TValue After,
                 const TLifeToken* OwnerLife = nullptr)
        : FVariable(Variable), FAfter(After), FOwned(OwnerLife != nullptr) {
        if (FOwned) FOwner = OwnerLife->FToken;
        FVariable = During;
    }
    ~TScopedValue() {
        if (!FOwned || !FOwner.expired()) FVariable = FAfter;
    }
    TScopedValue(const TScopedValue&) = delete;
    TScopedValue& operator=(const TScopedValue&) = delete;

  private:
    TVariable& FVariable;
    const TValue FAfter;
    const bool FOwned;
    std::weak_ptr<char> FOwner;
};

// A re-entrancy flag raised for the scope: set now, cleared when the scope ends.
class TFlagScope : public TScopedValue<bool> {
  public:
    explicit TFlagScope(bool& Flag) : TScopedValue(Flag, true, false) {}
    TFlagScope(bool& Flag, const TLifeToken& OwnerLife)
        : TScopedValue(Flag, true, false, &OwnerLife) {}
};

}  // namespace trimora

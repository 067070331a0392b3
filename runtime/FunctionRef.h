#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace trimora {

template <class Signature>
class TFunctionRef;

// A callable passed down a call without being stored: unlike std::function it never copies
// the callable nor allocates. It must not outlive the callable it refers to.
template <class R, class... Args>
class TFunctionRef<R(Args...)> {
  public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TFunctionRef>>>
    TFunctionRef(F&& Callable)  // NOLINT: converts implicitly, as a std::function parameter does
        : FObject(const_cast<void*>(static_cast<const void*>(std::addressof(Callable)))),
          FCall([](void* Object, Args... A) -> R {
              return (*static_cast<std::add_pointer_t<std::remove_reference_t<F>>>(Object))(
                  std::forward<Args>(A)...);
          }) {}

    R operator()(Args... A) const { return FCall(FObject, std::forward<Args>(A)...); }

  private:
    void* FObject;
    R (*FCall)(void*, Args...);
};

}  // namespace trimora

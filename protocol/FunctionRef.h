#pragma once
// A call passed down without owning it: what a std::function would hold, but
// never allocating, so that the receive path can take one per frame. The
// callable must outlive the reference (an argument of the call it is passed
// to does).
#include <functional>
#include <type_traits>
#include <utility>

template <typename Signature>
class FunctionRef;

template <typename R, typename... Args>
class FunctionRef<R(Args...)> {
 public:
  // A plain function.
  FunctionRef(R (*function)(Args...)) noexcept  // NOLINT: converts like a function pointer
      : call_([](Target target, Args... args) -> R {
          return target.function(std::forward<Args>(args)...);
        }) {
    target_.function = function;
  }

  // Any other callable (a lambda, a function object).
  template <typename F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, FunctionRef> &&
             !std::is_function_v<std::remove_reference_t<F>> && std::is_invocable_r_v<R, F&, Args...>)
  FunctionRef(F&& callable) noexcept  // NOLINT: converts like std::function
      : call_([](Target target, Args... args) -> R {
          return std::invoke(*static_cast<std::remove_reference_t<F>*>(target.object),
                             std::forward<Args>(args)...);
        }) {
    target_.object = const_cast<void*>(static_cast<const void*>(std::addressof(callable)));
  }

  R operator()(Args... args) const { return call_(target_, std::forward<Args>(args)...); }

 private:
  union Target {
    void* object;
    R (*function)(Args...);
  };
  Target target_{};
  R (*call_)(Target, Args...);
};

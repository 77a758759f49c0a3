// Calls posted to the user-interface thread by an object that may be gone when they arrive (a
// window's game ends with its window; a search's result or an engine's wakeup may still be on its
// way). The object keeps a Lifeline and posts its calls through Guard: once it is destroyed they do
// nothing. Everything here runs on the user-interface thread, except copying a Weak() handle.
#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace game {

class Lifeline {
 public:
  using Weak = std::weak_ptr<const char>;
  // A handle to hand to another thread, taken on the user-interface thread.
  Weak Handle() const { return token_; }
  // `call`, to be run only while the owner lives.
  template <typename Call>
  std::function<void()> Guard(Call call) const {
    return Guarded(Handle(), std::move(call));
  }
  template <typename Call>
  static std::function<void()> Guarded(Weak alive, Call call) {
    return [alive = std::move(alive), call = std::move(call)]() mutable {
      if (!alive.expired()) call();
    };
  }

 private:
  std::shared_ptr<const char> token_ = std::make_shared<const char>('\0');
};

}  // namespace game

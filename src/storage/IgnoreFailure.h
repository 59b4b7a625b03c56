#pragma once

#include <utility>

namespace tavex {

// Runs one step of an operation whose steps are independent: whatever the
// step throws is swallowed, so the next step runs. Returns true when the step
// completed. Operations that must never interrupt their caller (writing the
// synchronisation log, loading the message texts) are a sequence of these.
template <typename Step>
bool IgnoreFailure(Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tavex

#pragma once

#include <functional>
#include <string>

namespace tavex {

// Runs `step`, a part of a run that must answer rather than throw, and
// answers its result. A failure it raises answers false; when the failure
// has a description, `prefix` followed by it is written to the
// synchronisation log and handed to `onLogged` (when given), so that a host
// can show the same record.
bool RunLoggingFailure(const std::string& prefix, const std::function<bool()>& step,
                       const std::function<void(const std::string&)>& onLogged = {}) noexcept;

}  // namespace tavex

#include "storage/LoggedRun.h"

#include <exception>

#include "storage/IgnoreFailure.h"
#include "storage/SyncLog.h"

namespace tavex {

bool RunLoggingFailure(const std::string& prefix, const std::function<bool()>& step,
                       const std::function<void(const std::string&)>& onLogged) noexcept {
  try {
    return step();
  } catch (const std::exception& failure) {
    IgnoreFailure([&] {
      const std::string description = failure.what();
      if (description.empty()) return;
      const std::string record = prefix + description;
      WriteSyncLog(record);
      if (onLogged) onLogged(record);
    });
  } catch (...) {
  }
  return false;
}

}  // namespace tavex

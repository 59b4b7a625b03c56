#pragma once

#include <functional>
#include <string>

namespace tavex::test {

// Blocks until `condition` holds, checking it again after each change in
// `folder` (a file made, written, renamed or removed there), without
// sleeping; false when it still does not hold after a minute with no change.
bool WaitForFolder(const std::string& folder, const std::function<bool()>& condition);

}  // namespace tavex::test

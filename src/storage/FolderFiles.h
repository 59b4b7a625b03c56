#pragma once

#include <string>
#include <vector>

namespace tavex {

// The names of the regular files in `folder`, sorted; none when the folder
// does not exist. A folder that exists but cannot be read raises
// std::runtime_error naming it and the system's reason: an unreadable
// folder is never taken for an empty one.
std::vector<std::string> FolderFiles(const std::string& folder);

}  // namespace tavex

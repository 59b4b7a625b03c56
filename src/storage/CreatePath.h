#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace tavex {

// Makes sure every folder level of the absolute path `path` exists, creating
// the missing ones outermost first. The path is split at '/', empty pieces
// (doubled or trailing slashes) are skipped. Returns true when every level
// exists afterwards. Returns false, creating nothing, for an empty, blank or
// relative path; returns false at once when a level is an existing
// non-folder (a regular file) or cannot be created. The levels it creates get
// exactly `permissions` when given, whatever the umask; otherwise what mkdir
// gives under the umask. Existing levels keep theirs. Never throws.
bool CreatePath(const std::string& path, std::optional<mode_t> permissions = std::nullopt) noexcept;

}  // namespace tavex

#pragma once

#include <string>

#include "database/Connection.h"

namespace tavex {

// Raises std::runtime_error when `path` names the file the host database
// lives in (an embedded host): a backup or export written there would
// replace the very database it copies.
void RefuseHostFile(db::Connection& host, const std::string& path);

}  // namespace tavex

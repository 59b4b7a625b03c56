#pragma once

#include <memory>

#include "database/Connection.h"

namespace tavex::db {

// The process-wide shared connection: the host's connection, set once when
// the host hands it over. The process holds a reference and never closes it.
void SetSharedConnection(std::shared_ptr<Connection> connection);
// The shared connection; nullptr when none has been set.
std::shared_ptr<Connection> SharedConnection();

}  // namespace tavex::db

#pragma once

#include <memory>
#include <string>

#include "database/Connection.h"

namespace tavex::db {

// Connects to the existing PostgreSQL database named by the libpq URI `uri`
// ("postgresql://...", a unix socket folder allowed as ?host=/dir).
std::shared_ptr<Connection> OpenPgConnection(const std::string& uri);

}  // namespace tavex::db

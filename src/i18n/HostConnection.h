#pragma once

#include <memory>

#include "database/Connection.h"

namespace tavex {

// The host connection the exchange context holds, for a run that cannot
// work without it; raises db::DbError in the language file's words
// (Msg_NoHostConnection) when the host has handed none over.
std::shared_ptr<db::Connection> RequireHostConnection();

}  // namespace tavex

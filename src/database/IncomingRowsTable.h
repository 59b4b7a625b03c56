#pragma once

#include "database/SqliteHandle.h"

namespace tavex::db::sqlite {

// The virtual table module behind kIncomingRowsTable: the rows of the
// recordset handed to ExecuteOverRows (Handle::incoming), read forward once,
// each counted as ExecuteCountingRows counts. What reading a row throws is
// kept in the handle for ExecuteOverRows to raise again.
inline constexpr const char* kIncomingModuleName = "tavex_incoming";

// Makes the module known to the handle's database.
void RegisterIncomingRowsModule(Handle& handle);

}  // namespace tavex::db::sqlite

#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>

#include "database/Connection.h"

// What the SQLite connection shares with the functions and the virtual table
// it registers on its database.
namespace tavex::db::sqlite {

// The database handle, shared by the connection and its prepared statements
// so that it is closed only after the last statement is finalised.
struct Handle {
  sqlite3* db = nullptr;
  bool closed = false;
  // While ExecuteCountingRows runs: its counter, the rows counted and what
  // the counter threw, kept here because it cannot cross SQLite's frames.
  const RowCounter* counter = nullptr;
  std::int64_t counted = 0;
  std::exception_ptr counterFailure;
  // While ExecuteOverRows runs: the rows its statement reads.
  Recordset* incoming = nullptr;
  // Statements stop once it has passed (Connection::SetDeadline).
  std::optional<std::chrono::steady_clock::time_point> deadline;
  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { sqlite3_close_v2(db); }
};

// Rows read by an SQLite statement of this program: their values can be
// copied from the statement without a conversion.
class StatementRows : public Recordset {
 public:
  // The statement positioned on the current row.
  virtual sqlite3_stmt* CurrentRow() const = 0;
};

}  // namespace tavex::db::sqlite

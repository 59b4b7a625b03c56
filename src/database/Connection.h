#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavex::db {

// Whose a database failure is: the statement's (a constraint, a missing
// table or column, a value of the wrong type: the same statement fails
// again), this machine's (the file locked by another program, the disk full,
// the connection lost: the same statement may well succeed later), or the
// time limit's (see Connection::SetDeadline).
enum class DbFault { Statement, Local, TimeLimit };

// A failure of the database, carrying its own description (what the user sees).
class DbError : public std::runtime_error {
 public:
  explicit DbError(const std::string& description, DbFault fault = DbFault::Statement)
      : std::runtime_error(description), mFault(fault) {}
  DbFault Fault() const { return mFault; }

 private:
  DbFault mFault;
};

enum class Backend { Sqlite, Postgres };

using Blob = std::vector<std::uint8_t>;

// One value bound to a statement or read from a row. Date-times travel as
// text "YYYY-MM-DD HH:MM:SS" on both backends; booleans as integers.
using Value = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;
using Params = std::vector<Value>;

// What a result column holds, as far as creating a matching column elsewhere
// needs to know.
enum class ColumnKind { Integer, Real, Numeric, Text, DateTime, Boolean, Blob, Unknown };

struct Column {
  std::string name;  // as the backend reports it (PostgreSQL: lower case)
  ColumnKind kind = ColumnKind::Unknown;
  std::string declaredType;  // the backend's own type name, may be empty
};

// A forward-only cursor over a query's rows. It holds the statement open
// until it is destroyed or has read past the last row.
class Recordset {
 public:
  virtual ~Recordset() = default;

  virtual const std::vector<Column>& Columns() const = 0;
  // Moves to the next row (the first call moves to the first row); false
  // when there is none.
  virtual bool Next() = 0;
  // The current row's value in column `index`.
  virtual Value Get(std::size_t index) const = 0;

  // Column index by name, ignoring ASCII case; nullopt when there is none.
  std::optional<std::size_t> FindColumn(std::string_view name) const;
  // The current row's value by column name; DbError for an unknown name.
  Value Get(std::string_view name) const;
};

// Called with the running row count while a statement runs; an exception it
// throws stops the statement and reaches the caller of ExecuteCountingRows.
using RowCounter = std::function<void(std::int64_t rows)>;

// The SQL function a statement run by ExecuteCountingRows calls once per row
// it produces: it returns its argument unchanged and counts the call.
inline constexpr std::string_view kCountedRowFunction = "tavex_counted_row";

// The SQL function with which a statement stops at a row it must not take:
// it raises an error whose message is its two arguments, text and value,
// joined. Only SQLite provides it, only in statements this program writes.
inline constexpr std::string_view kRefuseRowFunction = "tavex_refuse_row";

// The table a statement run by ExecuteOverRows reads its rows from.
inline constexpr std::string_view kIncomingRowsTable = "tavex_rows";

enum class TransactionKind {
  Normal,
  // For export-then-mark runs: nothing written by others after the first read
  // may be seen or marked (SQLite BEGIN IMMEDIATE, PostgreSQL REPEATABLE READ).
  Strict,
};

// The stand-in for an ADO connection. Every statement text is rewritten for
// the backend before it runs (Jet / T-SQL forms in, backend SQL out), and
// prepared statements are cached by text. Every failure raises DbError.
class Connection {
 public:
  virtual ~Connection() = default;

  virtual Backend GetBackend() const = 0;
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;

  // Runs one statement with positional "?" parameters; returns the number of
  // rows it changed (0 for statements that change none).
  virtual std::int64_t Execute(std::string_view sql, const Params& params = {}) = 0;
  virtual std::unique_ptr<Recordset> Query(std::string_view sql, const Params& params = {}) = 0;

  // Runs one statement like Execute, calling `onRow` with the number of rows
  // counted so far each time the statement calls kCountedRowFunction, so a
  // long statement can report progress and be stopped. Only SQLite provides
  // the function; elsewhere this raises DbError.
  virtual std::int64_t ExecuteCountingRows(std::string_view sql, const Params& params,
                                           const RowCounter& onRow);

  // Runs one statement that reads the rows of `rows` still to come, once,
  // from the table kIncomingRowsTable, whose columns are those of `rows` in
  // order ("INSERT INTO t (a, b) SELECT * FROM tavex_rows"), calling `onRow`
  // with the running count. An exception from `onRow` or from reading the
  // rows stops the statement and reaches the caller. Only SQLite provides
  // the table (it then moves the rows with no statement per row); elsewhere
  // this raises DbError.
  virtual std::int64_t ExecuteOverRows(std::string_view sql, Recordset& rows,
                                       const RowCounter& onRow);

  // Appends the rows of `rows` still to come through `sql`, a
  // "COPY <table> (<columns>) FROM STDIN" naming as many columns as `rows`
  // has, in order, calling `onRow` with the running count. Each value arrives
  // as it would bound as a parameter. An exception from `onRow` or from
  // reading the rows stops the copy, which then leaves nothing behind, and
  // reaches the caller; inside a transaction a failed copy leaves the
  // transaction usable. Only PostgreSQL provides it (its bulk load, with no
  // statement per row); elsewhere this raises DbError.
  virtual std::int64_t CopyIn(std::string_view sql, Recordset& rows, const RowCounter& onRow);

  // From now on, a statement still running at `deadline` stops with a
  // DbError of DbFault::TimeLimit, and so does every statement started after
  // it; nullopt lifts the limit. Only SQLite keeps a deadline (it checks it
  // while a statement runs); elsewhere this does nothing.
  virtual void SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline);
  // The deadline set last; nullopt when none (always, where none is kept).
  virtual std::optional<std::chrono::steady_clock::time_point> Deadline() const;

  virtual void BeginTrans(TransactionKind kind = TransactionKind::Normal) = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
  virtual bool InTransaction() const = 0;
};

// Opens the package database file at `path` for reading only, as a receiver
// opens a package it has not yet trusted: nothing can be written through the
// connection, and the file's schema is not trusted (no function with side
// effects runs from a view, trigger or column default of the file).
std::shared_ptr<Connection> OpenPackageForReading(const std::string& path);

// Opens an existing database; never creates one. Accepted names:
//   "sqlite:/abs/path.db", a libpq URI "postgresql://..." (or "postgres://"),
//   and the package connection string of PackageConnectionString().
std::shared_ptr<Connection> OpenConnection(const std::string& name);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Persist Security Info=False"
std::string PackageConnectionString(const std::string& path);

}  // namespace tavex::db

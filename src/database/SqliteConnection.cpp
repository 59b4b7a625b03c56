#include "database/SqliteConnection.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <utility>

#include "database/AsciiText.h"
#include "database/IncomingRowsTable.h"
#include "database/SqlTokenizer.h"
#include "database/StatementCache.h"
#include "database/StatementRewriter.h"

namespace tavex::db {
namespace {

using sqlite::Handle;

constexpr int kBusyTimeoutMs = 10000;
constexpr std::size_t kCacheSize = 64;

[[noreturn]] void ThrowClosed() { throw DbError("The connection is closed.", DbFault::Local); }

// How often, in virtual machine steps, a running statement looks at its
// deadline: often enough to stop within a few milliseconds, rarely enough
// to cost nothing measurable.
constexpr int kDeadlineCheckSteps = 10000;

bool DeadlinePassed(const Handle& handle) {
  return handle.deadline && std::chrono::steady_clock::now() >= *handle.deadline;
}

int StopAtDeadline(void* context) { return DeadlinePassed(*static_cast<Handle*>(context)) ? 1 : 0; }

// The failure of the last call on `handle`, with whose fault it is: a
// file locked or unreadable, a full disk or no memory is this machine's;
// an interruption after the deadline is the time limit's; anything else
// (a constraint, a missing table, a damaged file) is the statement's.
DbError LastFailure(const Handle& handle) {
  const int code = sqlite3_extended_errcode(handle.db) & 0xFF;
  DbFault fault = DbFault::Statement;
  switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_NOMEM:
    case SQLITE_READONLY:
    case SQLITE_PROTOCOL:
    case SQLITE_NOLFS:
      fault = DbFault::Local;
      break;
    case SQLITE_INTERRUPT:
      fault = DeadlinePassed(handle) ? DbFault::TimeLimit : DbFault::Local;
      break;
    default:
      break;
  }
  std::string message = sqlite3_errmsg(handle.db);
  if (fault == DbFault::TimeLimit) message = "the time limit was reached (" + message + ")";
  return DbError(message, fault);
}

struct Prepared {
  std::shared_ptr<Handle> handle;
  sqlite3_stmt* stmt = nullptr;
  std::string createdTable;
  Prepared() = default;
  Prepared(const Prepared&) = delete;
  Prepared& operator=(const Prepared&) = delete;
  ~Prepared() { sqlite3_finalize(stmt); }
};

// Makes a statement ready for its next run: open reads finish, locks go.
class ResetGuard {
 public:
  explicit ResetGuard(sqlite3_stmt* stmt) : mStmt(stmt) {}
  ResetGuard(const ResetGuard&) = delete;
  ResetGuard& operator=(const ResetGuard&) = delete;
  ~ResetGuard() { sqlite3_reset(mStmt); }

 private:
  sqlite3_stmt* mStmt;
};

ColumnKind KindOfDeclaredType(std::string_view declared) {
  const std::string type = AsciiLower(declared);
  auto has = [&](std::string_view part) { return type.find(part) != std::string::npos; };
  if (type.empty()) return ColumnKind::Unknown;
  if (has("bool") || type == "bit") return ColumnKind::Boolean;
  if (has("date") || has("time")) return ColumnKind::DateTime;
  if (has("int")) return ColumnKind::Integer;
  if (has("char") || has("clob") || has("text")) return ColumnKind::Text;
  if (has("blob") || has("binary")) return ColumnKind::Blob;
  if (has("real") || has("floa") || has("doub")) return ColumnKind::Real;
  return ColumnKind::Numeric;
}

Value ReadColumn(sqlite3_stmt* stmt, int index) {
  switch (sqlite3_column_type(stmt, index)) {
    case SQLITE_INTEGER:
      return static_cast<std::int64_t>(sqlite3_column_int64(stmt, index));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt, index);
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
      return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, index)));
    }
    case SQLITE_BLOB: {
      const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, index));
      return Blob(data, data + sqlite3_column_bytes(stmt, index));
    }
    default:
      return std::monostate{};
  }
}

// Binds `params` in order. `copy` asks SQLite to copy texts and blobs, for
// statements that outlive the call.
void Bind(sqlite3_stmt* stmt, const Params& params, bool copy) {
  const int expected = sqlite3_bind_parameter_count(stmt);
  if (static_cast<std::size_t>(expected) != params.size()) {
    throw DbError("The statement expects " + std::to_string(expected) + " parameter(s), " +
                  std::to_string(params.size()) + " given.");
  }
  const auto lifetime = copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
  for (int i = 0; i < expected; ++i) {
    const Value& v = params[static_cast<std::size_t>(i)];
    int rc = SQLITE_OK;
    if (const auto* n = std::get_if<std::int64_t>(&v)) {
      rc = sqlite3_bind_int64(stmt, i + 1, *n);
    } else if (const auto* d = std::get_if<double>(&v)) {
      rc = sqlite3_bind_double(stmt, i + 1, *d);
    } else if (const auto* s = std::get_if<std::string>(&v)) {
      rc = sqlite3_bind_text64(stmt, i + 1, s->data(), s->size(), lifetime, SQLITE_UTF8);
    } else if (const auto* b = std::get_if<Blob>(&v)) {
      // An empty vector may have no data pointer, which SQLite binds as NULL.
      rc = b->empty() ? sqlite3_bind_zeroblob(stmt, i + 1, 0)
                      : sqlite3_bind_blob64(stmt, i + 1, b->data(), b->size(), lifetime);
    } else {
      rc = sqlite3_bind_null(stmt, i + 1);
    }
    if (rc != SQLITE_OK) throw DbError(sqlite3_errstr(rc));
  }
}

// A date-only text becomes the stored "YYYY-MM-DD 00:00:00" form.
void DateTimeFunction(sqlite3_context* context, int, sqlite3_value** args) {
  if (sqlite3_value_type(args[0]) == SQLITE_TEXT) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
    const std::string_view view(text, static_cast<std::size_t>(sqlite3_value_bytes(args[0])));
    if (IsDateOnlyText(view)) {
      const std::string full = std::string(view) + " 00:00:00";
      sqlite3_result_text(context, full.c_str(), static_cast<int>(full.size()), SQLITE_TRANSIENT);
      return;
    }
  }
  sqlite3_result_value(context, args[0]);
}

// Counts a row for ExecuteCountingRows and passes its argument through.
void CountedRowFunction(sqlite3_context* context, int, sqlite3_value** args) {
  auto* handle = static_cast<Handle*>(sqlite3_user_data(context));
  if (handle->counter != nullptr && !handle->counterFailure) {
    try {
      (*handle->counter)(++handle->counted);
    } catch (...) {
      handle->counterFailure = std::current_exception();
    }
  }
  if (handle->counterFailure) {
    sqlite3_result_error(context, "Stopped while counting rows.", -1);
    return;
  }
  sqlite3_result_value(context, args[0]);
}

// Stops the statement with the message of its two arguments joined.
void RefuseRowFunction(sqlite3_context* context, int, sqlite3_value** args) {
  std::string message;
  for (int i = 0; i < 2; ++i) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[i]));
    message += text != nullptr ? text : "NULL";
  }
  sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
}

class SqliteRecordset final : public sqlite::StatementRows {
 public:
  SqliteRecordset(std::shared_ptr<Prepared> prepared) : mPrepared(std::move(prepared)) {
    ReadColumns();
  }
  SqliteRecordset(const SqliteRecordset&) = delete;
  SqliteRecordset& operator=(const SqliteRecordset&) = delete;
  ~SqliteRecordset() override { Finish(); }

  const std::vector<Column>& Columns() const override { return mColumns; }

  bool Next() override {
    if (mDone) return false;
    if (mPrepared->handle->closed) ThrowClosed();
    const int rc = sqlite3_step(mPrepared->stmt);
    if (rc == SQLITE_ROW) {
      // A statement prepared before a schema change is prepared again by
      // its first step; its columns may then differ.
      if (mFirst &&
          static_cast<std::size_t>(sqlite3_column_count(mPrepared->stmt)) != mColumns.size()) {
        ReadColumns();
      }
      mFirst = false;
      return true;
    }
    if (rc != SQLITE_DONE) {
      DbError failure = LastFailure(*mPrepared->handle);
      Finish();
      throw failure;
    }
    Finish();
    return false;
  }

  Value Get(std::size_t index) const override {
    if (mDone || mFirst) throw DbError("There is no current row.");
    if (index >= mColumns.size()) throw DbError("Column index out of range.");
    return ReadColumn(mPrepared->stmt, static_cast<int>(index));
  }
  using Recordset::Get;

  // The statement positioned on the current row.
  sqlite3_stmt* CurrentRow() const override {
    if (mDone || mFirst) throw DbError("There is no current row.");
    return mPrepared->stmt;
  }

 private:
  void ReadColumns() {
    mColumns.clear();
    const int count = sqlite3_column_count(mPrepared->stmt);
    for (int i = 0; i < count; ++i) {
      const char* declared = sqlite3_column_decltype(mPrepared->stmt, i);
      Column column;
      column.name = sqlite3_column_name(mPrepared->stmt, i);
      column.declaredType = declared ? declared : "";
      column.kind = KindOfDeclaredType(column.declaredType);
      mColumns.push_back(std::move(column));
    }
  }

  void Finish() {
    if (mDone) return;
    mDone = true;
    sqlite3_reset(mPrepared->stmt);
    sqlite3_clear_bindings(mPrepared->stmt);
  }

  std::shared_ptr<Prepared> mPrepared;
  std::vector<Column> mColumns;
  bool mFirst = true;
  bool mDone = false;
};

// Clears the counting state of a handle when ExecuteCountingRows ends.
class CountingScope {
 public:
  CountingScope(Handle& handle, const RowCounter& counter, Recordset* incoming = nullptr)
      : mHandle(handle) {
    mHandle.counter = &counter;
    mHandle.counted = 0;
    mHandle.counterFailure = nullptr;
    mHandle.incoming = incoming;
  }
  CountingScope(const CountingScope&) = delete;
  CountingScope& operator=(const CountingScope&) = delete;
  ~CountingScope() {
    mHandle.counter = nullptr;
    mHandle.counterFailure = nullptr;
    mHandle.incoming = nullptr;
  }

 private:
  Handle& mHandle;
};

class SqliteConnection final : public Connection {
 public:
  explicit SqliteConnection(std::shared_ptr<Handle> handle)
      : mHandle(std::move(handle)), mCache(kCacheSize) {}
  ~SqliteConnection() override { Close(); }

  Backend GetBackend() const override { return Backend::Sqlite; }
  bool IsOpen() const override { return mHandle != nullptr; }

  void Close() override {
    if (!mHandle) return;
    mCache.Clear();
    mHandle->closed = true;
    mHandle.reset();
    mInTransaction = false;
  }

  std::int64_t Execute(std::string_view sql, const Params& params) override {
    const std::shared_ptr<Prepared> prepared = Prepare(sql);
    sqlite3_stmt* stmt = prepared->stmt;
    const sqlite3_int64 before = sqlite3_total_changes64(mHandle->db);
    {
      ResetGuard reset(stmt);
      Bind(stmt, params, false);
      const int rc = sqlite3_step(stmt);
      if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw LastFailure(*mHandle);
    }
    if (!prepared->createdTable.empty()) return CountRows(prepared->createdTable);
    // sqlite3_changes64 keeps the count of the last INSERT, UPDATE or DELETE,
    // so a statement that changed nothing must not report it.
    if (sqlite3_total_changes64(mHandle->db) == before) return 0;
    return sqlite3_changes64(mHandle->db);
  }

  std::unique_ptr<Recordset> Query(std::string_view sql, const Params& params) override {
    std::shared_ptr<Prepared> prepared = Prepare(sql);
    Bind(prepared->stmt, params, true);
    return std::make_unique<SqliteRecordset>(std::move(prepared));
  }

  std::int64_t ExecuteCountingRows(std::string_view sql, const Params& params,
                                   const RowCounter& onRow) override {
    if (!IsOpen()) ThrowClosed();
    const std::shared_ptr<Handle> handle = mHandle;
    CountingScope scope(*handle, onRow);
    try {
      return Execute(sql, params);
    } catch (const DbError&) {
      if (handle->counterFailure) std::rethrow_exception(handle->counterFailure);
      throw;
    }
  }

  std::int64_t ExecuteOverRows(std::string_view sql, Recordset& rows,
                               const RowCounter& onRow) override {
    if (!IsOpen()) ThrowClosed();
    const std::shared_ptr<Handle> handle = mHandle;
    CountingScope scope(*handle, onRow, &rows);
    Run(("CREATE VIRTUAL TABLE temp." + std::string(kIncomingRowsTable) + " USING " +
         sqlite::kIncomingModuleName)
            .c_str());
    // The table exists only for this statement, whatever its outcome.
    struct Dropper {
      sqlite3* db;
      ~Dropper() {
        const std::string drop = "DROP TABLE temp." + std::string(kIncomingRowsTable);
        sqlite3_exec(db, drop.c_str(), nullptr, nullptr, nullptr);
      }
    } dropper{handle->db};
    try {
      return Execute(sql, {});
    } catch (const DbError&) {
      if (handle->counterFailure) std::rethrow_exception(handle->counterFailure);
      throw;
    }
  }

  void BeginTrans(TransactionKind kind) override {
    if (InTransaction()) throw DbError("A transaction is already open on this connection.");
    Run(kind == TransactionKind::Strict ? "BEGIN IMMEDIATE" : "BEGIN");
    mInTransaction = true;
  }

  void CommitTrans() override {
    RequireTransaction();
    Run("COMMIT");
    mInTransaction = false;
  }

  void RollbackTrans() override {
    RequireTransaction();
    mInTransaction = false;
    Run("ROLLBACK");
  }

  bool InTransaction() const override { return IsOpen() && mInTransaction; }

  std::optional<std::chrono::steady_clock::time_point> Deadline() const override {
    return IsOpen() ? mHandle->deadline : std::nullopt;
  }

  void SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) override {
    if (!IsOpen()) ThrowClosed();
    mHandle->deadline = deadline;
    if (deadline) {
      sqlite3_progress_handler(mHandle->db, kDeadlineCheckSteps, StopAtDeadline, mHandle.get());
    } else {
      sqlite3_progress_handler(mHandle->db, 0, nullptr, nullptr);
    }
  }

 private:
  void RequireTransaction() const {
    if (!IsOpen()) ThrowClosed();
    if (!mInTransaction) throw DbError("No transaction is open on this connection.");
  }

  void Run(const char* sql) {
    if (!IsOpen()) ThrowClosed();
    if (sqlite3_exec(mHandle->db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
      throw LastFailure(*mHandle);
    }
  }

  // The cached statement for `sql`, or a fresh one while the cached one is
  // still held open by a recordset.
  std::shared_ptr<Prepared> Prepare(std::string_view sql) {
    if (!IsOpen()) ThrowClosed();
    if (std::shared_ptr<Prepared>* cached = mCache.Find(sql)) {
      if (cached->use_count() == 1) return *cached;
      return Compile(sql);
    }
    return mCache.Insert(std::string(sql), Compile(sql));
  }

  std::shared_ptr<Prepared> Compile(std::string_view sql) {
    RewrittenStatement rewritten = RewriteStatement(sql, Backend::Sqlite);
    auto prepared = std::make_shared<Prepared>();
    prepared->handle = mHandle;
    prepared->createdTable = std::move(rewritten.createdTable);
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(mHandle->db, rewritten.text.c_str(),
                                      static_cast<int>(rewritten.text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &prepared->stmt, &tail);
    if (rc != SQLITE_OK) throw LastFailure(*mHandle);
    if (prepared->stmt == nullptr) throw DbError("The statement is empty.");
    if (tail != nullptr &&
        std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string::npos) {
      throw DbError("Only one statement can run at a time.");
    }
    return prepared;
  }

  std::int64_t CountRows(const std::string& table) {
    auto rows = Query("SELECT count(*) FROM " + table, {});
    rows->Next();
    return std::get<std::int64_t>(rows->Get(std::size_t{0}));
  }

  std::shared_ptr<Handle> mHandle;
  StatementCache<std::shared_ptr<Prepared>> mCache;
  bool mInTransaction = false;
};

std::shared_ptr<Handle> OpenHandle(const std::string& path, int flags) {
  auto handle = std::make_shared<Handle>();
  const int rc = sqlite3_open_v2(path.c_str(), &handle->db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = handle->db ? sqlite3_errmsg(handle->db) : sqlite3_errstr(rc);
    throw DbError(message + ": " + path, DbFault::Local);
  }
  sqlite3_extended_result_codes(handle->db, 1);
  sqlite3_busy_timeout(handle->db, kBusyTimeoutMs);
  sqlite3_db_config(handle->db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  // Double-quoted text is a name, never a string literal that a misspelt
  // name silently turns into.
  sqlite3_db_config(handle->db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(handle->db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_create_function_v2(handle->db, kSqliteDateTimeFunction, 1,
                             SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                             DateTimeFunction, nullptr, nullptr, nullptr);
  // Neither deterministic nor innocuous: it must run for every row, and only
  // in statements this program writes, never in a view or trigger.
  sqlite3_create_function_v2(handle->db, std::string(kCountedRowFunction).c_str(), 1,
                             SQLITE_UTF8 | SQLITE_DIRECTONLY, handle.get(), CountedRowFunction,
                             nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(handle->db, std::string(kRefuseRowFunction).c_str(), 2,
                             SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr, RefuseRowFunction, nullptr,
                             nullptr, nullptr);
  sqlite::RegisterIncomingRowsModule(*handle);
  return handle;
}

}  // namespace

std::shared_ptr<Connection> OpenSqliteConnection(const std::string& path, SqliteOpenMode mode) {
  if (path.empty()) throw DbError("No database file given.");
  // SQLite opens a missing file read-write only by creating it; check first
  // so the message names the real problem.
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(path, ignored)) {
    throw DbError("The database file does not exist: " + path);
  }
  // URI names are taken so that a package can be attached read-only
  // ("file:...?mode=ro"); a path is always absolute, so never one.
  const int access =
      mode == SqliteOpenMode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
  auto handle = OpenHandle(path, access | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX);
  // A file that is not a database fails here, not at the first statement.
  if (sqlite3_exec(handle->db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr) !=
      SQLITE_OK) {
    const DbError failure = LastFailure(*handle);
    throw DbError(std::string(failure.what()) + ": " + path, failure.Fault());
  }
  return std::make_shared<SqliteConnection>(std::move(handle));
}

void CreateSqliteDatabase(const std::string& path) {
  auto handle = OpenHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  // Writes the file header, so the file is a database from the start.
  if (sqlite3_exec(handle->db, "PRAGMA user_version=0; CREATE TABLE t(x); DROP TABLE t;", nullptr,
                   nullptr, nullptr) != SQLITE_OK) {
    throw DbError(std::string(sqlite3_errmsg(handle->db)) + ": " + path);
  }
}

}  // namespace tavex::db

#include "database/PgConnection.h"

#include <libpq-fe.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "database/AsciiText.h"
#include "database/StatementCache.h"
#include "database/StatementRewriter.h"

namespace tavex::db {
namespace {

constexpr std::size_t kCacheSize = 64;
// The size at which rows being copied in go to the server.
constexpr std::size_t kCopyChunk = 256 * 1024;

// Type oids of the built-in types this layer tells apart.
enum Oid : unsigned {
  kBool = 16,
  kBytea = 17,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kFloat4 = 700,
  kFloat8 = 701,
  kMoney = 790,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTime = 1083,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kNumeric = 1700,
};

struct ConnCloser {
  void operator()(PGconn* c) const { PQfinish(c); }
};
struct ResultCloser {
  void operator()(PGresult* r) const { PQclear(r); }
};
using ConnPtr = std::unique_ptr<PGconn, ConnCloser>;
using ResultPtr = std::unique_ptr<PGresult, ResultCloser>;

[[noreturn]] void ThrowClosed() { throw DbError("The connection is closed.", DbFault::Local); }

bool Succeeded(const PGresult* result) {
  const ExecStatusType status = PQresultStatus(result);
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

// The server's own description of a failed statement.
std::string Describe(const PGresult* result, PGconn* conn) {
  if (result != nullptr) {
    if (const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) return primary;
  }
  return std::string(TrimAsciiBlanks(PQerrorMessage(conn)));
}

// Whose fault a failed statement is. A lost connection, a server short of
// resources, shutting down or failing inside, and a statement that lost a
// lock conflict are this machine's side: the same statement may succeed
// later. Everything the server refuses about the statement itself is the
// statement's.
DbFault FaultOf(const PGresult* result, PGconn* conn) {
  if (PQstatus(conn) != CONNECTION_OK) return DbFault::Local;
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  if (state == nullptr) return DbFault::Local;  // no answer from the server at all
  const std::string_view code(state);
  for (const std::string_view local : {"08", "40", "53", "54", "57", "58", "XX"}) {
    if (code.substr(0, 2) == local) return DbFault::Local;
  }
  return code == "55P03" || code == "55006" ? DbFault::Local : DbFault::Statement;
}

// The failure of a statement as the caller sees it.
DbError Failure(const PGresult* result, PGconn* conn) {
  return DbError(Describe(result, conn), FaultOf(result, conn));
}

// A failure to hand the server anything at all: the connection's.
DbError SendFailure(PGconn* conn) {
  return DbError(std::string(TrimAsciiBlanks(PQerrorMessage(conn))), DbFault::Local);
}

// The column kind and declared type of each type the server may describe
// (its OID); the numeric and character types add their modifier.
struct KnownType {
  Oid oid;
  ColumnKind kind;
  const char* declaredType;
};
constexpr KnownType kKnownTypes[] = {
    {kBool, ColumnKind::Boolean, "boolean"},
    {kInt2, ColumnKind::Integer, "smallint"},
    {kInt4, ColumnKind::Integer, "integer"},
    {kInt8, ColumnKind::Integer, "bigint"},
    {kFloat4, ColumnKind::Real, "real"},
    {kFloat8, ColumnKind::Real, "double precision"},
    {kNumeric, ColumnKind::Numeric, "numeric"},
    {kMoney, ColumnKind::Numeric, "money"},
    {kVarchar, ColumnKind::Text, "varchar"},
    {kBpchar, ColumnKind::Text, "char"},
    {kText, ColumnKind::Text, "text"},
    {kDate, ColumnKind::DateTime, "date"},
    {kTimestamp, ColumnKind::DateTime, "timestamp"},
    {kTimestampTz, ColumnKind::DateTime, "timestamp"},
    {kTime, ColumnKind::Text, "time"},
    {kBytea, ColumnKind::Blob, "bytea"},
};

Column DescribeColumn(const PGresult* result, int index) {
  Column column;
  column.name = PQfname(result, index);
  const unsigned type = PQftype(result, index);
  const auto known = std::find_if(std::begin(kKnownTypes), std::end(kKnownTypes),
                                  [type](const KnownType& entry) { return entry.oid == type; });
  if (known == std::end(kKnownTypes)) {
    column.kind = ColumnKind::Unknown;
    return column;
  }
  column.kind = known->kind;
  column.declaredType = known->declaredType;
  const int mod = PQfmod(result, index);
  if (mod >= 4 && type == kNumeric) {
    column.declaredType += "(" + std::to_string(((mod - 4) >> 16) & 0xffff) + "," +
                           std::to_string((mod - 4) & 0xffff) + ")";
  } else if (mod >= 4 && (type == kVarchar || type == kBpchar)) {
    column.declaredType += "(" + std::to_string(mod - 4) + ")";
  }
  return column;
}

// Reads one text-format field as the value kind of its column. Date-times
// come back as "YYYY-MM-DD HH:MM:SS", as SQLite stores them.
Value ReadField(const PGresult* result, int row, int col, const Column& column) {
  if (PQgetisnull(result, row, col)) return std::monostate{};
  const char* text = PQgetvalue(result, row, col);
  const auto length = static_cast<std::size_t>(PQgetlength(result, row, col));
  switch (column.kind) {
    case ColumnKind::Boolean:
      return std::int64_t{text[0] == 't' ? 1 : 0};
    case ColumnKind::Integer:
      return static_cast<std::int64_t>(std::strtoll(text, nullptr, 10));
    case ColumnKind::Real:
    case ColumnKind::Numeric:
      if (PQftype(result, col) != kMoney) return std::strtod(text, nullptr);
      return std::string(text, length);
    case ColumnKind::DateTime:
      if (length == 10) return std::string(text, length) + " 00:00:00";
      return std::string(text, std::min<std::size_t>(length, 19));
    case ColumnKind::Blob: {
      std::size_t size = 0;
      unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &size);
      if (bytes == nullptr) throw DbError("Cannot read a binary value.");
      Blob blob(bytes, bytes + size);
      PQfreemem(bytes);
      return blob;
    }
    default:
      return std::string(text, length);
  }
}

// Writes the number in `value` (an integer or a double) into `buffer` as a
// parameter carries it, leaving room for a terminating NUL; returns its end.
char* WriteNumber(const Value& value, std::array<char, 32>& buffer) {
  char* const last = buffer.data() + buffer.size() - 1;
  const auto [end, error] = std::holds_alternative<std::int64_t>(value)
                                ? std::to_chars(buffer.data(), last, std::get<std::int64_t>(value))
                                : std::to_chars(buffer.data(), last, std::get<double>(value));
  if (error != std::errc{}) throw DbError("Cannot write a number parameter.");
  return end;
}

// Appends `value` as one field of the COPY text format: \N for NULL, numbers
// and texts as a bound parameter carries them (a text ends at a NUL byte),
// with backslash, tab, newline and carriage return escaped, and bytes in
// bytea's hex form.
void AppendCopyField(std::string& line, const Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    const char* from = text->data();
    const char* const end = from + text->size();
    for (const char* p = from; p != end; ++p) {
      const char c = *p;
      if (c != '\\' && c != '\t' && c != '\n' && c != '\r' && c != '\0') continue;
      line.append(from, p);
      from = p + 1;
      if (c == '\0') return;
      line += '\\';
      line += c == '\\' ? '\\' : c == '\t' ? 't' : c == '\n' ? 'n' : 'r';
    }
    line.append(from, end);
  } else if (const auto* bytes = std::get_if<Blob>(&value)) {
    static constexpr char kHex[] = "0123456789abcdef";
    line += "\\\\x";
    for (const std::uint8_t byte : *bytes) {
      line += kHex[byte >> 4];
      line += kHex[byte & 15];
    }
  } else if (std::holds_alternative<std::monostate>(value)) {
    line += "\\N";
  } else {
    std::array<char, 32> buffer{};
    line.append(buffer.data(), WriteNumber(value, buffer));
  }
}

// Where a recordset's rows come from while they are still arriving: the
// connection that runs the query, one row per call.
class RowSource {
 public:
  // The next row, as a result of one row; nullptr after the last one.
  // DbError when the query fails on the way.
  virtual ResultPtr NextRow() = 0;
  // The recordset no longer wants its rows: the rest are read and dropped.
  virtual void Abandon() = 0;

 protected:
  ~RowSource() = default;
};

// The rows of one query, read one at a time as the server sends them, so a
// result of any size takes the memory of one row. While rows are still
// arriving the connection is busy with them; when the connection has other
// work first, it moves the rest of the rows into the recordset (Buffer).
class PgRecordset final : public Recordset {
 public:
  // A query whose first result is `first`: its only row, or the end of a
  // result without rows. `source` is null when nothing more will arrive.
  PgRecordset(ResultPtr first, RowSource* source) : mSource(source) {
    const int count = PQnfields(first.get());
    for (int i = 0; i < count; ++i) mColumns.push_back(DescribeColumn(first.get(), i));
    if (PQntuples(first.get()) > 0) mPending.push_back(std::move(first));
  }
  PgRecordset(const PgRecordset&) = delete;
  PgRecordset& operator=(const PgRecordset&) = delete;
  ~PgRecordset() override {
    if (mSource != nullptr) mSource->Abandon();
  }

  const std::vector<Column>& Columns() const override { return mColumns; }

  bool Next() override {
    if (!mPending.empty()) {
      mCurrent = std::move(mPending.front());
      mPending.pop_front();
      return true;
    }
    mCurrent.reset();
    if (mFailure) {
      const DbError failure = std::move(*mFailure);
      mFailure.reset();
      throw failure;
    }
    if (mSource == nullptr) return false;
    mCurrent = mSource->NextRow();
    return mCurrent != nullptr;
  }

  Value Get(std::size_t index) const override {
    if (!mCurrent) throw DbError("There is no current row.");
    if (index >= mColumns.size()) throw DbError("Column index out of range.");
    return ReadField(mCurrent.get(), 0, static_cast<int>(index), mColumns[index]);
  }
  using Recordset::Get;

  // Reads every row still to come into the recordset, and a failure on the
  // way as what its reader meets after the rows before it.
  void Buffer() {
    RowSource* source = mSource;
    try {
      while (ResultPtr row = source->NextRow()) mPending.push_back(std::move(row));
    } catch (const DbError& error) {
      mFailure = error;
    }
  }

  // Nothing more will arrive.
  void Detach() { mSource = nullptr; }

 private:
  std::vector<Column> mColumns;
  std::deque<ResultPtr> mPending;
  ResultPtr mCurrent;
  std::optional<DbError> mFailure;
  RowSource* mSource;
};

struct PgStatement {
  std::string name;
  std::size_t paramCount = 0;
};

class PgConnection final : public Connection, private RowSource {
 public:
  explicit PgConnection(ConnPtr conn) : mConn(std::move(conn)), mCache(kCacheSize) {}
  ~PgConnection() override { Close(); }

  Backend GetBackend() const override { return Backend::Postgres; }
  bool IsOpen() const override { return mConn != nullptr; }

  void Close() override {
    FinishStream();
    mCache.Clear();
    mConn.reset();
    mInTransaction = false;
  }

  std::int64_t Execute(std::string_view sql, const Params& params) override {
    FinishStream();
    const ResultPtr result = Run(sql, params);
    if (PQresultStatus(result.get()) == PGRES_TUPLES_OK) return 0;
    const char* tuples = PQcmdTuples(result.get());
    return tuples[0] == '\0' ? 0 : std::strtoll(tuples, nullptr, 10);
  }

  // The rows stream: the first arrives before this returns, the rest as the
  // recordset reads them. Inside a transaction the query's savepoint is
  // released when its last row has arrived.
  std::unique_ptr<Recordset> Query(std::string_view sql, const Params& params) override {
    FinishStream();
    RequireOpen();
    if (mInTransaction) Command("SAVEPOINT tavex_statement");
    try {
      const PgStatement& statement = PrepareBound(sql, params);
      if (PQsendQueryPrepared(mConn.get(), statement.name.c_str(), static_cast<int>(params.size()),
                              mValues.data(), mLengths.data(), mFormats.data(), 0) == 0) {
        throw SendFailure(mConn.get());
      }
      PQsetSingleRowMode(mConn.get());
      ResultPtr first(PQgetResult(mConn.get()));
      if (PQresultStatus(first.get()) == PGRES_SINGLE_TUPLE) {
        auto recordset =
            std::make_unique<PgRecordset>(std::move(first), static_cast<RowSource*>(this));
        mStreaming = recordset.get();
        return recordset;
      }
      DrainResults();
      if (!Succeeded(first.get())) throw Failure(first.get(), mConn.get());
      if (mInTransaction) Command("RELEASE SAVEPOINT tavex_statement");
      return std::make_unique<PgRecordset>(std::move(first), nullptr);
    } catch (const DbError&) {
      UndoStatement();
      throw;
    }
  }

  std::int64_t CopyIn(std::string_view sql, Recordset& rows, const RowCounter& onRow) override {
    FinishStream();
    RequireOpen();
    const std::string text = RewriteStatement(sql, Backend::Postgres).text;
    if (mInTransaction) Command("SAVEPOINT tavex_statement");
    try {
      const ResultPtr start(PQexec(mConn.get(), text.c_str()));
      if (PQresultStatus(start.get()) != PGRES_COPY_IN) {
        throw Failure(start.get(), mConn.get());
      }
      const std::int64_t copied = SendRows(rows, onRow);
      const ResultPtr end(PQgetResult(mConn.get()));
      DrainResults();
      if (!Succeeded(end.get())) throw Failure(end.get(), mConn.get());
      if (mInTransaction) Command("RELEASE SAVEPOINT tavex_statement");
      return copied;
    } catch (...) {
      UndoStatement();
      throw;
    }
  }

  void BeginTrans(TransactionKind kind) override {
    FinishStream();
    if (InTransaction()) throw DbError("A transaction is already open on this connection.");
    Command(kind == TransactionKind::Strict ? "BEGIN ISOLATION LEVEL REPEATABLE READ" : "BEGIN");
    mInTransaction = true;
  }

  void CommitTrans() override {
    FinishStream();
    RequireTransaction();
    mInTransaction = false;
    Command("COMMIT");
  }

  void RollbackTrans() override {
    FinishStream();
    RequireTransaction();
    mInTransaction = false;
    Command("ROLLBACK");
  }

  bool InTransaction() const override { return IsOpen() && mInTransaction; }

 private:
  void RequireOpen() const {
    if (!mConn) ThrowClosed();
  }

  void RequireTransaction() const {
    RequireOpen();
    if (!mInTransaction) throw DbError("No transaction is open on this connection.");
  }

  // Runs a fixed command that takes no parameters.
  void Command(const char* sql) {
    RequireOpen();
    const ResultPtr result(PQexec(mConn.get(), sql));
    if (!Succeeded(result.get())) throw Failure(result.get(), mConn.get());
  }

  // Runs one statement. Inside a transaction it runs under a savepoint, so
  // that its failure undoes only its own work and the transaction goes on,
  // as callers expect of a failed probe or drop.
  ResultPtr Run(std::string_view sql, const Params& params) {
    RequireOpen();
    if (mInTransaction) Command("SAVEPOINT tavex_statement");
    try {
      const PgStatement& statement = PrepareBound(sql, params);
      ResultPtr result(PQexecPrepared(mConn.get(), statement.name.c_str(),
                                      static_cast<int>(params.size()), mValues.data(),
                                      mLengths.data(), mFormats.data(), 0));
      if (!Succeeded(result.get())) throw Failure(result.get(), mConn.get());
      if (mInTransaction) Command("RELEASE SAVEPOINT tavex_statement");
      return result;
    } catch (const DbError&) {
      UndoStatement();
      throw;
    }
  }

  static void CheckParamCount(const PgStatement& statement, const Params& params) {
    if (statement.paramCount != params.size()) {
      throw DbError("The statement expects " + std::to_string(statement.paramCount) +
                    " parameter(s), " + std::to_string(params.size()) + " given.");
    }
  }

  // Undoes a failed statement's work inside a transaction.
  void UndoStatement() {
    if (mInTransaction && mConn && PQstatus(mConn.get()) == CONNECTION_OK) {
      const ResultPtr undo(PQexec(mConn.get(),
                                  "ROLLBACK TO SAVEPOINT tavex_statement; "
                                  "RELEASE SAVEPOINT tavex_statement"));
    }
  }

  // Streams the rows into the copy that the connection has begun, in
  // chunks, and ends it; a failure on the way ends it as failed, so the
  // server keeps none of its rows.
  std::int64_t SendRows(Recordset& rows, const RowCounter& onRow) {
    std::int64_t copied = 0;
    std::string chunk;
    try {
      const std::size_t width = rows.Columns().size();
      while (rows.Next()) {
        for (std::size_t i = 0; i < width; ++i) {
          if (i > 0) chunk += '\t';
          AppendCopyField(chunk, rows.Get(i));
        }
        chunk += '\n';
        if (chunk.size() >= kCopyChunk) SendChunk(chunk);
        onRow(++copied);
      }
      SendChunk(chunk);
    } catch (...) {
      PQputCopyEnd(mConn.get(), "The copy was stopped.");
      DrainResults();
      throw;
    }
    if (PQputCopyEnd(mConn.get(), nullptr) != 1) throw SendFailure(mConn.get());
    return copied;
  }

  void SendChunk(std::string& chunk) {
    if (chunk.empty()) return;
    if (PQputCopyData(mConn.get(), chunk.data(), static_cast<int>(chunk.size())) != 1) {
      throw SendFailure(mConn.get());
    }
    chunk.clear();
  }

  // Reads what is left of the current query's results.
  void DrainResults() {
    while (ResultPtr rest{PQgetResult(mConn.get())}) {
    }
  }

  // A recordset still receiving rows takes the rest of them now, so the
  // connection is free for other work.
  void FinishStream() {
    if (mStreaming == nullptr) return;
    mStreaming->Buffer();
  }

  ResultPtr NextRow() override {
    ResultPtr row(PQgetResult(mConn.get()));
    if (row && PQresultStatus(row.get()) == PGRES_SINGLE_TUPLE) return row;
    DrainResults();
    mStreaming->Detach();
    mStreaming = nullptr;
    if (row && !Succeeded(row.get())) {
      DbError failure = Failure(row.get(), mConn.get());
      UndoStatement();
      throw failure;
    }
    if (mInTransaction) Command("RELEASE SAVEPOINT tavex_statement");
    return nullptr;
  }

  void Abandon() override {
    try {
      while (NextRow()) {
      }
    } catch (const DbError&) {
      // Nobody reads these rows any more, so their failure has no reader.
    }
  }

  const PgStatement& Prepare(std::string_view sql) {
    if (const PgStatement* cached = mCache.Find(sql)) return *cached;
    RewrittenStatement rewritten = RewriteStatement(sql, Backend::Postgres);
    PgStatement statement{"tavex_" + std::to_string(++mStatementNumber), rewritten.paramCount};
    const ResultPtr result(
        PQprepare(mConn.get(), statement.name.c_str(), rewritten.text.c_str(), 0, nullptr));
    if (!Succeeded(result.get())) throw Failure(result.get(), mConn.get());
    return mCache.Insert(std::string(sql), std::move(statement), [this](PgStatement& evicted) {
      const std::string deallocate = "DEALLOCATE " + evicted.name;
      const ResultPtr ignored(PQexec(mConn.get(), deallocate.c_str()));
    });
  }

  // The prepared statement of `sql`, with `params` in the parameter arrays.
  const PgStatement& PrepareBound(std::string_view sql, const Params& params) {
    const PgStatement& statement = Prepare(sql);
    CheckParamCount(statement, params);
    BindValues(params);
    return statement;
  }

  // Fills the parameter arrays; numbers are written into reused buffers.
  void BindValues(const Params& params) {
    const std::size_t n = params.size();
    mValues.assign(n, nullptr);
    mLengths.assign(n, 0);
    mFormats.assign(n, 0);
    if (mNumbers.size() < n) mNumbers.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      const Value& v = params[i];
      if (const auto* s = std::get_if<std::string>(&v)) {
        mValues[i] = s->c_str();
      } else if (const auto* b = std::get_if<Blob>(&v)) {
        // A null pointer would send NULL; an empty vector may have one.
        static constexpr char kNoBytes[] = "";
        mValues[i] = b->empty() ? kNoBytes : reinterpret_cast<const char*>(b->data());
        mLengths[i] = static_cast<int>(b->size());
        mFormats[i] = 1;
      } else if (std::holds_alternative<std::int64_t>(v) || std::holds_alternative<double>(v)) {
        *WriteNumber(v, mNumbers[i]) = '\0';
        mValues[i] = mNumbers[i].data();
      }
    }
  }

  ConnPtr mConn;
  PgRecordset* mStreaming = nullptr;  // the recordset whose rows are arriving
  StatementCache<PgStatement> mCache;
  std::uint64_t mStatementNumber = 0;
  bool mInTransaction = false;
  std::vector<const char*> mValues;
  std::vector<int> mLengths;
  std::vector<int> mFormats;
  std::vector<std::array<char, 32>> mNumbers;
};

void IgnoreNotice(void*, const char*) {}

}  // namespace

std::shared_ptr<Connection> OpenPgConnection(const std::string& uri) {
  ConnPtr conn(PQconnectdb(uri.c_str()));
  if (!conn) throw DbError("Out of memory while connecting to " + uri);
  if (PQstatus(conn.get()) != CONNECTION_OK) throw SendFailure(conn.get());
  PQsetNoticeProcessor(conn.get(), IgnoreNotice, nullptr);
  const ResultPtr setup(PQexec(conn.get(),
                               "SET DateStyle = ISO, MDY; SET client_encoding = 'UTF8'; "
                               "SET client_min_messages = warning"));
  if (!Succeeded(setup.get())) throw Failure(setup.get(), conn.get());
  return std::make_shared<PgConnection>(std::move(conn));
}

}  // namespace tavex::db

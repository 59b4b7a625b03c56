#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "database/Connection.h"
#include "database/SqliteConnection.h"
#include "database/Values.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"
#include "support/TempDir.h"

namespace tavex::db {
namespace {

// Each case runs on a fresh, empty database of each backend.
class ConnectionTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    HostDatabaseTest::SetUp();
    mDb = Db();
  }

  bool OnPostgres() const { return GetParam() == Backend::Postgres; }

  // Copies the rows still to come of `rows` into `columns` of `table` in
  // bulk, the way this backend takes them.
  std::int64_t BulkCopy(
      const std::string& table, const std::string& columns, Recordset& rows,
      const RowCounter& onRow = [](std::int64_t) {}) {
    if (OnPostgres()) {
      return mDb->CopyIn("COPY " + table + " (" + columns + ") FROM STDIN", rows, onRow);
    }
    return mDb->ExecuteOverRows("INSERT INTO " + table + " (" + columns + ") SELECT * FROM " +
                                    std::string(kIncomingRowsTable),
                                rows, onRow);
  }
  const char* DateType() const { return OnPostgres() ? "timestamp" : "DATETIME"; }

  Value Scalar(const std::string& sql, const Params& params = {}) {
    auto rows = mDb->Query(sql, params);
    EXPECT_TRUE(rows->Next()) << sql;
    return rows->Get(std::size_t{0});
  }
  std::int64_t Count(const std::string& table, const std::string& where = "1=1") {
    return std::get<std::int64_t>(Scalar("SELECT count(*) FROM " + table + " WHERE " + where));
  }
  std::string Text(const std::string& sql, const Params& params = {}) {
    return std::get<std::string>(Scalar(sql, params));
  }

  // Items 1..3 with quantities 0; a grouped source that has 6 for item 1
  // and 7 for item 2.
  void CreateDayTables() {
    mDb->Execute("CREATE TABLE Day (ItemID INTEGER, QtyUse INTEGER)");
    mDb->Execute("CREATE TABLE Used (ItemID INTEGER, theQty INTEGER)");
    for (int item : {1, 2, 3}) mDb->Execute("INSERT INTO Day VALUES (?, 0)", {std::int64_t{item}});
    for (auto [item, qty] : {std::pair{1, 2}, {1, 4}, {2, 7}}) {
      mDb->Execute("INSERT INTO Used VALUES (?, ?)", {std::int64_t{item}, std::int64_t{qty}});
    }
  }
  std::string DayQuantities() {
    return test::Dump(*mDb, "SELECT ItemID, QtyUse FROM Day ORDER BY ItemID");
  }

  std::shared_ptr<Connection> mDb;
};

TEST_P(ConnectionTest, ExecuteReportsTheRowsItChanged) {
  EXPECT_EQ(0, mDb->Execute("CREATE TABLE t (k VARCHAR(20), n INTEGER)"));
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(
        1, mDb->Execute("INSERT INTO t VALUES (?, ?)", {"K" + std::to_string(i), std::int64_t{i}}));
  }
  EXPECT_EQ(2, mDb->Execute("UPDATE t SET n=n+10 WHERE n>=?", {std::int64_t{2}}));
  EXPECT_EQ(0, mDb->Execute("SELECT * FROM t"));
  EXPECT_EQ(0, mDb->Execute("CREATE TABLE u (k INTEGER)"));
  EXPECT_EQ(3, mDb->Execute("DELETE FROM t"));
}

TEST_P(ConnectionTest, SelectIntoCreatesTheTableAndCountsItsRows) {
  mDb->Execute("CREATE TABLE bi_Bill (BillID VARCHAR(20), IsUploaded INTEGER)");
  mDb->Execute("INSERT INTO bi_Bill VALUES ('1', 0), ('2', 1), ('3', 0)");
  EXPECT_EQ(
      2, mDb->Execute(" SELECT  BillID INTO bi_BillID_Upload    FROM bi_Bill   WHERE IsUploaded=? ",
                      {std::int64_t{0}}));
  EXPECT_EQ(2, Count("bi_BillID_Upload"));
  EXPECT_EQ(0, mDb->Execute("SELECT * INTO [Empty_Temp] FROM bi_Bill WHERE 1<>1"));
  EXPECT_EQ(0, Count("[Empty_Temp]"));
}

TEST_P(ConnectionTest, StringConcatenationPrefixesKeysInsteadOfAddingThem) {
  mDb->Execute("CREATE TABLE t (BillID VARCHAR(20), n INTEGER)");
  mDb->Execute("INSERT INTO t VALUES ('123', 5), ('ABC', 6)");
  EXPECT_EQ(2, mDb->Execute("UPDATE t SET BillID='B01-'+BillID"));
  EXPECT_EQ("B01-123", Text("SELECT BillID FROM t WHERE n=5"));
  EXPECT_EQ("B01-ABC", Text("SELECT BillID FROM t WHERE n=6"));
  EXPECT_EQ("X-B01-ABC-x", Text("SELECT 'X-'+BillID+'-x' FROM t WHERE BillID LIKE '%ABC'"));
  EXPECT_EQ(7, std::get<std::int64_t>(Scalar("SELECT n+1 FROM t WHERE n=6")));
}

TEST_P(ConnectionTest, ValuesOfEveryKindRoundTripThroughParameters) {
  mDb->Execute(std::string("CREATE TABLE v (i BIGINT, r DOUBLE PRECISION, s VARCHAR(50), b ") +
               (OnPostgres() ? "bytea" : "BLOB") + ", z INTEGER)");
  const Blob bytes{0, 1, 2, 255};
  mDb->Execute("INSERT INTO v VALUES (?, ?, ?, ?, ?)",
               {std::int64_t{9000000000}, 2.5, std::string("中文 'q'"), bytes, std::monostate{}});
  auto rows = mDb->Query("SELECT i, r, s, b, z FROM v");
  ASSERT_TRUE(rows->Next());
  EXPECT_EQ(Value(std::int64_t{9000000000}), rows->Get("I"));
  EXPECT_EQ(Value(2.5), rows->Get("r"));
  EXPECT_EQ(Value(std::string("中文 'q'")), rows->Get("S"));
  EXPECT_EQ(Value(bytes), rows->Get("b"));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(rows->Get("z")));
  EXPECT_FALSE(rows->Next());
  EXPECT_THROW(rows->Get("nonexistent"), DbError);
  // An empty blob stays an empty blob, not NULL.
  mDb->Execute("INSERT INTO v (i, b) VALUES (2, ?)", {Blob{}});
  EXPECT_EQ(Value(Blob{}), Scalar("SELECT b FROM v WHERE i=2"));
  EXPECT_EQ(1, Count("v", "i=2 AND b IS NOT NULL"));
}

// Every kind of value, NULLs, empty texts and blobs, texts with the copy
// format's own characters and non-ASCII text, read from a SQLite database (the
// package side) and from this backend, copied in bulk.
// A cell reads the same whatever the backend gave for it: PostgreSQL gives
// a NUMERIC sum as text, SQLite a whole real as a real.
TEST_P(ConnectionTest, CellsReadAsTextAndNumbersAlikeOnBothBackends) {
  Db()->Execute("CREATE TABLE cells (amount NUMERIC(12,2), whole INTEGER, name TEXT)");
  Db()->Execute("INSERT INTO cells VALUES (12.5, 7, ' 42 '), (NULL, NULL, 'x')");
  const auto rows = Db()->Query("SELECT SUM(whole), SUM(amount), MAX(name) FROM cells");
  ASSERT_TRUE(rows->Next());
  EXPECT_EQ(7, db::ValueNumber(rows->Get(std::size_t{0})));
  EXPECT_EQ(12, db::ValueNumber(rows->Get(std::size_t{1})));
  EXPECT_EQ("7", db::ValueText(rows->Get(std::size_t{0})));
  EXPECT_EQ(2, db::CountOf(*Db(), "SELECT COUNT(*) FROM cells"));
  EXPECT_EQ(1, db::CountOf(*Db(), "SELECT COUNT(*) FROM cells WHERE whole=?", {std::int64_t{7}}));
  struct Case {
    db::Value value;
    std::string text;
    std::int64_t number;
  };
  for (const auto& [value, text, number] :
       {Case{db::Value{}, "", 0}, Case{db::Value{std::int64_t{-3}}, "-3", -3},
        Case{db::Value{2.5}, "2.5", 2}, Case{db::Value{std::string(" 42 ")}, " 42 ", 42},
        Case{db::Value{std::string("4x")}, "4x", 0}, Case{db::Value{db::Blob{1, 2}}, "", 0}}) {
    EXPECT_EQ(text, db::ValueText(value));
    EXPECT_EQ(number, db::ValueNumber(value)) << text;
  }
}

TEST_P(ConnectionTest, BulkCopyWritesEveryValueOfRowsReadFromEitherBackend) {
  const std::string blobType = OnPostgres() ? "bytea" : "BLOB";
  const std::string columns = std::string("(i BIGINT, r DOUBLE PRECISION, s VARCHAR(50), b ") +
                              blobType + ", d " + DateType() + ", n NUMERIC(18,4))";
  CreateSqliteDatabase(Folder() / "other.db");
  auto sqlite = OpenConnection("sqlite:" + (Folder() / "other.db"));
  const std::vector<Params> rows = {
      {std::int64_t{9000000000}, 2.5, std::string("中文 'q'"), Blob{0, 1, 255},
       std::string("2024-03-05 14:07:09"), 128.5},
      {std::int64_t{-1}, 1e-300, std::string("a\tb\\N\\\\c\nd\r\ne\\"), Blob{'\\', '\t', '\n'},
       std::string("1999-12-31 23:59:59"), -7.5},
      {std::monostate{}, std::monostate{}, std::string(), Blob{}, std::monostate{},
       std::monostate{}},
      {std::int64_t{0}, 0.0, std::string("\\N"), std::monostate{}, std::monostate{}, 0.0001},
  };
  for (auto* database : {&sqlite, &mDb}) {
    (*database)->Execute("CREATE TABLE src " + columns);
    for (const auto& row : rows)
      (*database)->Execute("INSERT INTO src VALUES (?, ?, ?, ?, ?, ?)", row);
  }
  mDb->Execute("CREATE TABLE dst " + columns);
  const std::string list = "i, r, s, b, d, n";
  for (auto* database : {&sqlite, &mDb}) {
    auto read = (*database)->Query("SELECT " + list + " FROM src ORDER BY s DESC");
    EXPECT_EQ(4, BulkCopy("dst", list, *read));
  }
  auto narrow = sqlite->Query("SELECT i FROM src");
  EXPECT_THROW(BulkCopy("dst", list, *narrow), DbError);
  auto read = mDb->Query("SELECT " + list + " FROM dst ORDER BY s DESC");
  for (std::size_t r : {0, 1, 3, 2}) {  // by s, descending
    for (int copy = 0; copy < 2; ++copy) {
      ASSERT_TRUE(read->Next());
      for (std::size_t i = 0; i < rows[r].size(); ++i) {
        EXPECT_EQ(rows[r][i], read->Get(i)) << "copy " << copy << " row " << r << " column " << i;
      }
    }
  }
  EXPECT_FALSE(read->Next());
}

// Rows of a SQLite database and of this backend, read into a SQLite database
// by one statement inside a transaction.
TEST_P(ConnectionTest, AStatementReadsTheRowsOfAnotherRecordsetIntoSqlite) {
  const std::string blobType = OnPostgres() ? "bytea" : "BLOB";
  mDb->Execute("CREATE TABLE src (k BIGINT, s VARCHAR(20), b " + blobType + ")");
  mDb->Execute("INSERT INTO src VALUES (1, '中文', ?), (2, NULL, ?), (3, '', NULL)",
               {Blob{7, 0, 9}, Blob{}});
  CreateSqliteDatabase(Folder() / "package.db");
  auto package = OpenConnection("sqlite:" + (Folder() / "package.db"));
  package->Execute("CREATE TABLE dst (k INTEGER, s TEXT, b BLOB)");
  const std::string copy =
      "INSERT INTO dst (k, s, b) SELECT * FROM " + std::string(kIncomingRowsTable);
  std::vector<std::int64_t> counts;
  package->BeginTrans();
  {
    auto rows = mDb->Query("SELECT k, s, b FROM src ORDER BY k");
    EXPECT_EQ(3,
              package->ExecuteOverRows(copy, *rows, [&](std::int64_t n) { counts.push_back(n); }));
  }
  package->CommitTrans();
  EXPECT_EQ((std::vector<std::int64_t>{1, 2, 3}), counts);
  auto copied = package->Query("SELECT k, s, b FROM dst ORDER BY k");
  const std::vector<Params> expected = {{std::int64_t{1}, std::string("中文"), Blob{7, 0, 9}},
                                        {std::int64_t{2}, std::monostate{}, Blob{}},
                                        {std::int64_t{3}, std::string(), std::monostate{}}};
  for (const auto& row : expected) {
    ASSERT_TRUE(copied->Next());
    for (std::size_t i = 0; i < row.size(); ++i) EXPECT_EQ(row[i], copied->Get(i)) << i;
  }
  EXPECT_FALSE(copied->Next());

  // A counter that throws stops the statement, which leaves nothing behind.
  struct Stop {};
  auto rows = mDb->Query("SELECT k, s, b FROM src");
  EXPECT_THROW(package->ExecuteOverRows(copy, *rows,
                                        [](std::int64_t n) {
                                          if (n == 2) throw Stop{};
                                        }),
               Stop);
  auto count = package->Query("SELECT count(*) FROM dst");
  ASSERT_TRUE(count->Next());
  EXPECT_EQ(Value(std::int64_t{3}), count->Get(0));
  if (OnPostgres()) {
    auto more = package->Query("SELECT k FROM dst");
    EXPECT_THROW(mDb->ExecuteOverRows("SELECT 1", *more, [](std::int64_t) {}), DbError);
  }
}

// A failed or stopped bulk copy (on SQLite, of rows of its own query)
// leaves none of its rows and the transaction goes on.
TEST_P(ConnectionTest, AFailedOrStoppedBulkCopyLeavesTheTransactionUsable) {
  mDb->Execute("CREATE TABLE src (k INTEGER)");
  mDb->Execute("CREATE TABLE dst (k INTEGER NOT NULL)");
  mDb->Execute("INSERT INTO src VALUES (1), (2), (NULL)");
  mDb->BeginTrans();
  {
    auto rows = mDb->Query("SELECT k FROM src ORDER BY k");
    EXPECT_THROW(BulkCopy("dst", "k", *rows), DbError);
  }
  struct Stop {};
  {
    auto rows = mDb->Query("SELECT k FROM src WHERE k IS NOT NULL");
    EXPECT_THROW(BulkCopy("dst", "k", *rows,
                          [](std::int64_t n) {
                            if (n == 2) throw Stop{};
                          }),
                 Stop);
  }
  mDb->Execute("INSERT INTO dst VALUES (7)");
  mDb->CommitTrans();
  EXPECT_EQ(1, Count("dst"));
  EXPECT_EQ(1, Count("dst", "k=7"));
}

TEST_P(ConnectionTest, CountingRowsReportsEachRowAndAnExceptionStopsTheStatement) {
  mDb->Execute("CREATE TABLE src (k INTEGER)");
  mDb->Execute("CREATE TABLE dst (k INTEGER)");
  mDb->Execute("INSERT INTO src VALUES (1), (2), (3), (4)");
  const std::string copy =
      "INSERT INTO dst (k) SELECT " + std::string(kCountedRowFunction) + "(k) FROM src";
  std::vector<std::int64_t> counts;
  const auto count = [&](std::int64_t rows) { counts.push_back(rows); };
  if (OnPostgres()) {
    EXPECT_THROW(mDb->ExecuteCountingRows(copy, {}, count), DbError);
    return;
  }
  EXPECT_EQ(4, mDb->ExecuteCountingRows(copy, {}, count));
  EXPECT_EQ((std::vector<std::int64_t>{1, 2, 3, 4}), counts);
  EXPECT_EQ(10, std::get<std::int64_t>(Scalar("SELECT sum(k) FROM dst")));

  struct Stop {};
  mDb->BeginTrans();
  EXPECT_THROW(mDb->ExecuteCountingRows(copy, {},
                                        [](std::int64_t rows) {
                                          if (rows == 3) throw Stop{};
                                        }),
               Stop);
  EXPECT_EQ(4, Count("dst"));  // the stopped statement left nothing behind
  mDb->CommitTrans();
  // Outside ExecuteCountingRows the function only passes values through.
  EXPECT_EQ(4, mDb->Execute(copy));
  EXPECT_EQ(8, Count("dst"));
}

TEST_P(ConnectionTest, DatesReadBackAsTextAndRangesIncludeTheWholeLastDay) {
  mDb->Execute(std::string("CREATE TABLE b (BillID VARCHAR(10), BillDate ") + DateType() + ")");
  for (auto [id, date] : {std::pair{"feb", "2024-02-29 23:59:59"},
                          {"first", "2024-03-01 00:00:00"},
                          {"last", "2024-03-31 23:59:59"},
                          {"apr", "2024-04-01 00:00:00"}}) {
    mDb->Execute("INSERT INTO b VALUES (?, ?)", {std::string(id), std::string(date)});
  }
  EXPECT_EQ("2024-03-31 23:59:59", Text("SELECT BillDate FROM b WHERE BillID='last'"));
  const Params march{std::string("2024-03-01"), std::string("2024-04-01")};
  EXPECT_EQ(2, std::get<std::int64_t>(
                   Scalar("SELECT count(*) FROM b WHERE BillDate>=? AND BillDate<?", march)));
  EXPECT_EQ(2, Count("b", "BillDate>=#2024-03-01# AND BillDate<#2024-04-01#"));
  EXPECT_EQ(2, Count("b", "BillDate>='2024-03-01' AND BillDate<'2024-04-01'"));
  EXPECT_EQ(1, std::get<std::int64_t>(
                   Scalar("SELECT count(*) FROM b WHERE BillDate=?", {std::string("2024-04-01")})));
  auto rows = mDb->Query("SELECT BillDate FROM b");
  EXPECT_EQ(ColumnKind::DateTime, rows->Columns()[0].kind);
}

TEST_P(ConnectionTest, ReportsColumnKindsAndDeclaredTypes) {
  mDb->Execute(std::string("CREATE TABLE c (a INTEGER, b VARCHAR(20), c NUMERIC(12,2), d ") +
               DateType() + ", e REAL, f BOOLEAN)");
  auto rows = mDb->Query("SELECT a, b, c, d, e, f FROM c");
  const auto& columns = rows->Columns();
  ASSERT_EQ(6u, columns.size());
  EXPECT_EQ(ColumnKind::Integer, columns[0].kind);
  EXPECT_EQ(ColumnKind::Text, columns[1].kind);
  EXPECT_EQ(ColumnKind::Numeric, columns[2].kind);
  EXPECT_EQ(ColumnKind::DateTime, columns[3].kind);
  EXPECT_EQ(ColumnKind::Real, columns[4].kind);
  EXPECT_EQ(ColumnKind::Boolean, columns[5].kind);
  EXPECT_EQ(OnPostgres() ? "varchar(20)" : "VARCHAR(20)", columns[1].declaredType);
  EXPECT_EQ(OnPostgres() ? "numeric(12,2)" : "NUMERIC(12,2)", columns[2].declaredType);
}

TEST_P(ConnectionTest, ColumnLookupIgnoresCase) {
  auto rows = mDb->Query("SELECT 'x' AS BillID");
  ASSERT_TRUE(rows->Next());
  EXPECT_EQ(0u, rows->FindColumn("billid").value());
  EXPECT_EQ(0u, rows->FindColumn("BILLID").value());
  EXPECT_FALSE(rows->FindColumn("Bill").has_value());
  EXPECT_EQ(Value(std::string("x")), rows->Get("BillId"));
}

TEST_P(ConnectionTest, FailedStatementLeavesTheTransactionUsable) {
  mDb->Execute("CREATE TABLE t (k INTEGER)");
  mDb->BeginTrans();
  mDb->Execute("INSERT INTO t VALUES (1)");
  EXPECT_THROW(mDb->Execute("DROP TABLE Missing_Temp"), DbError);
  EXPECT_THROW(mDb->Execute("SELECT * FROM Missing_Temp WHERE 1<>1"), DbError);
  EXPECT_TRUE(mDb->InTransaction());
  mDb->Execute("INSERT INTO t VALUES (2)");
  mDb->CommitTrans();
  EXPECT_EQ(2, Count("t"));
  EXPECT_FALSE(mDb->InTransaction());
}

TEST_P(ConnectionTest, RollbackUndoesAndOthersSeeOnlyCommittedRows) {
  mDb->Execute("CREATE TABLE t (k INTEGER)");
  auto other = Reopen();
  mDb->BeginTrans();
  mDb->Execute("INSERT INTO t VALUES (1)");
  mDb->RollbackTrans();
  EXPECT_EQ(0, Count("t"));
  mDb->BeginTrans(TransactionKind::Strict);
  EXPECT_THROW(mDb->BeginTrans(), DbError);
  mDb->Execute("INSERT INTO t VALUES (2)");
  mDb->CommitTrans();
  auto rows = other->Query("SELECT count(*) FROM t");
  ASSERT_TRUE(rows->Next());
  EXPECT_EQ(Value(std::int64_t{1}), rows->Get(std::size_t{0}));
  EXPECT_THROW(mDb->CommitTrans(), DbError);
}

TEST_P(ConnectionTest, BothUpdateFormsWriteEachRowItsOwnValue) {
  CreateDayTables();
  mDb->Execute(
      " update Day     set QtyUse=theView.QtyUse  from (    select ItemID,sum(theQty) as QtyUse "
      "     from Used  group by ItemID ) as theView,           Day as theBOM     where "
      "theBOM.ItemID=theView.ItemID ");
  EXPECT_EQ("1|6\n2|7\n3|0\n", DayQuantities());
  mDb->Execute("UPDATE Day SET QtyUse=0");
  mDb->Execute("select ItemID,sum(theQty) as QtyUse into Work_Temp from Used group by ItemID");
  mDb->Execute(
      " update Day as t,         Work_Temp  as v       set t.QtyUse=v.QtyUse       where "
      "t.ItemID=v.ItemID  ");
  EXPECT_EQ("1|6\n2|7\n3|0\n", DayQuantities());
}

TEST_P(ConnectionTest, TopLimitsTheRowsAndNullsSortFirst) {
  mDb->Execute("CREATE TABLE t (k INTEGER)");
  mDb->Execute("INSERT INTO t VALUES (3), (NULL), (1)");
  auto rows = mDb->Query("SELECT TOP 2 k FROM t ORDER BY k");
  ASSERT_TRUE(rows->Next());
  EXPECT_TRUE(std::holds_alternative<std::monostate>(rows->Get(std::size_t{0})));
  ASSERT_TRUE(rows->Next());
  EXPECT_EQ(Value(std::int64_t{1}), rows->Get(std::size_t{0}));
  EXPECT_FALSE(rows->Next());
}

TEST_P(ConnectionTest, TableCanBeDroppedAfterReadingIt) {
  mDb->Execute("CREATE TABLE t (k INTEGER)");
  mDb->Execute("INSERT INTO t VALUES (1)");
  EXPECT_EQ(0, mDb->Execute("SELECT * FROM t WHERE 1<>1"));
  {
    auto rows = mDb->Query("SELECT k FROM t");
    while (rows->Next()) {
    }
  }
  EXPECT_NO_THROW(mDb->Execute("DROP TABLE t"));
  // The same text prepared before now reads the new table's columns.
  mDb->Execute("CREATE TABLE t (a INTEGER, b INTEGER)");
  mDb->Execute("INSERT INTO t VALUES (1, 2)");
  auto rows = mDb->Query("SELECT * FROM t");
  ASSERT_TRUE(rows->Next());
  EXPECT_EQ(2u, rows->Columns().size());
}

TEST_P(ConnectionTest, TwoOpenRecordsetsOfOneStatementAreIndependent) {
  mDb->Execute("CREATE TABLE t (k INTEGER)");
  mDb->Execute("INSERT INTO t VALUES (1), (2)");
  auto first = mDb->Query("SELECT k FROM t ORDER BY k");
  auto second = mDb->Query("SELECT k FROM t ORDER BY k");
  ASSERT_TRUE(first->Next());
  ASSERT_TRUE(second->Next());
  ASSERT_TRUE(second->Next());
  EXPECT_EQ(Value(std::int64_t{1}), first->Get(std::size_t{0}));
  EXPECT_EQ(Value(std::int64_t{2}), second->Get(std::size_t{0}));
}

// Rows arrive while they are read; other statements on the connection, in
// the middle of reading or after leaving rows unread, still run.
TEST_P(ConnectionTest, OtherStatementsRunWhileARecordsetIsOpen) {
  mDb->Execute("CREATE TABLE t (k INTEGER, s VARCHAR(20))");
  mDb->BeginTrans();
  for (int k = 1; k <= 300; ++k) {
    mDb->Execute("INSERT INTO t VALUES (?, ?)", {std::int64_t{k}, "row " + std::to_string(k)});
  }
  mDb->CommitTrans();
  for (bool inTransaction : {false, true}) {
    if (inTransaction) mDb->BeginTrans(TransactionKind::Strict);
    auto rows = mDb->Query("SELECT k, s FROM t ORDER BY k");
    std::int64_t sum = 0;
    for (int read = 1; read <= 300; ++read) {
      ASSERT_TRUE(rows->Next()) << read;
      if (read < 300) {
        EXPECT_EQ(Value("row " + std::to_string(read)), rows->Get(1));
      }
      sum += std::get<std::int64_t>(rows->Get(std::size_t{0}));
      if (read == 10) {
        EXPECT_EQ(1, mDb->Execute("UPDATE t SET s='x' WHERE k=300"));
      }
      if (read == 20) {
        EXPECT_EQ(300, Count("t"));
      }
    }
    EXPECT_FALSE(rows->Next());
    EXPECT_EQ(300 * 301 / 2, sum);
    // Left unread: the next statement runs all the same.
    auto unread = mDb->Query("SELECT k FROM t");
    ASSERT_TRUE(unread->Next());
    unread.reset();
    EXPECT_EQ(1, Count("t", "s='x'"));
    if (inTransaction) {
      mDb->RollbackTrans();
    } else {
      mDb->Execute("UPDATE t SET s='row 300' WHERE k=300");
    }
  }
  EXPECT_EQ(0, Count("t", "s='x'"));
}

TEST_P(ConnectionTest, AQueryFailingPartWayLeavesTheTransactionUsable) {
  if (!OnPostgres())
    GTEST_SKIP() << "SQLite reports no arithmetic failure in the middle of a query";
  mDb->Execute("CREATE TABLE t (k INTEGER)");
  mDb->Execute("INSERT INTO t SELECT generate_series(1, 100)");
  mDb->BeginTrans();
  mDb->Execute("INSERT INTO t VALUES (1000)");
  EXPECT_THROW(
      {
        auto rows = mDb->Query("SELECT 1 / (50 - k) FROM t WHERE k < 1000");
        while (rows->Next()) {
        }
      },
      DbError);
  EXPECT_EQ(101, Count("t"));
  mDb->CommitTrans();
  EXPECT_EQ(1, Count("t", "k=1000"));
}

TEST_P(ConnectionTest, BadInputAndAClosedConnectionGiveADbError) {
  mDb->Execute("CREATE TABLE t (k INTEGER)");
  EXPECT_THROW(mDb->Execute("INSERT INTO t VALUES (?)", {}), DbError);
  EXPECT_THROW(mDb->Execute("INSERT INTO t VALUES (?)", {std::int64_t{1}, std::int64_t{2}}),
               DbError);
  EXPECT_THROW(mDb->Execute("SELECT 'open FROM t"), DbError);
  EXPECT_THROW(mDb->Query("SELEC k FROM t"), DbError);
  EXPECT_THROW(mDb->Execute("SELECT 1; SELECT 2"), DbError);
  EXPECT_EQ(0, Count("t"));
  // So does a closed connection.
  mDb->Close();
  EXPECT_FALSE(mDb->IsOpen());
  EXPECT_THROW(mDb->Execute("SELECT 1"), DbError);
  EXPECT_THROW(mDb->Query("SELECT 1"), DbError);
  EXPECT_THROW(mDb->BeginTrans(), DbError);
  EXPECT_FALSE(mDb->InTransaction());
  mDb->Close();
}

INSTANTIATE_HOST_DATABASE_TEST(ConnectionTest);

TEST(OpenConnection, NeverCreatesADatabase) {
  test::TempDir folder;
  const std::string path = folder / "missing.db";
  EXPECT_THROW(OpenConnection("sqlite:" + path), DbError);
  EXPECT_THROW(OpenConnection(PackageConnectionString(path)), DbError);
  EXPECT_FALSE(std::filesystem::exists(path));
  test::WriteFile(folder / "text.db", "this is no database, it is plain text for the test");
  EXPECT_THROW(OpenConnection("sqlite:" + (folder / "text.db")), DbError);
}

TEST(OpenConnection, PackageConnectionStringOpensThatSqliteFile) {
  test::TempDir folder;
  const std::string path = folder / "B01-1.mdb";
  CreateSqliteDatabase(path);
  EXPECT_EQ("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Persist Security Info=False",
            PackageConnectionString(path));
  OpenConnection(PackageConnectionString(path))->Execute("CREATE TABLE p (k INTEGER)");
  auto again = OpenConnection("sqlite:" + path);
  EXPECT_EQ(Backend::Sqlite, again->GetBackend());
  EXPECT_EQ(0, again->Execute("SELECT * FROM p WHERE 1<>1"));
}

TEST(OpenConnection, UnreachableServerAndUnknownNamesFailClearly) {
  test::TempDir folder;
  EXPECT_THROW(OpenConnection("postgresql:///nodb?host=" + folder.Path() + "&connect_timeout=2"),
               DbError);
  EXPECT_THROW(OpenConnection("mysql://localhost/db"), DbError);
  EXPECT_THROW(OpenConnection(""), DbError);
}

}  // namespace
}  // namespace tavex::db

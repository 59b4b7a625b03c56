#include <gtest/gtest.h>

#include <stdexcept>

#include "storage/ShortWriteTransactions.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"

namespace tavex {
namespace {

class ShortWriteTransactionsTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    Db()->Execute("CREATE TABLE Written (Name VARCHAR(20))");
    mOther = Reopen();
  }
  void Write(ShortWriteTransactions& writes, const std::string& name) {
    writes.Run([&] { Db()->Execute("INSERT INTO Written (Name) VALUES ('" + name + "')"); });
  }
  // What another connection sees.
  std::string Seen() const { return test::Dump(*mOther, "SELECT Name FROM Written ORDER BY Name"); }
  bool Sliced() const { return GetParam() == db::Backend::Sqlite; }

  std::shared_ptr<db::Connection> mOther;
};

TEST_P(ShortWriteTransactionsTest, EmbeddedWritesCommitEachSliceOthersOneSnapshot) {
  {
    // Every write ends its slice.
    ShortWriteTransactions writes(*Db(), std::chrono::milliseconds(0));
    Write(writes, "a");
    // Another writer gets in between on the embedded database; on
    // PostgreSQL it never waits for the series anyway.
    mOther->Execute("INSERT INTO Written (Name) VALUES ('till')");
    EXPECT_EQ(Sliced() ? "a\ntill\n" : "till\n", Seen());
    Write(writes, "b");
    EXPECT_THROW(writes.Run([&] {
      Db()->Execute("INSERT INTO Written (Name) VALUES ('c')");
      throw std::runtime_error("failed");
    }),
                 std::runtime_error);
    EXPECT_FALSE(Db()->InTransaction());
  }
  // The failing slice is undone; earlier slices stay only where they were
  // committed on their own.
  EXPECT_EQ(Sliced() ? "a\nb\ntill\n" : "till\n", Seen());
}

TEST_P(ShortWriteTransactionsTest, InsideTheCallersTransactionNothingIsCommitted) {
  Db()->BeginTrans();
  {
    ShortWriteTransactions writes(*Db(), std::chrono::milliseconds(0));
    Write(writes, "a");
    Write(writes, "b");
    writes.Finish();
  }
  ASSERT_TRUE(Db()->InTransaction());
  Db()->RollbackTrans();
  EXPECT_EQ("", Seen());
}

TEST_P(ShortWriteTransactionsTest, FinishCommitsAndAnUnfinishedSeriesIsRolledBack) {
  {
    ShortWriteTransactions writes(*Db());
    Write(writes, "kept");
    writes.Finish();
  }
  {
    ShortWriteTransactions writes(*Db());
    Write(writes, "dropped");
  }
  EXPECT_FALSE(Db()->InTransaction());
  EXPECT_EQ("kept\n", Seen());
}

INSTANTIATE_HOST_DATABASE_TEST(ShortWriteTransactionsTest);

TEST(ShortWriteTransactionsPolicyTest, LongWritesStartAnewOnlyBehindHalfASliceOrMore) {
  using std::chrono::milliseconds;
  constexpr milliseconds kSlice{100};
  const struct {
    milliseconds held, expected;
    bool startsAnew;
  } cases[] = {
      {milliseconds(60), milliseconds(250), true},   // both would hold the lock
      {milliseconds(50), milliseconds(50), true},    // half the slice, then the rest
      {milliseconds(99), milliseconds(1), true},     // the slice is as good as over
      {milliseconds(60), milliseconds(30), false},   // they fit in the slice
      {milliseconds(40), milliseconds(900), false},  // hardly longer than alone
      {milliseconds(0), milliseconds(0), false},
      {milliseconds(70), milliseconds(0), false},  // nothing expected: as the slice says
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.startsAnew, ShortWriteTransactions::StartsAnew(c.held, c.expected, kSlice))
        << c.held.count() << " ms held, " << c.expected.count() << " ms expected";
  }
}

}  // namespace
}  // namespace tavex

#include <gtest/gtest.h>

#include <filesystem>

#include "storage/SyncLog.h"
#include "support/CommandFixture.h"
#include "support/FtpServer.h"
#include "support/Rows.h"

namespace tavex::cli {
namespace {

namespace fs = std::filesystem;

using test::Invocation;

// From an empty database to a package on the server, through the commands
// a user types.
class UploadCommandTest : public test::CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    if (!IsSkipped()) Must({"sample-db", "--bills", "40", "--days", "2"});
  }
  test::FtpServer mServer;
};

TEST_P(UploadCommandTest, SendsTheSampleBillsAndThenFindsNothingNew) {
  UseServer(mServer);
  mServer.MakeFolder("ForUpload");
  // A relative --home is made absolute before anything is built from it.
  const test::ScopedEnv elsewhere("TAVEX_HOME", "/nowhere");
  const std::string relativeHome = fs::relative(mHome.Path(), fs::current_path()).string();
  ASSERT_TRUE(fs::path(relativeHome).is_relative());

  Invocation first = RunAt(ConnectionName(), relativeHome, {"upload"});
  EXPECT_EQ(kExitOk, first.code) << first.out.str() << first.err.str();
  EXPECT_EQ(mHome.Path(), std::getenv("TAVEX_HOME"));
  const std::string out = first.out.str();
  EXPECT_EQ(0u, out.find("正在导出数据...\n正在复制：21. 消费账单表 ...\n"
                         "成功复制：21. 消费账单表 ，共 20 条数据；\n"))
      << out;
  EXPECT_TRUE(out.ends_with("数据上传成功！\n\n")) << out;
  EXPECT_EQ("", first.err.str());
  EXPECT_EQ(1u, mServer.List("ForUpload").size());
  EXPECT_TRUE(fs::is_directory(mHome / "Temp"));
  EXPECT_TRUE(fs::is_empty(mHome / "Temp"));

  // A quiet night is no failure for the timer.
  Invocation second = Run({"upload"});
  EXPECT_EQ(kExitOk, second.code);
  EXPECT_EQ("没有新的数据需要上传...\n\n", second.out.str());
}

TEST_P(UploadCommandTest, WithoutAServerAddressItSaysSoAndFails) {
  Invocation run = Run({"upload"});
  EXPECT_EQ(kExitFailed, run.code);
  EXPECT_EQ("服务器地址未设置，操作被取消！\n\n", run.out.str());
}

TEST_P(UploadCommandTest, AStagingThatFailsSaysWhyOnTheErrorStreamAndInTheLog) {
  if (GetParam() != db::Backend::Sqlite) GTEST_SKIP() << "a busy time-out is SQLite's";
  Must({"settings", "--set", "1001=127.0.0.1"});
  const auto unsent = [&] {
    return test::Number(*Reopen(), "SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0");
  };
  const std::int64_t unsentBefore = unsent();
  // A POS terminal holds the write lock past the busy time-out.
  const auto terminal = Reopen();
  terminal->BeginTrans();
  terminal->Execute("UPDATE bi_Bill SET IsUploaded=IsUploaded");
  Invocation run = Run({"upload"});
  terminal->RollbackTrans();
  EXPECT_EQ(kExitFailed, run.code);
  EXPECT_EQ("\n", run.out.str());
  EXPECT_EQ("数据上传失败：database is locked\n", run.err.str());
  EXPECT_NE(std::string::npos,
            test::ReadFile(GetLastLogFile()).find("\"数据上传失败：database is locked\""));
  EXPECT_EQ(unsentBefore, unsent());
}

INSTANTIATE_HOST_DATABASE_TEST(UploadCommandTest);

}  // namespace
}  // namespace tavex::cli

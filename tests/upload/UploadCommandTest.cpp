#include <gtest/gtest.h>

#include <filesystem>

#include "UploadHost.h"
#include "cli/Commands.h"
#include "framework/ExchangeContext.h"
#include "storage/SyncLog.h"
#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/ScopedHostConnection.h"

namespace tavex::cli {
namespace {

namespace fs = std::filesystem;

using test::Invocation;

// From an empty database to a package on the server, through the commands
// a user types.
class UploadCommandTest : public test::HostDatabaseTest {
 protected:
  // The commands hand their host connection over; it is given back at the end.
  test::ScopedHostConnection mHostScope{nullptr};
  test::TempDir mHome;
  test::TempDir mConfig;
  test::ScopedEnv mHomeVariable{"TAVEX_HOME", "/nowhere"};
  test::ScopedEnv mConfigVariable{"XDG_CONFIG_HOME", mConfig.Path()};
  test::FtpServer mServer;
};

TEST_P(UploadCommandTest, SendsTheSampleBillsAndThenFindsNothingNew) {
  const std::string db = ConnectionName();
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", db, "--bills", "40", "--days", "2"}).code);
  ASSERT_EQ(kExitOk, Invocation({"settings", "--db", db, "--set", "1001=127.0.0.1", "--set",
                                 "1002=tester", "--set", "1003=secret"})
                         .code);
  test::WriteFile(mHome / "Octopus/MAIN.INI",
                  "[FTP]\nPort=" + std::to_string(mServer.Port()) + "\n");
  mServer.MakeFolder("ForUpload");
  const std::string relativeHome = fs::relative(mHome.Path(), fs::current_path()).string();
  ASSERT_TRUE(fs::path(relativeHome).is_relative());

  Invocation first({"upload", "--db", db, "--home", relativeHome});
  EXPECT_EQ(kExitOk, first.code) << first.out.str() << first.err.str();
  EXPECT_EQ(mHome.Path(), std::getenv("TAVEX_HOME"));
  const std::string out = first.out.str();
  EXPECT_EQ(0u, out.find("正在导出数据...\n正在复制：21. 消费账单表 ...\n"
                         "成功复制：21. 消费账单表 ，共 20 条数据；\n"))
      << out;
  EXPECT_EQ("数据上传成功！\n\n",
            out.substr(out.size() - std::string("数据上传成功！\n\n").size()));
  EXPECT_EQ("", first.err.str());
  EXPECT_EQ(1u, mServer.List("ForUpload").size());
  EXPECT_TRUE(fs::is_directory(mHome / "Temp"));
  EXPECT_TRUE(fs::is_empty(mHome / "Temp"));

  // A quiet night is no failure for the timer.
  Invocation second({"upload", "--db", db, "--home", mHome.Path()});
  EXPECT_EQ(kExitOk, second.code);
  EXPECT_EQ("没有新的数据需要上传...\n\n", second.out.str());
}

TEST_P(UploadCommandTest, WithoutAServerAddressItSaysSoAndFails) {
  const std::string db = ConnectionName();
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", db, "--bills", "4", "--days", "2"}).code);
  Invocation run({"upload", "--db", db, "--home", mHome.Path()});
  EXPECT_EQ(kExitFailed, run.code);
  EXPECT_EQ("服务器地址未设置，操作被取消！\n\n", run.out.str());
}

TEST_P(UploadCommandTest, AStagingThatFailsSaysWhyOnTheErrorStreamAndInTheLog) {
  if (GetParam() != db::Backend::Sqlite) GTEST_SKIP() << "a busy time-out is SQLite's";
  const std::string db = ConnectionName();
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", db, "--bills", "4", "--days", "2"}).code);
  ASSERT_EQ(kExitOk, Invocation({"settings", "--db", db, "--set", "1001=127.0.0.1"}).code);
  const auto unsent = [&] {
    return test::Number(*Reopen(), "SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0");
  };
  const std::int64_t unsentBefore = unsent();
  // A POS terminal holds the write lock past the busy time-out.
  const auto terminal = Reopen();
  terminal->BeginTrans();
  terminal->Execute("UPDATE bi_Bill SET IsUploaded=IsUploaded");
  Invocation run({"upload", "--db", db, "--home", mHome.Path()});
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

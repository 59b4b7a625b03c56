#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "database/SharedConnection.h"
#include "framework/ExchangeContext.h"
#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"

namespace tavex::cli {
namespace {

namespace fs = std::filesystem;

using test::Invocation;

TEST(ConsoleListTest, PrintsEachLineAndAReplacedLastLineAgain) {
  std::ostringstream out;
  ConsoleList list(out);
  list.AddItem("正在导出数据...");
  list.AddItem("正在复制：21. 消费账单表 ...");
  list.SetItem(1, "成功复制：21. 消费账单表 ，共 3 条数据；");
  list.SetItem(0, "an earlier line changes quietly");
  list.AddItem("");
  EXPECT_EQ(
      "正在导出数据...\n正在复制：21. 消费账单表 ...\n成功复制：21. 消费账单表 ，共 3 条数据；\n\n",
      out.str());
  EXPECT_EQ(3, list.ListCount());
  EXPECT_EQ("an earlier line changes quietly", list.Lines()[0]);
}

TEST(ConsoleBarTest, DrawsOnlyWhereItIsVisibleAndGivesWayToLines) {
  std::ostringstream hiddenErr;
  ConsoleBar hidden(hiddenErr, false);
  hidden.SetValue(50);
  EXPECT_EQ(50, hidden.Value());
  EXPECT_EQ("", hiddenErr.str());

  std::ostringstream err;
  std::ostringstream out;
  ConsoleBar bar(err, true);
  ConsoleList list(out, &bar);
  bar.SetValue(50);
  EXPECT_EQ("\r[" + std::string(20, '#') + std::string(20, '.') + "] 50%", err.str());
  list.AddItem("line");
  EXPECT_EQ("\r\033[K", err.str().substr(err.str().size() - 4));
  bar.SetValue(250);  // beyond the maximum: a full bar
  EXPECT_NE(std::string::npos, err.str().find(std::string(40, '#') + "] 100%"));
}

// From an empty database to a package on the server, through the commands
// a user types.
class UploadCommandTest : public test::HostDatabaseTest {
 protected:
  void TearDown() override {
    ExchangeContext::Instance().SetConnection(nullptr);
    db::SetSharedConnection(nullptr);
  }

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

  Invocation second({"upload", "--db", db, "--home", mHome.Path()});
  EXPECT_EQ(kExitFailed, second.code);
  EXPECT_EQ("没有新的数据需要上传...\n\n", second.out.str());
}

TEST_P(UploadCommandTest, WithoutAServerAddressItSaysSoAndFails) {
  const std::string db = ConnectionName();
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", db, "--bills", "4", "--days", "2"}).code);
  Invocation run({"upload", "--db", db, "--home", mHome.Path()});
  EXPECT_EQ(kExitFailed, run.code);
  EXPECT_EQ("服务器地址未设置，操作被取消！\n\n", run.out.str());
}

INSTANTIATE_HOST_DATABASE_TEST(UploadCommandTest);

}  // namespace
}  // namespace tavex::cli

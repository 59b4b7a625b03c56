#include <gtest/gtest.h>

#include "cli/Commands.h"
#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"

namespace tavex::cli {
namespace {

using test::Invocation;

class MembersCommandTest : public test::HostDatabaseTest {
 protected:
  test::ScopedHostConnection mHostScope{nullptr};
  test::TempDir mHome;
  test::TempDir mConfig;
  test::ScopedEnv mHomeVariable{"TAVEX_HOME", "/nowhere"};
  test::ScopedEnv mConfigVariable{"XDG_CONFIG_HOME", mConfig.Path()};
  test::FtpServer mServer;
};

TEST_P(MembersCommandTest, SendsTheMembersMergesWhatWaitsAndThenHasNothingNew) {
  const std::string db = ConnectionName();
  const std::string home = mHome.Path();
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", db, "--bills", "20", "--days", "1"}).code);
  EXPECT_EQ(kExitFailed, Invocation({"members", "--db", db, "--home", home}).code)
      << "no server address";
  ASSERT_EQ(kExitOk, Invocation({"settings", "--db", db, "--set", "1001=127.0.0.1", "--set",
                                 "1002=tester", "--set", "1003=secret"})
                         .code);
  test::WriteFile(mHome / "Octopus/MAIN.INI",
                  "[FTP]\nPort=" + std::to_string(mServer.Port()) + "\n");
  mServer.MakeFolder("ForUpload");
  mServer.MakeFolder("ForDownload/B01");

  Invocation first({"members", "--db", db, "--home", home});
  EXPECT_EQ(kExitOk, first.code) << first.out.str() << first.err.str();
  EXPECT_EQ(0u, first.out.str().find("正在准备数据：分店【分店 B01】\n正在导出数据...\n"))
      << first.out.str();
  EXPECT_NE(std::string::npos,
            first.out.str().find("数据上传成功！\n正在建立FTP连接：127.0.0.1 ...\n"));
  EXPECT_EQ("", first.err.str());
  const auto sent = mServer.List("ForUpload");
  ASSERT_EQ(1u, sent.size());
  EXPECT_EQ(0, test::Number(*Reopen(), "SELECT COUNT(*) FROM mb_Member WHERE IsUploaded=0"));

  // The package comes back: merged, and nothing to send.
  mServer.PutFile("ForDownload/B01/" + sent[0], mServer.ReadFile("ForUpload/" + sent[0]));
  Invocation second({"members", "--db", db, "--home", home});
  EXPECT_EQ(kExitOk, second.code) << second.out.str() << second.err.str();
  EXPECT_EQ(0u, second.out.str().find("没有新的数据需要上传...\n")) << second.out.str();
  EXPECT_NE(std::string::npos, second.out.str().find("导入数据成功！\n"));
  EXPECT_EQ(1u, mServer.List("ForUpload").size());
}

INSTANTIATE_HOST_DATABASE_TEST(MembersCommandTest);

}  // namespace
}  // namespace tavex::cli

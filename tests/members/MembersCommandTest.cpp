#include <gtest/gtest.h>

#include "support/CommandFixture.h"
#include "support/FtpServer.h"
#include "support/Rows.h"

namespace tavex::cli {
namespace {

using test::Invocation;

class MembersCommandTest : public test::CommandTest {
 protected:
  test::FtpServer mServer;
};

TEST_P(MembersCommandTest, SendsTheMembersMergesWhatWaitsAndThenHasNothingNew) {
  Must({"sample-db", "--bills", "20", "--days", "1"});
  EXPECT_EQ(kExitFailed, Run({"members"}).code) << "no server address";
  UseServer(mServer);
  mServer.MakeFolder("ForUpload");
  mServer.MakeFolder("ForDownload/B01");

  Invocation first = Run({"members"});
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
  Invocation second = Run({"members"});
  EXPECT_EQ(kExitOk, second.code) << second.out.str() << second.err.str();
  EXPECT_EQ(0u, second.out.str().find("没有新的数据需要上传...\n")) << second.out.str();
  EXPECT_NE(std::string::npos, second.out.str().find("导入数据成功！\n"));
  EXPECT_EQ(1u, mServer.List("ForUpload").size());
}

INSTANTIATE_HOST_DATABASE_TEST(MembersCommandTest);

}  // namespace
}  // namespace tavex::cli

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Rows.h"
#include "support/SftpServer.h"
#include "support/TwoSites.h"

namespace tavex::cli {
namespace {

using test::Invocation;

// The two sites exchanging through a real OpenSSH server over SFTP, as the
// nightly runs do: the branch uploads, head office's relay routes, head
// office downloads.
class SftpExchange : public test::TwoSitesTest {
 protected:
  void SetUp() override {
    TAVEX_REQUIRE_SSHD();
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    mServer = std::make_unique<test::SftpServer>();
    SetUpSites(*mServer, {"ForUpload", "ForDownload/HQ", "ForDownload/B01"});
  }

  std::int64_t BranchBillsAtHq() const {
    return test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'");
  }

  std::unique_ptr<test::SftpServer> mServer;
};

TEST_P(SftpExchange, BillsTravelFromTheBranchThroughTheRelayToHeadOffice) {
  const std::int64_t unsent = test::Number(*db::OpenConnection(Branch()),
                                           "SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0");
  ASSERT_GT(unsent, 0);
  ASSERT_EQ(0, BranchBillsAtHq());

  Invocation upload = AtBranch("upload");
  ASSERT_EQ(kExitOk, upload.code) << upload.out.str() << upload.err.str();
  const std::vector<std::string> sent = mServer->List("ForUpload");
  ASSERT_EQ(1u, sent.size());
  EXPECT_EQ(0u, sent[0].rfind("B01-", 0)) << sent[0];

  // An earlier relay run broke off after sending the same package: the
  // SFTP server will not rename onto it, and the relay sends it again.
  const std::string package = mServer->ReadFile("ForUpload/" + sent[0]);
  mServer->PutFile("ForDownload/HQ/" + sent[0], package.substr(0, package.size() / 2));
  Invocation relay = AtHq("relay");
  ASSERT_EQ(kExitOk, relay.code) << relay.out.str() << relay.err.str();
  EXPECT_TRUE(mServer->List("ForUpload").empty());
  EXPECT_EQ(sent, mServer->List("ForDownload/HQ"));
  EXPECT_EQ(package, mServer->ReadFile("ForDownload/HQ/" + sent[0]));

  Invocation download = AtHq("download");
  ASSERT_EQ(kExitOk, download.code) << download.out.str() << download.err.str();
  EXPECT_NE(std::string::npos, download.out.str().find("1. " + sent[0] + "\n"));
  EXPECT_EQ(unsent, BranchBillsAtHq());
  EXPECT_TRUE(mServer->List("ForDownload/HQ").empty());
}

INSTANTIATE_HOST_DATABASE_TEST(SftpExchange);

}  // namespace
}  // namespace tavex::cli

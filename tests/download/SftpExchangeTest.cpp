#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "support/CliRun.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "support/SftpServer.h"

namespace tavex::cli {
namespace {

using test::Invocation;

// A branch (SQLite, sample data of B01) and head office (the backend under
// test) exchanging through a real OpenSSH server over SFTP, each with its
// own plug-in folder, driven through tavexdata as the nightly runs are:
// the branch uploads, head office's relay routes, head office downloads.
class SftpExchange : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    TAVEX_REQUIRE_SSHD();
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    mServer = std::make_unique<test::SftpServer>();
    for (const auto& home : {&mBranchHome, &mHqHome}) {
      test::WriteFile(*home / "Octopus/MAIN.INI", "[FTP]\n" + mServer->OptionsLines());
    }
    for (const char* folder : {"ForUpload", "ForDownload/HQ", "ForDownload/B01"}) {
      mServer->MakeFolder(folder);
    }
    Run({"sample-db", "--db", Branch(), "--bills", "30", "--days", "2"});
    Run({"sample-db", "--db", ConnectionName(), "--branch", "HQ", "--bills", "5", "--days", "1"});
    for (const std::string& db : {Branch(), ConnectionName()}) {
      Run({"settings", "--db", db, "--set", "1001=" + mServer->Host(), "--set",
           "1002=" + mServer->User(), "--set", "1003=" + mServer->Password()});
    }
  }

  std::string Branch() const { return "sqlite:" + (mBranchDir / "branch.db"); }

  static void Run(const std::vector<std::string>& args) {
    Invocation run(args);
    ASSERT_EQ(kExitOk, run.code) << args[0] << "\n" << run.out.str() << run.err.str();
  }

  std::int64_t BranchBillsAtHq() const {
    return test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'");
  }

  // The runs hand their host connection over; it is given back at the end.
  test::ScopedHostConnection mHostScope{nullptr};
  test::TempDir mBranchDir;
  test::TempDir mBranchHome;
  test::TempDir mHqHome;
  test::TempDir mConfig;
  test::ScopedEnv mConfigVariable{"XDG_CONFIG_HOME", mConfig.Path()};
  std::unique_ptr<test::SftpServer> mServer;
};

TEST_P(SftpExchange, BillsTravelFromTheBranchThroughTheRelayToHeadOffice) {
  const std::int64_t unsent = test::Number(*db::OpenConnection(Branch()),
                                           "SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0");
  ASSERT_GT(unsent, 0);
  ASSERT_EQ(0, BranchBillsAtHq());

  Invocation upload({"upload", "--db", Branch(), "--home", mBranchHome.Path()});
  ASSERT_EQ(kExitOk, upload.code) << upload.out.str() << upload.err.str();
  const std::vector<std::string> sent = mServer->List("ForUpload");
  ASSERT_EQ(1u, sent.size());
  EXPECT_EQ(0u, sent[0].rfind("B01-", 0)) << sent[0];

  // An earlier relay run broke off after sending the same package: the
  // SFTP server will not rename onto it, and the relay sends it again.
  const std::string package = mServer->ReadFile("ForUpload/" + sent[0]);
  mServer->PutFile("ForDownload/HQ/" + sent[0], package.substr(0, package.size() / 2));
  Invocation relay({"relay", "--db", ConnectionName(), "--home", mHqHome.Path()});
  ASSERT_EQ(kExitOk, relay.code) << relay.out.str() << relay.err.str();
  EXPECT_TRUE(mServer->List("ForUpload").empty());
  EXPECT_EQ(sent, mServer->List("ForDownload/HQ"));
  EXPECT_EQ(package, mServer->ReadFile("ForDownload/HQ/" + sent[0]));

  Invocation download({"download", "--db", ConnectionName(), "--home", mHqHome.Path()});
  ASSERT_EQ(kExitOk, download.code) << download.out.str() << download.err.str();
  EXPECT_NE(std::string::npos, download.out.str().find("1. " + sent[0] + "\n"));
  EXPECT_EQ(unsent, BranchBillsAtHq());
  EXPECT_TRUE(mServer->List("ForDownload/HQ").empty());

  Invocation again({"upload", "--db", Branch(), "--home", mBranchHome.Path()});
  EXPECT_EQ(kExitOk, again.code) << "a quiet night";
  EXPECT_EQ("没有新的数据需要上传...\n\n", again.out.str());
}

// A run against a server whose host key does not match sends nothing, marks
// nothing, and leaves the reason with the key's fingerprint in the log.
TEST_P(SftpExchange, AnUploadToAServerWithAnotherHostKeySendsNothing) {
  const std::string impostor = mServer->MakeKey("impostor");
  test::WriteFile(mBranchHome / "Octopus/MAIN.INI",
                  "[FTP]\nKnownHosts=" + mServer->KnownHostsNaming("changed", impostor + ".pub") +
                      "\n" + mServer->OptionsLines());
  const auto unsent = [&] {
    return test::Number(*db::OpenConnection(Branch()),
                        "SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0");
  };
  const std::int64_t before = unsent();
  Invocation upload({"upload", "--db", Branch(), "--home", mBranchHome.Path()});
  EXPECT_EQ(kExitFailed, upload.code);
  EXPECT_TRUE(mServer->List("ForUpload").empty());
  EXPECT_EQ(before, unsent());
  std::string log;
  for (const std::string& name : test::FolderNames(mBranchHome / "Log")) {
    log += test::ReadFile(mBranchHome / ("Log/" + name));
  }
  EXPECT_NE(std::string::npos, log.find(mServer->HostKeyFingerprints().front())) << log;
}

INSTANTIATE_HOST_DATABASE_TEST(SftpExchange);

}  // namespace
}  // namespace tavex::cli

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "engine/Package.h"
#include "engine/PackageDefinition.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "relay/cRelay.h"
#include "storage/DatabaseHelpers.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/PackageFiles.h"
#include "support/PackageForge.h"
#include "support/PluginHome.h"
#include "support/RecordingProgress.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"

namespace tavex {
namespace {

using test::FtpServer;

// Head office's relay on the backend under test, a real FTP server with the
// download folders of head office (HQ) and two branches, and packages built
// with the package engine.
class RelayTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    SettingsStore store(Db());
    store.SetSetting(kSettingBranchID, "HQ");
    store.SetSetting(kSettingFtpServer, mServer.Host());
    store.SetSetting(kSettingFtpUser, FtpServer::kUser);
    store.SetSetting(kSettingFtpPassword, FtpServer::kPassword);
    mHome.WriteOptions("[FTP]\nPort=" + std::to_string(mServer.Port()) + "\nTimeOut=10\n");
    for (const char* folder : {"ForUpload", "ForDownload/HQ", "ForDownload/B01", "ForDownload/B02"})
      mServer.MakeFolder(folder);
  }

  const std::string& Bills() {
    if (mBills.empty()) mBills = mForge.Build(test::BillSteps("B01", 1, 2), "B01");
    return mBills;
  }
  // The members of `sender`.
  std::string Members(const std::string& sender) {
    return mForge.Build(test::MemberSteps("M-" + sender, "9123"), sender);
  }
  void Waiting(const std::string& name, const std::string& contents) const {
    mServer.PutFile("ForUpload/" + name, contents);
  }

  bool Relay(bool dryRun = false) {
    mList = {};
    cRelay relay;
    relay.DryRun(dryRun);
    relay.Initialize(Reopen(), &mList, &mBar);
    const bool relayed = relay.Relay();
    mFailure = relay.Failure();
    return relayed;
  }
  // Relays in a child process that dies at once when the `nth` line
  // starting with `marker` is shown; the child's exit status.
  int RelayKilledAt(const std::string& marker, int nth) {
    const pid_t child = ::fork();
    if (child == 0) {
      test::HookedList list;
      int seen = 0;
      list.onLine = [&](const std::string& line) {
        if (line.starts_with(marker) && ++seen == nth) ::_exit(kKilled);
      };
      cRelay relay;
      relay.Initialize(Reopen(), &list, nullptr);
      ::_exit(relay.Relay() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  static constexpr int kKilled = 79;

  // Every file on the server with its contents.
  std::map<std::string, std::string> ServerFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(mServer.Root())) {
      if (!entry.is_regular_file()) continue;
      const std::string path = std::filesystem::relative(entry.path(), mServer.Root());
      files[path] = mServer.ReadFile(path);
    }
    return files;
  }
  std::string Lines() const { return testing::PrintToString(mList.lines); }

  // The member bundles in the download folder `folder`, by name.
  std::vector<std::string> Bundles(const std::string& folder) const {
    std::vector<std::string> bundles;
    for (const std::string& name : mServer.List("ForDownload/" + folder)) {
      if (name.ends_with("-MB.pkg")) bundles.push_back(name);
    }
    return bundles;
  }
  // What the bundle `name` in `folder` holds: its description, then per
  // step its caption and its rows' members and mobile numbers (or card
  // numbers), one line each.
  std::string BundleContents(const std::string& folder, const std::string& name) {
    const std::string copy = Folder() / ("seen-" + std::to_string(++mSeen));
    test::WriteFile(copy + ".pkg", mServer.ReadFile("ForDownload/" + folder + "/" + name));
    const auto database = test::OpenUnpacked(copy + ".pkg", copy + ".mdb");
    if (!database) return {};
    const engine::PackageDefinition definition = engine::PackageDefinition::Load(*database);
    std::string contents = definition.description;
    for (const auto& step : definition.steps) {
      const bool member = step.table == "mb_Member";
      contents += step.caption + "\n" +
                  test::Dump(*database, "SELECT MemberID, " +
                                            std::string(member ? "MobileNumber" : "MemberCardID") +
                                            " FROM [" + step.packageTable + "] ORDER BY 1, 2");
    }
    return contents;
  }

  test::ScopedHostConnection mHostScope{nullptr};
  test::PluginHome mHome;
  FtpServer mServer;
  test::HookedList mList;
  test::RecordingBar mBar;
  test::PackageForge mForge{Folder().Path()};
  std::string mBills;
  std::string mFailure;
  int mSeen = 0;
};

TEST_P(RelayTest, BillsGoToHeadOfficeMembersIntoOneBundleForEverySite) {
  Waiting("B01-1.pkg", Bills());
  Waiting("B02-1-M.pkg", Members("B02"));
  Waiting("B01-2-M.pkg", Members("B01"));
  ASSERT_TRUE(Relay()) << Lines();
  EXPECT_EQ(Bills(), mServer.ReadFile("ForDownload/HQ/B01-1.pkg"));
  const std::vector<std::string> bundles = Bundles("HQ");
  ASSERT_EQ(1u, bundles.size()) << testing::PrintToString(ServerFiles());
  EXPECT_TRUE(bundles[0].starts_with("HQ-")) << bundles[0];
  // One file of the same bytes in every site's folder, the senders' own
  // included, and nothing else anywhere.
  std::map<std::string, std::string> expected{{"ForDownload/HQ/B01-1.pkg", Bills()}};
  for (const char* folder : {"HQ", "B01", "B02"}) {
    expected["ForDownload/" + std::string(folder) + "/" + bundles[0]] =
        mServer.ReadFile("ForDownload/HQ/" + bundles[0]);
  }
  EXPECT_EQ(expected, ServerFiles());
  // In the order taken (by name), each origin named in its captions.
  EXPECT_EQ(
      "B01\tB01-2-M.pkg\nB02\tB02-1-M.pkg\n"
      "B01/30. 未上传的会员资料\nM-B01|9123\n"
      "B01/40. 未上传的会员卡资料\nM-B01|C-M-B01\n"
      "B02/30. 未上传的会员资料\nM-B02|9123\n"
      "B02/40. 未上传的会员卡资料\nM-B02|C-M-B02\n",
      BundleContents("HQ", bundles[0]));
  EXPECT_TRUE(mList.HasLine("会员数据包，并入会员汇总包：B02-1-M.pkg")) << Lines();
  EXPECT_TRUE(mList.HasLine("会员汇总包，转发到：HQ, B01, B02")) << Lines();
  EXPECT_EQ(3.0, mBar.Value());
  EXPECT_TRUE(Relay()) << "nothing left is no failure";
  EXPECT_TRUE(mList.HasLine("没有需要转发的数据包。")) << Lines();
}

// Of the rows of one key, the bundle keeps those of the package the relay
// took last, whoever sent it: every site that merges it ends equal.
TEST_P(RelayTest, ThePackageTakenLastWinsInsideTheBundle) {
  auto b02Steps = test::MemberSteps("M-1", "2222");
  b02Steps[0].rows.push_back("('M-2', 'Wong', '2323', 1)");
  // B01's card of M-1 goes with B01's member row; B02's replaces both.
  Waiting("B01-7-M.pkg", mForge.Build(test::MemberSteps("M-1", "1111"), "B01"));
  Waiting("B01-8-M.pkg", mForge.Build({test::MemberSteps("M-3", "3333")[0]}, "B01"));
  Waiting("B02-1-M.pkg", mForge.Build(b02Steps, "B02"));
  ASSERT_TRUE(Relay()) << Lines();
  const std::vector<std::string> bundles = Bundles("B01");
  ASSERT_EQ(1u, bundles.size());
  EXPECT_EQ(
      "B01\tB01-7-M.pkg\tB01-8-M.pkg\nB02\tB02-1-M.pkg\n"
      "B01/30. 未上传的会员资料\nM-3|3333\n"
      "B02/30. 未上传的会员资料\nM-1|2222\nM-2|2323\n"
      "B02/40. 未上传的会员卡资料\nM-1|C-M-1\n",
      BundleContents("B01", bundles[0]));
}

// A bundle comes from head office's relay only; one in the upload folder is
// set aside, as is a member package that cannot go into one.
TEST_P(RelayTest, ABundleInTheUploadFolderIsRefused) {
  Waiting("B01-1-MB.pkg", Members("B01"));
  auto reserved = test::MemberSteps("M-B02", "9");
  reserved[0].columns += ", tavex_Sequence INTEGER";
  reserved[0].rows = {"('M-B02', 'Chan', '9', 1, 5)"};
  Waiting("B02-1-M.pkg", mForge.Build(reserved, "B02"));
  ASSERT_TRUE(Relay()) << Lines();
  EXPECT_TRUE(mServer.Exists("ForUpload/Rejected/B01-1-MB.pkg"));
  EXPECT_EQ("会员汇总包只能由总部的转发生成：B01-1-MB.pkg\n",
            mServer.ReadFile("ForUpload/Rejected/B01-1-MB.pkg.txt"));
  EXPECT_EQ("会员数据包无法并入会员汇总包（缺少主键列或含有保留列）：mb_Member.tavex_Sequence\n",
            mServer.ReadFile("ForUpload/Rejected/B02-1-M.pkg.txt"));
  EXPECT_TRUE(Bundles("HQ").empty());
}

TEST_P(RelayTest, WithBundlingOffMembersGoToEverySiteButTheirSender) {
  test::WriteFile(mHome / "Octopus/RELAY.INI", "[Members]\nBundle=0\n");
  const std::string b01 = Members("B01"), b02 = Members("B02"), hq = Members("HQ");
  Waiting("B01-1.pkg", Bills());
  Waiting("B02-1-M.pkg", b02);
  Waiting("B01-2-M.pkg", b01);
  Waiting("HQ-1-M.pkg", hq);
  ASSERT_TRUE(Relay()) << Lines();
  EXPECT_EQ((std::map<std::string, std::string>{{"ForDownload/HQ/B01-1.pkg", Bills()},
                                                {"ForDownload/HQ/B02-1-M.pkg", b02},
                                                {"ForDownload/B01/B02-1-M.pkg", b02},
                                                {"ForDownload/HQ/B01-2-M.pkg", b01},
                                                {"ForDownload/B02/B01-2-M.pkg", b01},
                                                {"ForDownload/B01/HQ-1-M.pkg", hq},
                                                {"ForDownload/B02/HQ-1-M.pkg", hq}}),
            ServerFiles());
  EXPECT_EQ(4.0, mBar.Value());
  EXPECT_TRUE(Relay()) << "nothing left is no failure";
  EXPECT_TRUE(mList.HasLine("没有需要转发的数据包。")) << Lines();
}

TEST_P(RelayTest, ADamagedPackageIsSetAsideWithItsReasonAndTheNextOneRelayed) {
  Waiting("B01-1.pkg", Bills().substr(0, Bills().size() / 2));
  Waiting("B01-2.pkg", "not a package");
  Waiting("B01-3.pkg", Bills());
  ASSERT_TRUE(Relay()) << Lines();
  const std::string damaged = "数据包已损坏，已移到 Rejected 文件夹：";
  EXPECT_EQ((std::map<std::string, std::string>{
                {"ForUpload/Rejected/B01-1.pkg", Bills().substr(0, Bills().size() / 2)},
                {"ForUpload/Rejected/B01-1.pkg.txt", damaged + "\n"},
                {"ForUpload/Rejected/B01-2.pkg", "not a package"},
                {"ForUpload/Rejected/B01-2.pkg.txt", damaged + "\n"},
                {"ForDownload/HQ/B01-3.pkg", Bills()}}),
            ServerFiles());
  EXPECT_TRUE(mList.HasLine(damaged + "B01-2.pkg")) << Lines();
}

// A failure here is no fault of the package: it stays, and its sender's
// later packages wait behind it rather than overtake it.
TEST_P(RelayTest, AFailureHereKeepsTheSendersLaterPackagesBack) {
  // Bills also go to an archive folder that is not there: their sends fail.
  test::WriteFile(mHome / "Octopus/RELAY.INI", "[Others]\nAlsoTo=ARCHIVE\n");
  Waiting("B01-1.pkg", Bills());
  Waiting("B01-2.pkg", mForge.Build(test::BillSteps("B01", 3, 1), "B01"));
  const std::string members = Members("B02");
  Waiting("B02-1-M.pkg", members);
  EXPECT_FALSE(Relay());
  EXPECT_TRUE(mServer.Exists("ForUpload/B01-1.pkg"));
  EXPECT_TRUE(mServer.Exists("ForUpload/B01-2.pkg"));
  // Whichever of B01's the server lists first is tried; the other waits.
  const int tried = mList.HasLine("正在下载数据包：B01-1.pkg ...") +
                    mList.HasLine("正在下载数据包：B01-2.pkg ...");
  const int waited = mList.HasLine("同一发送方较早的数据包尚未完成，此数据包等待下次：B01-1.pkg") +
                     mList.HasLine("同一发送方较早的数据包尚未完成，此数据包等待下次：B01-2.pkg");
  EXPECT_EQ(1, tried) << Lines();
  EXPECT_EQ(1, waited) << Lines();
  EXPECT_FALSE(mServer.Exists("ForUpload/Rejected"));
  // Another sender's package goes on.
  EXPECT_EQ(1u, Bundles("B01").size());
  EXPECT_FALSE(mServer.Exists("ForUpload/B02-1-M.pkg"));
}

// A listing that fails is no empty folder: member packages would go to head
// office alone and be lost for every branch.
TEST_P(RelayTest, AFolderListingThatFailsStopsTheRunWithNothingMoved) {
  Waiting("B02-1-M.pkg", Members("B02"));
  const auto before = ServerFiles();
  // Listings of ForDownload fail; the rest of the server works.
  mServer.FailListingsOf("ForDownload");
  EXPECT_FALSE(Relay());
  EXPECT_TRUE(mList.HasLine("无法读取下载文件夹列表：ForDownload")) << Lines();
  EXPECT_EQ(before, ServerFiles());
}

TEST_P(RelayTest, ADryRunShowsTheRoutesAndChangesNothing) {
  Waiting("B01-1-M.pkg", Members("B01"));
  Waiting("B02-1.pkg", "damaged");
  const auto before = ServerFiles();
  ASSERT_TRUE(Relay(true)) << Lines();
  EXPECT_EQ(before, ServerFiles());
  EXPECT_TRUE(mList.HasLine("会员数据包，并入会员汇总包：B01-1-M.pkg")) << Lines();
  EXPECT_TRUE(mList.HasLine("会员汇总包，转发到：HQ, B01, B02")) << Lines();
  EXPECT_TRUE(mList.HasLine("数据包已损坏，已移到 Rejected 文件夹：B02-1.pkg")) << Lines();
}

TEST_P(RelayTest, APackageLeavesTheUploadFolderOnlyOnceEveryDestinationHasIt) {
  // The rules send member bundles to an archive folder that is not there
  // yet, and keep B02 out.
  test::WriteFile(mHome / "Octopus/RELAY.INI",
                  "[Members]\nAlsoTo = ARCHIVE\n[Folders]\nExclude=B02\n");
  Waiting("B01-1-M.pkg", Members("B01"));
  Waiting("B02-2.pkg", mForge.Build(test::BillSteps("B02", 1, 1), "B02"));
  EXPECT_FALSE(Relay());
  EXPECT_TRUE(mServer.Exists("ForUpload/B01-1-M.pkg"));
  EXPECT_EQ(1u, Bundles("HQ").size());
  EXPECT_EQ(1u, Bundles("B01").size());
  EXPECT_TRUE(Bundles("B02").empty());
  EXPECT_TRUE(mServer.Exists("ForDownload/HQ/B02-2.pkg")) << "another sender's still goes";

  // Killed between destinations: the source stays for the next run.
  mServer.MakeFolder("ForDownload/ARCHIVE");
  test::WriteFile(mHome / "Octopus/RELAY.INI", "[Members]\nAlsoTo=ARCHIVE\n");
  ASSERT_EQ(kKilled, RelayKilledAt("正在转发到：", 2));
  EXPECT_TRUE(mServer.Exists("ForUpload/B01-1-M.pkg"));

  // The next run bundles it again for every destination; the sites that
  // already hold an earlier bundle of it merge both, in order.
  ASSERT_TRUE(Relay()) << Lines();
  for (const char* folder : {"HQ", "B01", "B02", "ARCHIVE"}) {
    SCOPED_TRACE(folder);
    const std::vector<std::string> bundles = Bundles(folder);
    ASSERT_FALSE(bundles.empty());
    EXPECT_TRUE(BundleContents(folder, bundles.back()).starts_with("B01\tB01-1-M.pkg\n"));
  }
  EXPECT_TRUE(mServer.List("ForUpload").empty());
}

TEST_P(RelayTest, WithoutHeadOfficesIdentifierOrWithBadRulesNothingMoves) {
  Waiting("B01-1.pkg", Bills());
  const auto before = ServerFiles();
  test::WriteFile(mHome / "Octopus/RELAY.INI", "[Others]\nAlsoTo=../up\n");
  EXPECT_FALSE(Relay());
  EXPECT_NE(std::string::npos, mFailure.find("not a folder name: ../up")) << mFailure;
  EXPECT_EQ(before, ServerFiles());
  std::filesystem::remove(mHome / "Octopus/RELAY.INI");
  SettingsStore(Db()).SetSetting(kSettingBranchID, "");
  EXPECT_FALSE(Relay());
  EXPECT_TRUE(mList.HasLine("总部编号（设置 801）未设置，无法转发。")) << Lines();
  EXPECT_EQ(before, ServerFiles());
}

INSTANTIATE_HOST_DATABASE_TEST(RelayTest);

}  // namespace
}  // namespace tavex

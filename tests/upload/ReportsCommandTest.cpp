#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>

#include "UploadHost.h"
#include "database/AsciiText.h"
#include "storage/SyncLog.h"
#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/ScopedHostConnection.h"

namespace tavex::cli {
namespace {

namespace fs = std::filesystem;
using test::Invocation;

// A branch and a head office on one backend, each with a plug-in folder of
// its own, and the FTP server between them.
class ReportsCommandTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    mHq = test::CreateEmptyHostDatabase(GetParam(), Folder());
    for (const auto& [db, branch, home] :
         {std::tuple{ConnectionName(), "B01", &mBranchHome}, std::tuple{mHq, "HQ", &mHqHome}}) {
      ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", db, "--branch", branch, "--bills",
                                     branch == std::string("HQ") ? "0" : "60", "--days", "3"})
                             .code);
      ASSERT_EQ(kExitOk, Invocation({"settings", "--db", db, "--set", "1001=127.0.0.1", "--set",
                                     "1002=tester", "--set", "1003=secret"})
                             .code);
      test::WriteFile(home->Path() + "/Octopus/MAIN.INI",
                      "[FTP]\nPort=" + std::to_string(mServer.Port()) + "\n");
    }
    // Quotes in the branch identity stay inside the literals they are put in.
    ASSERT_EQ(kExitOk, Invocation({"settings", "--db", ConnectionName(), "--set", "801=B'01",
                                   "--set", "802=O'Neil's"})
                           .code);
    // The tills write the branch's identifier into every bill.
    Reopen()->Execute("UPDATE bi_Bill SET BranchID='B''01'");
    mServer.MakeFolder("ForUpload");
    mServer.MakeFolder("ForDownload/HQ");
  }

  Invocation Reports(std::vector<std::string> options) const {
    options.insert(options.begin(),
                   {"reports", "--db", ConnectionName(), "--home", mBranchHome.Path()});
    return Invocation(options);
  }
  // Head office fetches and merges what waits in the upload folder.
  void Merge() const {
    for (const auto& name : mServer.List("ForUpload")) {
      fs::rename(mServer.Root() + "/ForUpload/" + name, mServer.Root() + "/ForDownload/HQ/" + name);
    }
    Invocation download({"download", "--db", mHq, "--home", mHqHome.Path()});
    EXPECT_EQ(kExitOk, download.code) << download.out.str() << download.err.str();
  }
  std::string AtHq(const std::string& sql) const {
    return test::Dump(*db::OpenConnection(mHq), sql);
  }
  std::string AtBranch(const std::string& sql) const { return test::Dump(*Reopen(), sql); }

  test::ScopedHostConnection mHostScope{nullptr};
  test::TempDir mBranchHome;
  test::TempDir mHqHome;
  test::TempDir mConfig;
  test::ScopedEnv mConfigVariable{"XDG_CONFIG_HOME", mConfig.Path()};
  test::FtpServer mServer;
  std::string mHq;
};

TEST_P(ReportsCommandTest, APeriodSentTwiceLeavesOneCopyAtHeadOffice) {
  const std::string unsent = AtBranch("SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0");
  for (int round = 0; round < 2; ++round) {
    Invocation run = Reports({"--from", "2024-03-01", "--to", "2024-03-03", "--stock-from",
                              "2024-03-01", "--stock-to", "2024-03-03", "--with-bills"});
    ASSERT_EQ(kExitOk, run.code) << run.out.str() << run.err.str();
    // The full path, and a name of its own beside the bills' packages.
    EXPECT_TRUE(std::regex_search(
        run.out.str(), std::regex("\n正在上传文件：" + mBranchHome.Path() +
                                  "/Temp/B'01-[0-9]{12}-R\\.pkg \\.\\.\\.\n数据上传成功！\n$")))
        << run.out.str();
    EXPECT_TRUE(fs::is_empty(mBranchHome.Path() + "/Temp"));
    Merge();
  }
  EXPECT_EQ(AtBranch("SELECT BillDate, COUNT(*), ROUND(SUM(theConsume), 2) FROM rp_BillItem_Temp "
                     "GROUP BY BillDate ORDER BY 1"),
            AtHq("SELECT BillDate, COUNT(*), ROUND(SUM(theConsume), 2) FROM rp_BillItem_Upload "
                 "WHERE BranchID='B''01' GROUP BY BillDate ORDER BY 1"));
  EXPECT_EQ(AtBranch("SELECT BillDate, COUNT(*), ROUND(SUM(thePaySum), 2) FROM "
                     "rp_BillPayment_Temp GROUP BY BillDate ORDER BY 1"),
            AtHq("SELECT BillDate, COUNT(*), ROUND(SUM(thePaySum), 2) FROM rp_BillPayment_Upload "
                 "WHERE BranchID='B''01' GROUP BY BillDate ORDER BY 1"));
  EXPECT_EQ(AtBranch("SELECT COUNT(*), ROUND(SUM(Qty), 2) FROM st_Inventory_Full"),
            AtHq("SELECT COUNT(*), ROUND(SUM(Qty), 2) FROM rp_Inventory_Upload WHERE "
                 "BranchID='B''01'"));
  EXPECT_EQ(AtBranch("SELECT 'B''01-' || BillID FROM st_Bill ORDER BY 1"),
            AtHq("SELECT BillID FROM st_Bill WHERE BillID LIKE 'B''01-%' ORDER BY 1"));
  EXPECT_EQ(AtBranch("SELECT COUNT(*) FROM st_BillItem"),
            AtHq("SELECT COUNT(*) FROM st_BillItem WHERE BillID LIKE 'B''01-%'"));
  EXPECT_EQ(AtBranch("SELECT BillDate, COUNT(*) FROM st_StockItem, (SELECT DISTINCT BillDate FROM "
                     "st_BillItem_ByDepartment) AS d GROUP BY BillDate ORDER BY 1"),
            AtHq("SELECT BillDate, COUNT(*) FROM st_BOM WHERE BranchID='B''01' GROUP BY BillDate "
                 "ORDER BY 1"));
  EXPECT_EQ(AtBranch("SELECT 'B''01-' || BillID FROM bi_Bill ORDER BY 1"),
            AtHq("SELECT BillID FROM bi_Bill WHERE BillID LIKE 'B''01-%' ORDER BY 1"));
  EXPECT_EQ(unsent, AtBranch("SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0"));
}

TEST_P(ReportsCommandTest, AServerThatDoesNotAnswerLeavesNothingBehind) {
  mServer.Stop();
  Invocation run = Reports({"--inventory"});
  EXPECT_EQ(kExitFailed, run.code);
  EXPECT_EQ("FTP连接失败！请检查网络连接是否正确。\n",
            run.out.str().substr(run.out.str().rfind('\n', run.out.str().size() - 2) + 1));
  EXPECT_TRUE(fs::is_empty(mBranchHome.Path() + "/Temp"));
}

// Bills asked for that cannot be staged fail the run with the reason, and
// no package goes out without them.
TEST_P(ReportsCommandTest, BillsThatCannotBeStagedFailTheRunAndNothingIsSent) {
  Reopen()->Execute("DROP TABLE bi_BillPayment");
  Invocation run = Reports({"--from", "2024-03-01", "--to", "2024-03-03", "--with-bills"});
  EXPECT_EQ(kExitFailed, run.code) << run.out.str();
  const std::string err = run.err.str();
  EXPECT_EQ(0u, err.find("数据上传失败：")) << err;
  EXPECT_NE(std::string::npos, AsciiLower(err).find("bi_billpayment")) << err;
  EXPECT_EQ(std::string::npos, run.out.str().find("正在上传文件")) << run.out.str();
  EXPECT_TRUE(mServer.List("ForUpload").empty());
  EXPECT_TRUE(fs::is_empty(mBranchHome.Path() + "/Temp"));
  EXPECT_NE(std::string::npos, test::ReadFile(GetLastLogFile()).find("数据上传失败："));
}

TEST_P(ReportsCommandTest, ExportOnlyKeepsYesterdaysPackageInTheBackupFolder) {
  const test::ScopedUmask umask(0);
  Invocation run = Reports({"--export-only"});
  ASSERT_EQ(kExitOk, run.code) << run.out.str() << run.err.str();
  const std::time_t now = std::time(nullptr) - 24 * 60 * 60;
  std::tm day{};
  localtime_r(&now, &day);
  char stem[16];
  std::strftime(stem, sizeof stem, "%Y%m%d", &day);
  const std::string out = run.out.str();
  EXPECT_EQ(0u, out.find("没有需要上传的销售日报表！\n没有需要上传的收银日报表！\n"
                         "正在生成原材料耗量表：st_BOM_" +
                         std::string(stem) + "\n正在导出数据...\n"))
      << out;
  const std::string kept = out.substr(out.rfind('\n', out.size() - 2) + 1);
  EXPECT_EQ(0u, kept.find(mBranchHome.Path() + "/BckPackage/")) << kept;
  EXPECT_TRUE(fs::is_regular_file(kept.substr(0, kept.size() - 1)));
  EXPECT_EQ(0640U, test::PermissionsOf(kept.substr(0, kept.size() - 1)));
  EXPECT_TRUE(fs::is_empty(mBranchHome.Path() + "/Temp"));
  EXPECT_TRUE(mServer.List("ForUpload").empty());
  test::UnpackedPackage package(kept.substr(0, kept.size() - 1));
  EXPECT_EQ(std::stoll(AtBranch("SELECT COUNT(*) FROM st_Inventory_Full")),
            package.Count("rp_Inventory_Upload"));
  EXPECT_EQ(std::stoll(AtBranch("SELECT COUNT(*) FROM st_StockItem")), package.Count("st_BOM"));
}

INSTANTIATE_HOST_DATABASE_TEST(ReportsCommandTest);

TEST(ReportsCommandUsageTest, BadDatesAndRangesStopBeforeAnythingRuns) {
  for (const std::vector<std::string>& options : std::vector<std::vector<std::string>>{
           {"--from", "2024-02-30", "--to", "2024-03-01"},
           {"--stock-from", "2024-3-01"},
           {"--to", "20240301"},
           {"--from", "2024-03-02", "--to", "2024-03-01"},
           {"--stock-from", "2024-03-02", "--stock-to", "2024-03-01"},
           {"--to", "2024-03-01"},
           {"--with-bills", "--inventory"},
       }) {
    std::vector<std::string> args{"reports", "--db", "sqlite:/nowhere/host.db"};
    args.insert(args.end(), options.begin(), options.end());
    Invocation run(args);
    EXPECT_EQ(kExitUsage, run.code) << testing::PrintToString(options);
    EXPECT_EQ("", run.out.str());
    EXPECT_NE(std::string::npos, run.err.str().find("usage: tavexdata reports")) << run.err.str();
  }
}

}  // namespace
}  // namespace tavex::cli

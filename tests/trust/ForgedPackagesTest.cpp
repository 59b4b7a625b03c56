#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "cli/SampleDatabase.h"
#include "download/cDownload.h"
#include "engine/FSComprFile.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "maintenance/MaintenanceRuns.h"
#include "relay/cRelay.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/PackageFiles.h"
#include "support/PackageForge.h"
#include "support/PluginHome.h"
#include "support/RecordingProgress.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "trust/PackageSignature.h"
#include "trust/SiteKeys.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using test::BillSteps;
using test::ForgedStep;
using test::PackageForge;

// A package anybody with the chain's FTP login could write, and what every
// receiver must make of it.
struct ForgedCase {
  const char* name;
  std::string file;  // its name on the server
  std::function<std::string(PackageForge&)> package;
  std::string reason;        // part of the reason it is refused for
  std::string untouched;     // a query at head office whose answer it must not change
  bool atRelay = true;       // the relay checks it too (it knows no host tables)
  std::string prepare = {};  // run at head office before the case
  std::string undo = {};     // and after it
  std::string limits = {};   // lines of [Packages] in MAIN.INI
};

// A package of 1 GiB of zeros that compresses to a few kilobytes.
const std::string& ZeroBomb(const std::string& folder) {
  static const std::string bomb = [&] {
    const std::string zeros = folder + "/zeros.mdb";
    test::WriteFile(zeros, "");
    fs::resize_file(zeros, std::uintmax_t{1} << 30);  // sparse: nothing is written
    EXPECT_EQ(0, test::Pack(zeros, folder + "/zeros.pkg"));
    fs::remove(zeros);
    return test::ReadFile(folder + "/zeros.pkg");
  }();
  return bomb;
}

std::vector<ForgedStep> With(std::vector<ForgedStep> steps, ForgedStep more) {
  steps.push_back(std::move(more));
  return steps;
}

const std::string kBills = "B01-240305140709.pkg";

std::vector<ForgedCase> Cases(const std::string& folder) {
  return {
      {"an account for an outsider", kBills,
       [](PackageForge& forge) {
         return forge.Build(
             With(BillSteps("B01", 1, 1), {"pv_User",
                                           "UserID TEXT, UserGroupID TEXT, PasswordHash TEXT",
                                           {"('outsider', 'admin', 'known hash')"},
                                           {{5, "DELETE FROM pv_User WHERE UserID='{UserID}'"}}}),
             "B01");
       },
       "此类数据包不能写入表：pv_User", "SELECT UserID FROM pv_User ORDER BY 1"},
      {"every branch's bills erased", kBills,
       [](PackageForge& forge) {
         return forge.Build(
             {{"bi_Bill", "BillID TEXT, BranchID TEXT", {}, {{4, "DELETE FROM bi_Bill"}}}}, "B01");
       },
       "此类数据包不能包含语句：DELETE FROM bi_Bill",
       "SELECT BillID FROM bi_Bill WHERE BillID NOT LIKE 'B02-%' ORDER BY 1"},
      {"head office's server address replaced", kBills,
       [](PackageForge& forge) {
         return forge.Build(
             {{"sys_ExchangeSetting",
               "SettingID INTEGER, SettingValue TEXT",
               {"(1001, 'ftp.forged.example')"},
               {{5, "DELETE FROM sys_ExchangeSetting WHERE SettingID='{SettingID}'"}}}},
             "B01");
       },
       "此类数据包不能写入表：sys_ExchangeSetting",
       "SELECT SettingValue FROM sys_ExchangeSetting WHERE SettingID=1001"},
      {"every member erased by a member package", "B02-240305140709-M.pkg",
       [](PackageForge& forge) {
         return forge.Build(
             {{"mb_Member", "MemberID TEXT, MemberName TEXT", {}, {{4, "DELETE FROM mb_Member"}}}},
             "B02");
       },
       "此类数据包不能包含语句：DELETE FROM mb_Member",
       "SELECT MemberID FROM mb_Member ORDER BY 1"},
      {"a step table that is an endless view", kBills,
       [](PackageForge& forge) {
         return forge.Tampered(
             forge.Build(BillSteps("B01", 1, 1), "B01"),
             {"DROP TABLE bi_BillItem",
              "CREATE VIEW bi_BillItem AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 "
              "FROM n) SELECT 'B01-1-'||x AS BillItemID, 'B01-1' AS BillID, 'x' AS MenuName "
              "FROM n"});
       },
       "not a plain table: bi_BillItem", "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'"},
      {"a table head office lacks", kBills,
       [](PackageForge& forge) {
         return forge.Build(
             With(BillSteps("B01", 1, 1),
                  {"bi_UnCheckBill",
                   "UnCheckBillID TEXT, BillID TEXT",
                   {"('1', 'B01-1')"},
                   {{5, "DELETE FROM bi_UnCheckBill WHERE UnCheckBillID='{UnCheckBillID}'"}}}),
             "B01");
       },
       "the receiving table bi_UnCheckBill does not exist",
       "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'", false,
       "ALTER TABLE bi_UnCheckBill RENAME TO bi_UnCheckBill_Away",
       "ALTER TABLE bi_UnCheckBill_Away RENAME TO bi_UnCheckBill"},
      {"1 GiB of zeros", kBills, [folder](PackageForge&) { return ZeroBomb(folder); },
       "数据包超过大小上限，解压后字节数：1073741824",
       "SELECT COUNT(*) FROM bi_Bill WHERE BillID NOT LIKE 'B02-%'", true, "", "",
       "MaxSizeMB=64\n"},
      {"another branch's bills", "B02-240305140709.pkg",
       [](PackageForge& forge) { return forge.Build(BillSteps("B03", 1, 1), "B02"); },
       "数据包写入了不属于发送方的数据：bi_Bill.BillID = B03-1",
       "SELECT BillID, SumPaid FROM bi_Bill WHERE BillID NOT LIKE 'B02-%' ORDER BY 1"},
      {"the bills of a branch whose identifier starts like the sender's", "B-240305140709.pkg",
       [](PackageForge& forge) {
         return forge.Tampered(forge.Build(BillSteps("B-01", 1, 1), "B"),
                               {"UPDATE bi_Bill SET BranchID='B'"});
       },
       "数据包写入了不属于发送方的数据：bi_Bill.BillID = B-01-1",
       "SELECT BillID, SumPaid FROM bi_Bill WHERE BillID NOT LIKE 'B02-%' ORDER BY 1"},
      {"own keys, another branch's bills", "B02-240305140709.pkg",
       [](PackageForge& forge) {
         return forge.Tampered(forge.Build(BillSteps("B02", 50, 1), "B02"),
                               {"UPDATE bi_Bill SET BranchID='B03'"});
       },
       "数据包写入了不属于发送方的数据：bi_Bill.BranchID = B03",
       "SELECT COUNT(*) FROM bi_Bill WHERE BillID='B02-50'"},
      {"a name that is not its sender's", "B02-240305140711.pkg",
       [](PackageForge& forge) { return forge.Build(BillSteps("B01", 1, 1), "B01"); },
       "数据包记录的发送方与文件名不符：B01",
       "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'"},
      {"a name without a sender", "forged.pkg",
       [](PackageForge& forge) { return forge.Build(BillSteps("B01", 1, 1), "B01"); },
       "文件名没有注明发送方：forged.pkg",
       "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'"},
      {"another branch's reports replaced", "B01-240305140709-R.pkg",
       [](PackageForge& forge) {
         return forge.Build({{"rp_BillItem_Upload",
                              "MenuID TEXT, BranchID TEXT, BranchName TEXT, BillDate DATETIME",
                              {},
                              {{4,
                                "DELETE FROM rp_BillItem_Upload WHERE BillDate='2024-03-01' AND "
                                "BranchID='B02' AND BranchName='分店 B02'"}}}},
                            "B01");
       },
       "此类数据包不能包含语句：", "SELECT MenuID, BranchID FROM rp_BillItem_Upload ORDER BY 1"},
      {"bills in a member package", "B01-240305140709-M.pkg",
       [](PackageForge& forge) { return forge.Build(BillSteps("B01", 1, 1), "B01"); },
       "此类数据包不能写入表：bi_Bill", "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'"},
      {"a trigger", kBills,
       [](PackageForge& forge) {
         return forge.Tampered(forge.Build(BillSteps("B01", 1, 1), "B01"),
                               {"CREATE TRIGGER evil AFTER INSERT ON bi_Bill BEGIN SELECT 1; END"});
       },
       "not a plain table: evil", "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'"},
      {"a computed column", kBills,
       [](PackageForge& forge) {
         return forge.Tampered(forge.Build(BillSteps("B01", 1, 1), "B01"),
                               {"ALTER TABLE bi_BillItem ADD COLUMN Evil TEXT GENERATED ALWAYS AS "
                                "(upper(MenuName))"});
       },
       "computed column in step table bi_BillItem",
       "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'"},
      {"a package that takes too long to read", kBills,
       [](PackageForge& forge) {
         ForgedStep many = BillSteps("B01", 1, 1)[0];
         many.rows.clear();
         many.statements = {{5, "DELETE FROM bi_Bill WHERE BillID='{BillID}'"}};
         many.generated =
             "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<200000) "
             "SELECT 'B01-'||x, 'B01-S1', '2024-03-05 12:00:00', 'B01', x, 1 FROM n";
         return forge.Build({many}, "B01");
       },
       "the time limit was reached", "SELECT COUNT(*) FROM bi_Bill WHERE BillID LIKE 'B01-%'", true,
       "", "", "TimeLimit=0.001\n"},
  };
}

// Head office on the backend under test: the sample schema, the bills and
// reports of branches B03 and B-01 it holds already, its settings, a real
// FTP server with the exchange folders, and every forged package above.
class ForgedPackages : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    cli::SampleOptions sample;
    sample.branchId = "HQ";
    sample.bills = 0;
    cli::CreateSampleDatabase(Db(), sample);
    SettingsStore store(Db());
    store.SetSetting(kSettingFtpServer, mServer.Host());
    store.SetSetting(kSettingFtpUser, test::FtpServer::kUser);
    store.SetSetting(kSettingFtpPassword, test::FtpServer::kPassword);
    Db()->Execute(
        "INSERT INTO bi_Bill (BillID, BranchID, SumPaid, IsUploaded) VALUES "
        "('B03-1', 'B03', 7, 1), ('B-01-1', 'B-01', 7, 1)");
    Db()->Execute(
        "INSERT INTO rp_BillItem_Upload (MenuID, BranchID, BranchName, BillDate) VALUES "
        "('M1', 'B02', '分店 B02', '2024-03-01 00:00:00')");
    for (const char* folder : {"ForUpload", "ForDownload/HQ", "ForDownload/B01", "ForDownload/B02",
                               "ForDownload/B-01", "ForDownload/B"}) {
      mServer.MakeFolder(folder);
    }
  }

  void WriteOptions(const std::string& limits) const {
    mHome.WriteOptions("[FTP]\nPort=" + std::to_string(mServer.Port()) +
                       "\nTimeOut=10\n[Packages]\n" + limits);
  }

  bool Download() {
    cDownload run;
    run.Initialize(Reopen(), mList, mBar);
    return run.Download();
  }
  bool Relay() {
    cRelay run;
    run.Initialize(Reopen(), &mList, &mBar);
    return run.Relay();
  }

  // A sound package of B02 with one new bill; its bill's identifier.
  std::string PutSoundPackage(const std::string& folder, std::string& bill) {
    ++mSound;
    bill = "B02-" + std::to_string(mSound);
    const std::string name = "B02-2403051500" + std::to_string(10 + mSound) + ".pkg";
    mServer.PutFile(folder + "/" + name, Sealed(mForge.Build(BillSteps("B02", mSound, 1), "B02")));
    return name;
  }
  // A sound package of B02 as B02 sends it.
  virtual std::string Sealed(std::string package) { return package; }

  std::string Dump(const std::string& sql) const { return test::Dump(*Reopen(), sql); }
  // The reason filed beside package `name` in this month's error folder.
  std::string FiledReason(const std::string& name) const {
    for (const auto& entry : fs::recursive_directory_iterator(mHome / "ErrPackage")) {
      if (entry.path().filename() == name + ".txt") return test::ReadFile(entry.path());
    }
    return "(no reason filed for " + name + ")";
  }
  void Clean() const {
    for (const char* folder : {"Temp", "BckPackage", "ErrPackage"}) fs::remove_all(mHome / folder);
    for (const char* folder : {"ForUpload", "ForDownload/HQ"}) {
      fs::remove_all(mServer.Root() + "/" + folder);
      mServer.MakeFolder(folder);
    }
  }

  test::ScopedHostConnection mHostScope{nullptr};
  test::PluginHome mHome;
  test::FtpServer mServer;
  PackageForge mForge{Folder().Path()};
  test::HookedList mList;
  test::RecordingBar mBar;
  int mSound = 0;
};

TEST_P(ForgedPackages, TheDownloadFilesEachWithItsReasonAndMergesTheNextPackage) {
  for (const ForgedCase& c : Cases(Folder().Path())) {
    SCOPED_TRACE(c.name);
    Clean();
    WriteOptions(c.limits);
    if (!c.prepare.empty()) Db()->Execute(c.prepare);
    const std::string before = Dump(c.untouched);
    mServer.PutFile("ForDownload/HQ/" + c.file, c.package(mForge));
    std::string bill;
    PutSoundPackage("ForDownload/HQ", bill);

    EXPECT_FALSE(Download());
    EXPECT_EQ(before, Dump(c.untouched));
    EXPECT_NE(std::string::npos, FiledReason(c.file).find(c.reason))
        << FiledReason(c.file) << testing::PrintToString(mList.lines);
    EXPECT_EQ("1\n", Dump("SELECT COUNT(*) FROM bi_Bill WHERE BillID='" + bill + "'"));
    EXPECT_TRUE(mServer.List("ForDownload/HQ").empty());
    EXPECT_TRUE(test::FolderNames(mHome / "Temp/Pending").empty()) << "nothing waits";
    if (!c.undo.empty()) Db()->Execute(c.undo);
  }
}

TEST_P(ForgedPackages, TheRelaySetsEachAsideWithItsReasonAndRelaysTheNextPackage) {
  for (const ForgedCase& c : Cases(Folder().Path())) {
    if (!c.atRelay) continue;
    SCOPED_TRACE(c.name);
    Clean();
    WriteOptions(c.limits);
    mServer.PutFile("ForUpload/" + c.file, c.package(mForge));
    std::string bill;
    const std::string sound = PutSoundPackage("ForUpload", bill);

    EXPECT_TRUE(Relay()) << "a package set aside is no failure of the run";
    EXPECT_TRUE(mServer.Exists("ForUpload/Rejected/" + c.file));
    const std::string reason = mServer.ReadFile("ForUpload/Rejected/" + c.file + ".txt");
    EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
    EXPECT_EQ((std::vector<std::string>{sound}), mServer.List("ForDownload/HQ"));
    EXPECT_TRUE(mServer.List("ForDownload/B01").empty());
    EXPECT_TRUE(mServer.List("ForDownload/B02").empty());
  }
}

// Too little free space is this machine's lack, not the package's fault:
// nothing is unpacked, the package waits, and the next run that has the
// room deals with it.
TEST_P(ForgedPackages, APackageTooLargeForTheFreeSpaceWaits) {
  WriteOptions("FreeSpaceMB=1000000000\n");
  mServer.PutFile("ForDownload/HQ/" + kBills, ZeroBomb(Folder().Path()));
  EXPECT_FALSE(Download());
  EXPECT_TRUE(
      mList.HasLine("本机故障，数据包留待下次导入：磁盘空间不足，数据包暂不解压，解压后字节数："
                    "1073741824"));
  EXPECT_EQ((std::vector<std::string>{kBills, "Pending"}), test::FolderNames(mHome / "Temp"));
  EXPECT_FALSE(fs::exists(mHome / "ErrPackage/" + kBills));

  mServer.PutFile("ForUpload/" + kBills, ZeroBomb(Folder().Path()));
  EXPECT_FALSE(Relay());
  EXPECT_TRUE(mServer.Exists("ForUpload/" + kBills));
  EXPECT_FALSE(mServer.Exists("ForUpload/Rejected"));

  // With room, and a limit the package exceeds, it is refused and filed.
  WriteOptions("MaxSizeMB=64\n");
  EXPECT_FALSE(Download());
  EXPECT_NE(std::string::npos, FiledReason(kBills).find("数据包超过大小上限"));
  EXPECT_FALSE(fs::exists(mHome / "Temp/Pending/" + kBills));
}

// A reversed checkout's earlier copy is found by an identifier that carries
// no branch, which two branches may number alike. A branch's package
// replaces only its own.
TEST_P(ForgedPackages, ADeleteTouchesOnlyTheSendersRowsWhateverItsKey) {
  WriteOptions("");
  // Head office keeps every branch's reversed checkouts side by side.
  Db()->Execute("DROP TABLE bi_UnCheckBill");
  Db()->Execute("CREATE TABLE bi_UnCheckBill (UnCheckBillID TEXT, BillID TEXT, Reason TEXT)");
  Db()->Execute(
      "INSERT INTO bi_UnCheckBill (UnCheckBillID, BillID, Reason) VALUES ('7', 'B03-1', 'kept')");
  std::vector<ForgedStep> steps = BillSteps("B02", 1, 1);
  steps.push_back({"bi_UnCheckBill",
                   "UnCheckBillID TEXT, BillID TEXT, Reason TEXT",
                   {"('7', 'B02-1', 'replaced')"},
                   {{5, "DELETE FROM bi_UnCheckBill WHERE UnCheckBillID='{UnCheckBillID}'"}}});
  mServer.PutFile("ForDownload/HQ/B02-240305140709.pkg", mForge.Build(steps, "B02"));
  ASSERT_TRUE(Download());
  EXPECT_EQ("7|B02-1|replaced\n7|B03-1|kept\n",
            Dump("SELECT UnCheckBillID, BillID, Reason FROM bi_UnCheckBill ORDER BY 2"));
}

// A backup is a file a person chose: only the backups this system writes
// are restored.
TEST_P(ForgedPackages, ARestoreTakesOnlyTheBackupsThisSystemWrites) {
  WriteOptions("MaxSizeMB=64\n");
  struct Case {
    const char* name;
    std::function<std::string()> package;
    RunOutcome outcome;
    std::string reason;
  };
  const Case cases[] = {
      {"the system's settings",
       [&] {
         return mForge.Build({{"sys_ExchangeSetting",
                               "SettingID INTEGER, SettingValue TEXT",
                               {"(1001, 'ftp.forged.example')"},
                               {{4, "DELETE FROM sys_ExchangeSetting"}}}});
       },
       RunOutcome::Refused, "此类数据包不能写入表：sys_ExchangeSetting"},
      {"every bill erased",
       [&] {
         return mForge.Build(
             {{"bi_Bill", "BillID TEXT, BranchID TEXT", {}, {{4, "DELETE FROM bi_Bill"}}}});
       },
       RunOutcome::Refused, "此类数据包不能包含语句：DELETE FROM bi_Bill"},
      {"an endless view",
       [&] {
         return mForge.Tampered(
             mForge.Build({{"mn_Menu", "MenuID TEXT", {"('1')"}, {{4, "DELETE FROM mn_Menu"}}}}),
             {"DROP TABLE mn_Menu",
              "CREATE VIEW mn_Menu AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM "
              "n) "
              "SELECT x AS MenuID FROM n"});
       },
       RunOutcome::BadFile, ""},
      {"1 GiB of zeros", [&] { return ZeroBomb(Folder().Path()); }, RunOutcome::Refused,
       "1073741824"},
      {"the workstations, without an account",
       [&] {
         return mForge.Build({{"sys_WorkStation",
                               "WorkStationID TEXT, WorkStationName TEXT",
                               {"('W9', 'forged')"},
                               {{4, "DELETE FROM sys_WorkStation"}}}});
       },
       RunOutcome::BadLogin, ""},
  };
  const std::string untouched =
      "SELECT COUNT(*) FROM bi_Bill UNION ALL SELECT COUNT(*) FROM sys_WorkStation UNION ALL "
      "SELECT COUNT(*) FROM sys_ExchangeSetting UNION ALL SELECT COUNT(*) FROM mn_Menu";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = Dump(untouched);
    test::WriteFile(Folder() / "backup.pkg", c.package());
    engine::Package package;
    const RunResult result = RestorePackage(package, Folder() / "backup.pkg", Db());
    EXPECT_EQ(c.outcome, result.outcome);
    EXPECT_NE(std::string::npos, result.reason.find(c.reason)) << result.reason;
    EXPECT_EQ(before, Dump(untouched));
  }
}

INSTANTIATE_HOST_DATABASE_TEST(ForgedPackages);

// Head office once B01 and B02 have keys and it trusts them; B03 has a key
// nobody registered. B02's sound packages come signed.
class SignedPackages : public ForgedPackages {
 protected:
  void SetUp() override {
    ForgedPackages::SetUp();
    if (IsSkipped()) return;
    for (const std::string site : {"B01", "B02", "B03"}) {
      fs::create_directories(Folder() / ("keys/" + site));
      mKeys.emplace(site, trust::SiteKey::Create(Folder() / ("keys/" + site)));
    }
    trust::KeyRegistry registry(*Db());
    registry.Trust("B01", mKeys.at("B01").Public());
    registry.Trust("B02", mKeys.at("B02").Public());
  }

  // `package` signed with `signer`'s key as `sender`'s, of `kind`, with the
  // signer's next number unless `number` is given.
  std::string Signed(const std::string& package, const std::string& signer,
                     const std::string& sender, trust::PackageKind kind = trust::PackageKind::Bills,
                     std::uint64_t number = 0) {
    const std::string path = Folder() / "signing.pkg";
    test::WriteFile(path, package);
    trust::SignPackageFile(path, mKeys.at(signer),
                           {signer, sender, kind, number != 0 ? number : ++mNumbers[signer], {}});
    return test::ReadFile(path);
  }
  std::string Sealed(std::string package) override { return Signed(package, "B02", "B02"); }

  // B01's bills first..first+count-1.
  std::string Bills(int first, int count = 1) {
    return mForge.Build(BillSteps("B01", first, count), "B01");
  }

  std::map<std::string, trust::SiteKey> mKeys;
  std::map<std::string, std::uint64_t> mNumbers;
};

TEST_P(SignedPackages, TheRelayAndTheDownloadRefuseWhatTheSendersKeyDidNotSign) {
  struct Case {
    const char* name;
    std::string file;
    std::function<std::string()> package;
    std::string reason;
    std::function<void(trust::KeyRegistry&)> prepare = [](trust::KeyRegistry&) {};
  };
  const Case cases[] = {
      {"a byte of the data changed", kBills,
       [&] {
         std::string package = Signed(Bills(1), "B01", "B01");
         package[package.size() - 9] ^= 1;
         return package;
       },
       "数据包的签名不正确：B01"},
      {"B02's key in B01's name", kBills, [&] { return Signed(Bills(1), "B02", "B01"); },
       "数据包由其他站点的密钥签名：B02"},
      {"bills signed as members", "B01-240305140709-M.pkg",
       [&] { return Signed(Bills(1), "B01", "B01"); },
       "签名中的发送方或种类与文件名不符：B01 bills"},
      {"B01's signature on B02's name", "B02-240305140709.pkg",
       [&] { return Signed(Bills(1), "B01", "B01"); },
       "签名中的发送方或种类与文件名不符：B01 bills"},
      {"unsigned, in the name of a branch with a key", kBills, [&] { return Bills(1); },
       "数据包没有签名，发送方不在允许之列：B01"},
      {"unsigned, from a branch nobody knows", "B99-240305140709.pkg",
       [&] { return mForge.Build(BillSteps("B99", 1, 1), "B99"); },
       "数据包没有签名，发送方不在允许之列：B99"},
      {"signed by a key nobody registered", "B03-240305140709.pkg",
       [&] { return Signed(mForge.Build(BillSteps("B03", 5, 1), "B03"), "B03", "B03"); },
       "签名的站点没有登记密钥：B03"},
      {"signed by a revoked key", kBills, [&] { return Signed(Bills(1), "B01", "B01"); },
       "此站点的密钥已被吊销：B01", [](trust::KeyRegistry& registry) { registry.Revoke("B01"); }},
      {"a forged package its sender's key signed", kBills,
       [&] {
         return Signed(
             mForge.Build(
                 {{"bi_Bill", "BillID TEXT, BranchID TEXT", {}, {{4, "DELETE FROM bi_Bill"}}}},
                 "B01"),
             "B01", "B01");
       },
       "此类数据包不能包含语句：DELETE FROM bi_Bill"},
  };
  WriteOptions("");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    trust::KeyRegistry registry(*Db());
    registry.Trust("B01", mKeys.at("B01").Public());
    c.prepare(registry);

    Clean();
    mServer.PutFile("ForUpload/" + c.file, c.package());
    std::string bill;
    const std::string sound = PutSoundPackage("ForUpload", bill);
    EXPECT_TRUE(Relay());
    const std::string reason = mServer.ReadFile("ForUpload/Rejected/" + c.file + ".txt");
    EXPECT_NE(std::string::npos, reason.find(c.reason)) << reason;
    EXPECT_EQ((std::vector<std::string>{sound}), mServer.List("ForDownload/HQ"));

    Clean();
    PutSoundPackage("ForDownload/HQ", bill);
    const std::string others =
        "SELECT BillID, SumPaid FROM bi_Bill WHERE BillID<>'" + bill + "' ORDER BY 1";
    const std::string before = Dump(others);
    mServer.PutFile("ForDownload/HQ/" + c.file, c.package());
    EXPECT_FALSE(Download());
    EXPECT_NE(std::string::npos, FiledReason(c.file).find(c.reason)) << FiledReason(c.file);
    EXPECT_EQ(before, Dump(others));
    EXPECT_EQ("1\n", Dump("SELECT COUNT(*) FROM bi_Bill WHERE BillID='" + bill + "'"));
  }
}

// An old package of B01, put on the server again, would undo what B01 has
// settled since: each receiver refuses a number it took before.
TEST_P(SignedPackages, ASignedPackageSentAgainIsRefusedAndChangesNothing) {
  WriteOptions("");
  const std::string package = Signed(Bills(1), "B01", "B01");
  mServer.PutFile("ForUpload/" + kBills, package);
  ASSERT_TRUE(Relay());
  ASSERT_TRUE(Download());
  ASSERT_EQ("1\n", Dump("SELECT COUNT(*) FROM bi_Bill WHERE BillID='B01-1'"));
  Db()->Execute("UPDATE bi_Bill SET SumPaid=99 WHERE BillID='B01-1'");  // settled again since

  mServer.PutFile("ForUpload/" + kBills, package);
  EXPECT_TRUE(Relay());
  EXPECT_NE(std::string::npos, mServer.ReadFile("ForUpload/Rejected/" + kBills + ".txt")
                                   .find("此数据包已经收过（重复发送）：B01 1"));
  EXPECT_TRUE(mServer.List("ForDownload/HQ").empty());
  // Put straight into head office's folder, past the relay.
  mServer.PutFile("ForDownload/HQ/" + kBills, package);
  EXPECT_FALSE(Download());
  EXPECT_NE(std::string::npos, FiledReason(kBills).find("此数据包已经收过（重复发送）：B01 1"));
  EXPECT_EQ("99\n", Dump("SELECT CAST(SumPaid AS INTEGER) FROM bi_Bill WHERE BillID='B01-1'"));
}

// A branch knows head office's key only: what the relay forwards to the
// branches carries head office's signature, what it keeps for head office
// the sender's own. Without a key of its own it forwards nothing.
TEST_P(SignedPackages, TheRelaySignsWhatItForwardsToTheBranchesWithHeadOfficesKey) {
  WriteOptions("\n[Signatures]\nResign=1\n");
  // Each member package to every other site, as before bundles.
  test::WriteFile(mHome / "Octopus/RELAY.INI", "[Members]\nBundle=0\n");
  const std::string name = "B02-240305140709-M.pkg";
  mServer.PutFile("ForUpload/" + name,
                  Signed(mForge.Build(test::MemberSteps("B02-M1", "91234567"), "B02"), "B02", "B02",
                         trust::PackageKind::Members));
  EXPECT_FALSE(Relay());
  EXPECT_TRUE(mList.HasLine("无法读取本站点的密钥，数据包不发送：" + mHome.Path()))
      << testing::PrintToString(mList.lines);
  EXPECT_TRUE(mServer.Exists("ForUpload/" + name));
  EXPECT_TRUE(mServer.List("ForDownload/B01").empty());

  const trust::SiteKey hq = trust::SiteKey::Create(mHome.Path());
  EXPECT_TRUE(Relay()) << testing::PrintToString(mList.lines);
  const auto signatureOf = [&](const std::string& path) {
    test::WriteFile(Folder() / "received.pkg", mServer.ReadFile(path));
    return trust::ReadSignature(Folder() / "received.pkg");
  };
  const std::optional<trust::SignedPackage> kept = signatureOf("ForDownload/HQ/" + name);
  ASSERT_TRUE(kept);
  EXPECT_EQ("B02", kept->signer);
  for (const char* branch : {"B01", "B-01", "B"}) {
    SCOPED_TRACE(branch);
    const std::optional<trust::SignedPackage> forwarded =
        signatureOf("ForDownload/" + std::string(branch) + "/" + name);
    ASSERT_TRUE(forwarded);
    EXPECT_EQ("HQ", forwarded->signer);
    EXPECT_EQ("B02", forwarded->sender);
    EXPECT_EQ(trust::PackageKind::Members, forwarded->kind);
    EXPECT_TRUE(trust::VerifySignature(Folder() / "received.pkg", *forwarded, hq.Public()));
    // The same data as B02 sent it.
    EXPECT_EQ(0, test::Unpack(Folder() / "received.pkg", Folder() / "forwarded.mdb"));
    test::WriteFile(Folder() / "kept.pkg", mServer.ReadFile("ForDownload/HQ/" + name));
    EXPECT_EQ(0, test::Unpack(Folder() / "kept.pkg", Folder() / "kept.mdb"));
    EXPECT_EQ(test::ReadFile(Folder() / "kept.mdb"), test::ReadFile(Folder() / "forwarded.mdb"));
  }
}

// A chain switching site by site: a branch listed as not yet keyed sends
// unsigned, and every package of it leaves a line.
TEST_P(SignedPackages, ABranchListedAsNotYetKeyedIsTakenUnsignedWithALine) {
  WriteOptions("");
  trust::KeyRegistry(*Db()).AllowUnsigned("B03");
  const std::string name = "B03-240305140709.pkg";
  mServer.PutFile("ForUpload/" + name, mForge.Build(BillSteps("B03", 5, 1), "B03"));
  EXPECT_TRUE(Relay());
  EXPECT_TRUE(mList.HasLine("收到没有签名的数据包：" + name))
      << testing::PrintToString(mList.lines);
  mList.lines.clear();
  EXPECT_TRUE(Download());
  EXPECT_TRUE(mList.HasLine("收到没有签名的数据包：" + name))
      << testing::PrintToString(mList.lines);
  EXPECT_EQ("1\n", Dump("SELECT COUNT(*) FROM bi_Bill WHERE BillID='B03-5'"));
  // Once signatures are required, no more.
  WriteOptions("\n[Signatures]\nRequired=1\n");
  mServer.PutFile("ForUpload/" + name, mForge.Build(BillSteps("B03", 6, 1), "B03"));
  EXPECT_TRUE(Relay());
  EXPECT_TRUE(mServer.Exists("ForUpload/Rejected/" + name));
}

INSTANTIATE_HOST_DATABASE_TEST(SignedPackages);

}  // namespace
}  // namespace tavex

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "database/AsciiText.h"
#include "members/MemberBundle.h"
#include "members/MemberSyncTexts.h"
#include "support/CommandFixture.h"
#include "support/FtpServer.h"
#include "support/PackageFiles.h"
#include "support/Rows.h"
#include "trust/PackageSignature.h"
#include "trust/SiteKeys.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using test::Invocation;

constexpr const char* kTables[] = {"mb_Member", "mb_MemberCard", "mb_Consume", "mb_Summary",
                                   "mb_GiftSend"};

// A chain of head office (HQ) and three branches on the backend under test,
// each with the same sample members, its own plug-in folder and key, every
// signature required: head office trusts every site's key, each branch head
// office's as its relay. The sites run tavexdata as their nightly timers
// would, through a real FTP server.
class MemberBundleTest : public test::CommandTest {
 protected:
  void SetUp() override {
    test::CommandTest::SetUp();
    if (IsSkipped()) return;
    for (const char* folder :
         {"ForUpload", "ForDownload/HQ", "ForDownload/B01", "ForDownload/B02", "ForDownload/B03"}) {
      mServer.MakeFolder(folder);
    }
    mSites["HQ"] = {ConnectionName(), mHome.Path(), Db()};
    for (const char* branch : {"B01", "B02", "B03"}) {
      mHomes.push_back(std::make_unique<test::TempDir>());
      const std::string name = test::CreateEmptyHostDatabase(GetParam(), mFolder);
      mSites[branch] = {name, mHomes.back()->Path(), db::OpenConnection(name)};
    }
    std::map<std::string, std::string> keys;
    for (auto& [id, site] : mSites) {
      MustAt(site.db, site.home, {"sample-db", "--branch", id, "--bills", "0", "--days", "1"});
      UseServer(mServer, site.db, site.home);
      test::WriteFile(site.home + "/Octopus/MAIN.INI",
                      "[FTP]\n" + mServer.OptionsLines() + "[Signatures]\nRequired=1\n");
      const Invocation init = RunAt(site.db, site.home, {"keys", "init"});
      ASSERT_EQ(cli::kExitOk, init.code) << init.err.str();
      keys[id] = init.out.str();
      for (const char* table : kTables) {
        site.connection->Execute(std::string("UPDATE ") + table + " SET IsUploaded=1");
      }
    }
    for (const auto& [id, key] : keys)
      MustAt(ConnectionName(), mHome.Path(), {"keys", "trust", id, key});
    for (const char* branch : {"B01", "B02", "B03"}) {
      MustAt(mSites[branch].db, mSites[branch].home,
             {"keys", "trust", "HQ", keys["HQ"], "--relay"});
    }
    mKeys = keys;
    mMember = *test::FirstColumn(*Db(), "SELECT MemberID FROM mb_Member ORDER BY MemberID").begin();
  }

  struct Site {
    std::string db;
    std::string home;
    std::shared_ptr<db::Connection> connection;
  };

  // tavexdata `command` at `site`: its exit code, its lines kept in mLast.
  int At(const std::string& site, const std::string& command) {
    Invocation run = RunAt(mSites[site].db, mSites[site].home, {command});
    mLast = run.out.str() + run.err.str();
    return run.code;
  }
  void MustRun(const std::string& site, const std::string& command) {
    ASSERT_EQ(cli::kExitOk, At(site, command)) << site << " " << command << "\n" << mLast;
  }
  void Change(const std::string& site, const std::string& member, const std::string& remark) {
    mSites[site].connection->Execute("UPDATE mb_Member SET Remark=?, IsUploaded=0 WHERE MemberID=?",
                                     {remark, member});
  }
  std::string Remark(const std::string& site, const std::string& member) {
    return test::Dump(*mSites[site].connection,
                      "SELECT Remark FROM mb_Member WHERE MemberID='" + member + "'");
  }
  // The remark of `member` at every site, "<site> <remark>" a line each.
  std::string Everywhere(const std::string& member) {
    std::string text;
    for (const auto& [id, site] : mSites) text += id + " " + Remark(id, member);
    return text;
  }
  // `remark` (with its line end, as Remark gives it) at every site.
  static std::string Same(const std::string& remark) {
    return "B01 " + remark + "B02 " + remark + "B03 " + remark + "HQ " + remark;
  }

  // Every site has merged a bundle once: from then on each keeps the record
  // of what it sends.
  void WarmUp() {
    mSites["B03"].connection->Execute(
        "INSERT INTO mb_Member (MemberID, MemberName, IsUploaded) VALUES ('WARM', 'warm', 0)");
    MustRun("B03", "members");
    MustRun("HQ", "relay");
    MustRun("HQ", "download");
    for (const char* branch : {"B01", "B02", "B03"}) MustRun(branch, "members");
    EXPECT_EQ(Same("NULL\n"), Everywhere("WARM"));
  }

  // The bundles waiting in `site`'s download folder.
  std::vector<std::string> Waiting(const std::string& site) const {
    std::vector<std::string> bundles;
    for (const std::string& name : mServer.List("ForDownload/" + site)) {
      if (name.ends_with("-MB.pkg")) bundles.push_back(name);
    }
    return bundles;
  }
  // The reasons beside the packages `site` filed, by package name.
  std::map<std::string, std::string> Filed(const std::string& site) const {
    std::map<std::string, std::string> filed;
    const fs::path folder = fs::path(mSites.at(site).home) / "ErrPackage";
    if (!fs::exists(folder)) return filed;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.path().extension() == ".txt") {
        filed[entry.path().stem().string()] = test::ReadFile(entry.path().string());
      }
    }
    return filed;
  }

  test::FtpServer mServer;
  test::TempDir mFolder;
  std::vector<std::unique_ptr<test::TempDir>> mHomes;
  std::map<std::string, Site> mSites;
  std::map<std::string, std::string> mKeys;
  std::string mMember;
  std::string mLast;
};

TEST_P(MemberBundleTest, TheChangeTheRelayTookLastWinsAtEverySite) {
  WarmUp();
  // One relay run takes both changes, in the order of their names: B02's
  // after B01's.
  Change("B01", mMember, "B01 says");
  Change("B02", mMember, "B02 says");
  MustRun("B01", "members");
  MustRun("B02", "members");
  MustRun("HQ", "relay");
  EXPECT_EQ(1u, Waiting("B01").size()) << "one bundle per site and run";
  MustRun("HQ", "download");
  MustRun("B01", "members");
  MustRun("B02", "members");
  MustRun("B03", "members");
  EXPECT_EQ(Same("B02 says\n"), Everywhere(mMember));

  // B02's change reaches the relay a run before B01's: B01's wins. B01
  // merges the bundle with B02's change after sending its own, and passes
  // it over.
  Change("B02", mMember, "B02 first");
  MustRun("B02", "members");
  MustRun("HQ", "relay");
  Change("B01", mMember, "B01 second");
  MustRun("B01", "members");
  EXPECT_EQ("B01 second\n", Remark("B01", mMember));
  MustRun("HQ", "relay");
  MustRun("HQ", "download");
  MustRun("B02", "members");
  MustRun("B01", "members");
  // B03 was away for both cycles: its bundles waited, and merge in order.
  EXPECT_EQ(2u, Waiting("B03").size());
  EXPECT_EQ("B02 says\n", Remark("B03", mMember));
  MustRun("B03", "members");
  EXPECT_EQ(Same("B01 second\n"), Everywhere(mMember));
  EXPECT_TRUE(Waiting("B03").empty());
  // Once every bundle is merged, no site waits on a change of its own.
  for (const auto& [id, site] : mSites) {
    SCOPED_TRACE(id);
    EXPECT_EQ(0, test::Number(*site.connection, "SELECT COUNT(*) FROM tavex_MemberSent"));
  }
}

TEST_P(MemberBundleTest, ASendersOwnRowsNeverComeBackToIt) {
  WarmUp();
  Change("B01", mMember, "sent");
  MustRun("B01", "members");
  // Changed again at B01 once sent; merged before B01 sends it.
  Change("B01", mMember, "changed since");
  MustRun("HQ", "relay");
  MustRun("B01", "download");
  EXPECT_EQ(
      "changed since|0\n",
      test::Dump(*mSites["B01"].connection,
                 "SELECT Remark, IsUploaded FROM mb_Member WHERE MemberID='" + mMember + "'"));
  MustRun("B02", "members");
  EXPECT_EQ("sent\n", Remark("B02", mMember));
  MustRun("B01", "members");
  MustRun("HQ", "relay");
  MustRun("HQ", "download");
  MustRun("B02", "members");
  MustRun("B03", "members");
  EXPECT_EQ(Same("changed since\n"), Everywhere(mMember));
}

TEST_P(MemberBundleTest, ABundleWithAColumnAMemberTableLacksIsRefused) {
  WarmUp();
  const std::string before = Remark("B01", mMember);
  mSites["B02"].connection->Execute("ALTER TABLE mb_Member ADD COLUMN Nickname TEXT");
  Change("B02", mMember, "with a nickname");
  MustRun("B02", "members");
  MustRun("HQ", "relay");
  const std::vector<std::string> bundles = Waiting("B01");
  ASSERT_EQ(1u, bundles.size());
  EXPECT_EQ(cli::kExitFailed, At("B01", "members"));
  EXPECT_EQ(before, Remark("B01", mMember)) << "nothing of the bundle merged";
  const auto filed = Filed("B01");
  ASSERT_EQ(1u, filed.count(bundles[0])) << mLast;
  EXPECT_NE(std::string::npos, AsciiLower(filed.at(bundles[0])).find("nickname"))
      << filed.at(bundles[0]);
}

TEST_P(MemberBundleTest, ABundleNotSignedByHeadOfficeIsRefused) {
  WarmUp();
  const std::string before = Remark("B01", mMember);
  Change("B02", mMember, "forged");
  MustRun("B02", "members");
  MustRun("HQ", "relay");
  // The bundle head office made, taken off the server before B01 sees it.
  const std::vector<std::string> bundles = Waiting("B01");
  ASSERT_EQ(1u, bundles.size());
  const std::string genuine = mFolder / "genuine.pkg";
  fs::rename(mServer.Root() + "/ForDownload/B01/" + bundles[0], genuine);
  ASSERT_EQ(0, test::Unpack(genuine, mFolder / "genuine.mdb"));
  ASSERT_EQ(0, test::Pack(mFolder / "genuine.mdb", mFolder / "unsigned.pkg"));
  // The same rows as a bundle of B02's own making.
  {
    MemberBundleBuilder builder(mFolder / "forged.work");
    builder.Add("B02", "B02-1-M.pkg", mFolder / "genuine.mdb");
    engine::Package forged;
    forged.PackageID("forged");
    forged.Sender("B02");
    ASSERT_TRUE(builder.Build(forged, ReadMemberSyncTexts(), mFolder / "forged.mdb"));
  }
  ASSERT_EQ(0, test::Pack(mFolder / "forged.mdb", mFolder / "forged.pkg"));
  // B01 knows B02's key as any other site's.
  MustAt(mSites["B01"].db, mSites["B01"].home, {"keys", "trust", "B02", mKeys["B02"]});
  const trust::SiteKey b02 = *trust::SiteKey::Load(mSites["B02"].home);

  struct Case {
    const char* name;
    std::string package;
    std::string file;
    std::optional<trust::SignedPackage> signature;
    std::string reason;
  };
  const Case cases[] = {
      {"signed by a branch in its own name", mFolder / "forged.pkg", "B02-250101000000001-MB.pkg",
       trust::SignedPackage{"B02", "B02", trust::PackageKind::MemberBundle, 900, {}},
       "会员汇总包不是总部签名的：B02"},
      {"signed by a branch in head office's name", genuine, "HQ-250101000000002-MB.pkg",
       trust::SignedPackage{"B02", "HQ", trust::PackageKind::MemberBundle, 901, {}},
       "数据包由其他站点的密钥签名：B02"},
      {"unsigned", mFolder / "unsigned.pkg", "HQ-250101000000003-MB.pkg", std::nullopt,
       "数据包没有签名，发送方不在允许之列：HQ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = mServer.Root() + "/ForDownload/B01/" + c.file;
    if (c.signature) {
      trust::SignPackageFile(c.package, b02, *c.signature, target);
    } else {
      fs::copy_file(c.package, target);
    }
    EXPECT_EQ(cli::kExitFailed, At("B01", "download"));
    const auto filed = Filed("B01");
    ASSERT_EQ(1u, filed.count(c.file)) << mLast;
    EXPECT_EQ(c.reason + "\n", filed.at(c.file));
    EXPECT_EQ(before, Remark("B01", mMember));
  }
}

INSTANTIATE_HOST_DATABASE_TEST(MemberBundleTest);

// How a bundle names what it absorbed and whose each step is.
TEST(MemberBundleFormat, TheListingReadsBackAndNothingElseReadsAsOne) {
  const BundleListing listing{{"B01", {"B01-1-M.pkg", "B01-2-M.pkg"}},
                              {"HK-01", {"HK-01-3-M.pkg"}}};
  const std::string text = WriteBundleListing(listing);
  EXPECT_EQ("B01\tB01-1-M.pkg\tB01-2-M.pkg\nHK-01\tHK-01-3-M.pkg\n", text);
  const std::optional<BundleListing> read = ReadBundleListing(text);
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(2u, read->size());
  EXPECT_EQ("HK-01", (*read)[1].origin);
  EXPECT_EQ(listing[0].packages, (*read)[0].packages);
  EXPECT_TRUE(ReadBundleListing("")->empty()) << "a bundle of no package";

  const struct {
    const char* description;
    const char* text;
  } notListings[] = {
      {"a member package's description", "分店【B01】"}, {"an origin without packages", "B01\n"},
      {"an empty name", "B01\t\tB01-1-M.pkg\n"},         {"no line end", "B01\tB01-1-M.pkg"},
      {"a control character", "B01\tB01-1-M.pkg\r\n"},
  };
  for (const auto& c : notListings) {
    EXPECT_FALSE(ReadBundleListing(c.text).has_value()) << c.description;
  }
}

TEST(MemberBundleFormat, AStepIsItsOriginsWhateverTheCaseAndNoOtherSites) {
  const struct {
    const char* caption;
    const char* origin;
    bool of;
  } cases[] = {
      {"B01/30. 未上传的会员资料", "B01", true},
      {"b01/30. 未上传的会员资料", "B01", true},
      {"B01/30. 未上传的会员资料", "B0", false},
      {"B01-2/30. 未上传的会员资料", "B01", false},
      {"B01", "B01", false},
      {"30. 未上传的会员资料", "B01", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.of, IsBundleStepOf(c.caption, c.origin)) << c.caption << " of " << c.origin;
  }
  EXPECT_TRUE(IsBundleStepOf(BundleStepCaption("HK-01", "40. x"), "HK-01"));
}

}  // namespace
}  // namespace tavex

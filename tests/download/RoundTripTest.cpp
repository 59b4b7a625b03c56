#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "engine/Package.h"
#include "support/FtpServer.h"
#include "support/PackageFiles.h"
#include "support/Rows.h"
#include "support/TwoSites.h"
#include "trust/PackageSignature.h"

namespace tavex::cli {
namespace {

namespace fs = std::filesystem;
using Rows = std::multiset<std::string>;

using test::Invocation;

// A value as text that reads the same from either backend: a number by its
// value (a NUMERIC column may come back as text), anything else quoted.
std::string Canonical(const db::Value& value) {
  const std::string text = test::ValueText(value);
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size()) return "'" + text + "'";
  char canonical[64];
  std::snprintf(canonical, sizeof canonical, "%.4f", number);
  return canonical;
}

// Every row of `table` in `database`, each as its values of `columns`.
Rows RowsOf(db::Connection& database, const std::string& table,
            const std::vector<std::string>& columns) {
  Rows rows;
  auto cursor = database.Query("SELECT * FROM " + table);
  while (cursor->Next()) {
    std::string row;
    for (const std::string& column : columns) row += Canonical(cursor->Get(column)) + "|";
    rows.insert(row);
  }
  return rows;
}

// The two sites exchanging through a real FTP server.
class RoundTrip : public test::TwoSitesTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    SetUpSites(mServer, {"ForUpload", "ForDownload/HQ"});
  }

  // Uploads at the branch and moves the package to head office's download
  // folder, as the server-side distribution does; a copy stays in mSent as
  // "<run>.pkg", the runs counted from 1.
  std::string UploadAndDistribute() {
    Invocation upload = AtBranch("upload");
    EXPECT_EQ(kExitOk, upload.code) << upload.out.str();
    const std::vector<std::string> sent = mServer.List("ForUpload");
    if (sent.size() != 1) {
      ADD_FAILURE() << "expected one package in ForUpload";
      return "";
    }
    fs::copy_file(mServer.Root() + "/ForUpload/" + sent[0],
                  mSent / (std::to_string(++mRuns) + ".pkg"));
    fs::rename(mServer.Root() + "/ForUpload/" + sent[0],
               mServer.Root() + "/ForDownload/HQ/" + sent[0]);
    return sent[0];
  }

  // The receiving tables of a sent package with their rows, and the columns
  // each carries.
  struct Contents {
    std::map<std::string, std::vector<std::string>> columns;
    std::map<std::string, Rows> rows;
  };
  Contents Unpacked(int run) {
    const std::string name = std::to_string(run) + ".pkg";
    auto package = test::OpenUnpacked(mSent / name, mSent / (name + ".mdb"));
    engine::Package definition;
    EXPECT_TRUE(definition.CheckPackage(package, 0));
    Contents contents;
    for (std::int32_t i = 1; i <= definition.ExDatas().Count(); ++i) {
      const std::string table = definition.ExDatas().Item(i).Table();
      std::vector<std::string>& columns = contents.columns[table];
      const auto cursor = package->Query("SELECT * FROM " + table);
      for (const db::Column& column : cursor->Columns()) {
        columns.push_back(column.name);
      }
      contents.rows[table] = RowsOf(*package, table, columns);
    }
    return contents;
  }

  std::size_t HqCount(const std::string& table) const {
    return static_cast<std::size_t>(test::Number(*Db(), "SELECT COUNT(*) FROM " + table));
  }

  test::TempDir mSent;
  test::FtpServer mServer;
  int mRuns = 0;
};

TEST_P(RoundTrip, UploadedBillsArriveWithEveryColumnIntactAndOnlyOnce) {
  const std::string name = UploadAndDistribute();
  ASSERT_FALSE(name.empty());
  const Contents sent = Unpacked(1);
  ASSERT_TRUE(sent.rows.count("bi_Bill"));
  ASSERT_FALSE(sent.rows.at("bi_Bill").empty());
  std::map<std::string, std::size_t> before;
  for (const auto& [table, rows] : sent.rows) before[table] = HqCount(table);

  Invocation download = AtHq("download");
  ASSERT_EQ(kExitOk, download.code) << download.out.str();
  EXPECT_NE(std::string::npos, download.out.str().find("1. " + name + "\n"));
  EXPECT_EQ("导入数据成功！\n", download.out.str().substr(download.out.str().size() -
                                                          std::string("导入数据成功！\n").size()));
  EXPECT_EQ("", download.err.str());

  for (const auto& [table, rows] : sent.rows) {
    SCOPED_TRACE(table);
    const Rows arrived = RowsOf(*Db(), table, sent.columns.at(table));
    for (const std::string& row : rows) EXPECT_EQ(rows.count(row), arrived.count(row)) << row;
    EXPECT_EQ(before[table] + rows.size(), arrived.size());
  }

  // The same bills sent again replace their first copies.
  std::map<std::string, std::size_t> merged;
  for (const auto& [table, rows] : sent.rows) merged[table] = HqCount(table);
  auto branch = db::OpenConnection(Branch());
  branch->Execute("ATTACH DATABASE ? AS sent", {mSent / "1.pkg.mdb"});
  branch->Execute(
      "UPDATE bi_Bill SET IsUploaded=0 WHERE 'B01-' || BillID IN (SELECT BillID FROM "
      "sent.bi_Bill)");
  branch->Close();
  ASSERT_FALSE(UploadAndDistribute().empty());
  EXPECT_EQ(sent.rows.at("bi_Bill").size(), Unpacked(2).rows.at("bi_Bill").size());
  Invocation second = AtHq("download");
  ASSERT_EQ(kExitOk, second.code) << second.out.str();
  for (const auto& [table, count] : merged) EXPECT_EQ(count, HqCount(table)) << table;
}

TEST_P(RoundTrip, NothingWaitingIsExitZeroAndAFailureIsExitOne) {
  Invocation idle = AtHq("download");
  EXPECT_EQ(kExitOk, idle.code);
  EXPECT_EQ(
      "正在建立FTP连接：127.0.0.1 ...\n正在打开FTP文件夹：ForDownload\\HQ ...\n"
      "FTP上没有要下载的文件！\n",
      idle.out.str());

  mServer.PutFile("ForDownload/HQ/B01-1.pkg", "not a package");
  Invocation damaged = AtHq("download");
  EXPECT_EQ(kExitFailed, damaged.code);
  EXPECT_NE(std::string::npos, damaged.out.str().find("解压数据包失败！\n备份文件到错误目录！\n"));
}

// A branch with a key signs every package it sends, with a number of its
// own; head office takes it once it trusts that key. A key the run cannot
// read stops the upload: nothing goes out unsigned for that.
TEST_P(RoundTrip, WithAKeyTheBranchSignsWhatItSendsAndNeverSendsUnsignedForWantOfIt) {
  Run({"keys", "init", "--home", mBranchHome.Path()});
  Invocation show({"keys", "show", "--home", mBranchHome.Path()});
  ASSERT_EQ(kExitOk, show.code);
  std::string key = show.out.str();
  key.erase(key.find_last_not_of('\n') + 1);
  Run({"keys", "trust", "B01", key, "--db", ConnectionName()});

  const std::string name = UploadAndDistribute();
  ASSERT_FALSE(name.empty());
  const std::optional<trust::SignedPackage> signature = trust::ReadSignature(mSent / "1.pkg");
  ASSERT_TRUE(signature);
  EXPECT_EQ("B01", signature->signer);
  EXPECT_EQ("B01", signature->sender);
  EXPECT_EQ(trust::PackageKind::Bills, signature->kind);
  EXPECT_EQ(1U, signature->sequence);
  const std::size_t bills = HqCount("bi_Bill");
  Invocation download = AtHq("download");
  ASSERT_EQ(kExitOk, download.code) << download.out.str();
  EXPECT_EQ(bills + Unpacked(1).rows.at("bi_Bill").size(), HqCount("bi_Bill"));

  // A damaged key: the bills wait, unmarked, and the reason says which file.
  auto branch = db::OpenConnection(Branch());
  branch->Execute("UPDATE bi_Bill SET IsUploaded=0");
  test::WriteFile(mBranchHome / "Octopus/site.key", "damaged");
  Invocation refused = AtBranch("upload");
  EXPECT_EQ(kExitFailed, refused.code);
  EXPECT_NE(std::string::npos, refused.out.str().find("导出数据失败：the site key file " +
                                                      mBranchHome / "Octopus/site.key"))
      << refused.out.str();
  EXPECT_TRUE(mServer.List("ForUpload").empty());
  EXPECT_EQ(0, test::Number(*branch, "SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded<>0"));
}

INSTANTIATE_HOST_DATABASE_TEST(RoundTrip);

}  // namespace
}  // namespace tavex::cli

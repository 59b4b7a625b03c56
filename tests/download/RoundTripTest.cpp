#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "cli/Commands.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "framework/ExchangeContext.h"
#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/PackageFiles.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "trust/PackageSignature.h"

namespace tavex::cli {
namespace {

namespace fs = std::filesystem;
using Rows = std::multiset<std::string>;

using test::Invocation;

// A value as text that reads the same from either backend: numbers by their
// value (a NUMERIC column may come back as text), NULL marked, bytes in hex.
std::string Canonical(const db::Value& value) {
  char text[64];
  if (std::holds_alternative<std::monostate>(value)) return "<null>";
  if (const auto* n = std::get_if<std::int64_t>(&value)) {
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(*n));
    return text;
  }
  if (const auto* d = std::get_if<double>(&value)) {
    std::snprintf(text, sizeof text, "%.6f", *d);
    return text;
  }
  if (const auto* s = std::get_if<std::string>(&value)) {
    char* end = nullptr;
    const double number = std::strtod(s->c_str(), &end);
    if (!s->empty() && end == s->c_str() + s->size()) {
      std::snprintf(text, sizeof text, "%.6f", number);
      return text;
    }
    return "'" + *s + "'";
  }
  std::string hex = "x";
  for (std::uint8_t byte : std::get<db::Blob>(value)) {
    std::snprintf(text, sizeof text, "%02x", byte);
    hex += text;
  }
  return hex;
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

// A branch (SQLite, sample data of B01) and head office (the backend under
// test, sample schema of its own) exchanging through a real FTP server, each
// with its own plug-in folder, driven through tavexdata as a user would.
class RoundTrip : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    for (const auto& home : {&mBranchHome, &mHqHome}) {
      test::WriteFile(*home / "Octopus/MAIN.INI",
                      "[FTP]\nPort=" + std::to_string(mServer.Port()) + "\n");
    }
    mServer.MakeFolder("ForUpload");
    mServer.MakeFolder("ForDownload/HQ");
    Run({"sample-db", "--db", Branch(), "--bills", "30", "--days", "2"});
    Run({"sample-db", "--db", ConnectionName(), "--branch", "HQ", "--bills", "5", "--days", "1"});
    for (const std::string& db : {Branch(), ConnectionName()}) {
      Run({"settings", "--db", db, "--set", "1001=127.0.0.1", "--set", "1002=tester", "--set",
           "1003=secret"});
    }
  }

  std::string Branch() const { return "sqlite:" + (mBranchDir / "branch.db"); }

  static void Run(const std::vector<std::string>& args) {
    Invocation run(args);
    ASSERT_EQ(kExitOk, run.code) << args[0] << "\n" << run.out.str() << run.err.str();
  }

  // Uploads at the branch and moves the package to head office's download
  // folder, as the server-side distribution does; a copy stays in mSent as
  // "<run>.pkg", the runs counted from 1.
  std::string UploadAndDistribute() {
    Invocation upload({"upload", "--db", Branch(), "--home", mBranchHome.Path()});
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
    EXPECT_EQ(0, test::Unpack(mSent / name, mSent / (name + ".mdb")));
    auto package = db::OpenConnection(db::PackageConnectionString(mSent / (name + ".mdb")));
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

  // The runs hand their host connection over; it is given back at the end.
  test::ScopedHostConnection mHostScope{nullptr};
  test::TempDir mBranchDir;
  test::TempDir mSent;
  test::TempDir mBranchHome;
  test::TempDir mHqHome;
  test::TempDir mConfig;
  test::ScopedEnv mConfigVariable{"XDG_CONFIG_HOME", mConfig.Path()};
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

  Invocation download({"download", "--db", ConnectionName(), "--home", mHqHome.Path()});
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
  Invocation second({"download", "--db", ConnectionName(), "--home", mHqHome.Path()});
  ASSERT_EQ(kExitOk, second.code) << second.out.str();
  for (const auto& [table, count] : merged) EXPECT_EQ(count, HqCount(table)) << table;
}

TEST_P(RoundTrip, NothingWaitingIsExitZeroAndAFailureIsExitOne) {
  Invocation idle({"download", "--db", ConnectionName(), "--home", mHqHome.Path()});
  EXPECT_EQ(kExitOk, idle.code);
  EXPECT_EQ(
      "正在建立FTP连接：127.0.0.1 ...\n正在打开FTP文件夹：ForDownload\\HQ ...\n"
      "FTP上没有要下载的文件！\n",
      idle.out.str());

  mServer.PutFile("ForDownload/HQ/B01-1.pkg", "not a package");
  Invocation damaged({"download", "--db", ConnectionName(), "--home", mHqHome.Path()});
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
  Invocation download({"download", "--db", ConnectionName(), "--home", mHqHome.Path()});
  ASSERT_EQ(kExitOk, download.code) << download.out.str();
  EXPECT_EQ(bills + Unpacked(1).rows.at("bi_Bill").size(), HqCount("bi_Bill"));

  // A damaged key: the bills wait, unmarked, and the reason says which file.
  auto branch = db::OpenConnection(Branch());
  branch->Execute("UPDATE bi_Bill SET IsUploaded=0");
  test::WriteFile(mBranchHome / "Octopus/site.key", "damaged");
  Invocation refused({"upload", "--db", Branch(), "--home", mBranchHome.Path()});
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

#include "DownloadFixture.h"

#include <algorithm>
#include <filesystem>

#include "download/cDownload.h"
#include "engine/Package.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "storage/DatabaseHelpers.h"
#include "storage/SyncLog.h"
#include "support/HostDatabase.h"
#include "support/KilledRun.h"
#include "support/PackageFiles.h"
#include "support/PgCluster.h"

namespace tavex::test {

namespace fs = std::filesystem;

namespace {

void CreateBillTables(db::Connection& database, bool extraColumn) {
  const bool pg = database.GetBackend() == db::Backend::Postgres;
  database.Execute(std::string("CREATE TABLE bi_Bill (BillID TEXT PRIMARY KEY, BillDate ") +
                   (pg ? "TIMESTAMP" : "DATETIME") +
                   ", SumPaid NUMERIC(18,4), Remark TEXT, IsUploaded INTEGER" +
                   (extraColumn ? ", Extra TEXT" : "") + ")");
  database.Execute(
      "CREATE TABLE bi_BillItem (BillItemID TEXT PRIMARY KEY, BillID TEXT, MenuName TEXT)");
}

// The two-step bill package: each incoming bill replaces its earlier copy
// with all its items.
void DefineBills(engine::Package& package) {
  engine::ExData& bills = package.ExDatas().Add(
      "21. 消费账单表", " SELECT * FROM bi_Bill WHERE IsUploaded=0 ", "bi_Bill", false, false);
  bills.Statements().Add("21.1 ", "DELETE FROM bi_BillItem WHERE BillID='{BillID}'", 5, 0);
  bills.Statements().Add("21.2 ", "DELETE FROM bi_Bill WHERE BillID='{BillID}'", 5, 0);
  package.ExDatas().Add("23. 消费明细表",
                        " SELECT * FROM bi_BillItem WHERE BillID IN (SELECT BillID FROM bi_Bill "
                        "WHERE IsUploaded=0) ",
                        "bi_BillItem", false, false);
}

}  // namespace

void DownloadFixture::SetUp() {
  if (GetParam() == db::Backend::Postgres && !PgCluster::Available()) {
    GTEST_SKIP() << PgCluster::UnavailableReason();
  }
  mHqName = CreateEmptyHostDatabase(GetParam(), mDir);
  auto hq = Hq();
  CreateBillTables(*hq, false);
  SettingsStore store(hq);
  store.SetSetting(kSettingBranchID, "HQ");
  store.SetSetting(kSettingBranchName, "总部");
  store.SetSetting(kSettingFtpServer, mServer.Host());
  store.SetSetting(kSettingFtpUser, FtpServer::kUser);
  store.SetSetting(kSettingFtpPassword, FtpServer::kPassword);
  hq->Close();
  mHome.WriteOptions("[FTP]\nPort=" + std::to_string(mServer.Port()) + "\nTimeOut=10\n");
  mServer.MakeFolder("ForDownload/HQ");
}

std::string DownloadFixture::BillPackage(const std::string& branch, int first, int count,
                                         bool extraColumn) {
  const std::string stem = mDir / ("package" + std::to_string(++mPackages));
  storage::CreateEmptyDatabase(stem + ".db");
  auto source = db::OpenConnection("sqlite:" + stem + ".db");
  CreateBillTables(*source, extraColumn);
  for (int n = first; n < first + count; ++n) {
    const std::string bill = branch + "-" + std::to_string(n);
    source->Execute(std::string("INSERT INTO bi_Bill (BillID, BillDate, SumPaid, Remark, ") +
                        "IsUploaded" + (extraColumn ? ", Extra" : "") + ") VALUES (?, ?, ?, ?, 0" +
                        (extraColumn ? ", 'x'" : "") + ")",
                    {bill, std::string("2024-03-05 14:07:09"), 100.25 + n, "桌 " + branch});
    for (int item = 1; item <= 2; ++item) {
      source->Execute("INSERT INTO bi_BillItem VALUES (?, ?, ?)",
                      {bill + "-" + std::to_string(item), bill, std::string("炒饭")});
    }
  }
  engine::Package package;
  package.PackageID(branch + "-" + std::to_string(mPackages));
  package.Description(branch);
  DefineBills(package);
  return ExportPackageFile(package, source, stem);
}

std::string DownloadFixture::Truncated(const std::string& package) {
  return package.substr(0, package.size() / 2);
}

void DownloadFixture::PutPackage(const std::string& name, const std::string& contents) const {
  mServer.PutFile("ForDownload/HQ/" + name, contents);
}

bool DownloadFixture::ServerHas(const std::string& name) const {
  return mServer.Exists("ForDownload/HQ/" + name);
}

std::vector<std::string> DownloadFixture::PutInOrder(
    const std::string& branch, const std::vector<std::string>& contents) const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < contents.size(); ++i) {
    names.push_back(branch + "-" + std::to_string(i + 1) + ".pkg");
    PutPackage(names.back(), contents[i]);
  }
  return names;
}

bool DownloadFixture::Download() {
  cDownload run;
  run.Initialize(Hq(), mList, mBar);
  const bool result = run.Download();
  mFailure = run.Failure();
  return result;
}

int DownloadFixture::DownloadKilledAt(const std::string& marker) {
  return RunKilledWhen(
      [&](const std::string& line) { return line.find(marker) != std::string::npos; },
      [&](HookedList& list, RecordingBar& bar) {
        cDownload run;
        run.Initialize(Hq(), list, bar);
        return run.Download();
      });
}

std::int64_t DownloadFixture::Count(const std::string& table) const {
  return Number(*Hq(), "SELECT COUNT(*) FROM " + table);
}

std::string DownloadFixture::Dump(const std::string& sql) const { return test::Dump(*Hq(), sql); }

void DownloadFixture::StartAgain() {
  auto hq = Hq();
  hq->Execute("DELETE FROM bi_BillItem");
  hq->Execute("DELETE FROM bi_Bill");
  for (const char* folder : {"Temp", "BckPackage", "ErrPackage", "Log"}) {
    fs::remove_all(mHome / folder);
  }
  for (const std::string& name : mServer.List("ForDownload/HQ")) {
    fs::remove(mServer.Root() + "/ForDownload/HQ/" + name);
  }
  mList.lines.clear();
}

std::vector<std::string> DownloadFixture::FilesBelow(const std::string& folder) const {
  std::vector<std::string> files;
  const fs::path root = mHome / folder;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string DownloadFixture::SyncLogText() const {
  std::string text;
  const fs::path folder = mHome / "Log";
  if (!fs::exists(folder)) return text;
  for (const auto& entry : fs::directory_iterator(folder)) text += ReadFile(entry.path().string());
  return text;
}

}  // namespace tavex::test

#include "UploadHost.h"

#include "engine/Package.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "support/PackageFiles.h"

namespace tavex::test {

void UploadHostTest::SetUp() {
  HostDatabaseTest::SetUp();
  if (IsSkipped()) return;
  cli::CreateSampleDatabase(Db(), Sample());
  mHostScope = std::make_unique<ScopedHostConnection>(Db());
}

void UploadHostTest::TearDown() { mHostScope.reset(); }

cli::SampleOptions UploadHostTest::Sample() const {
  cli::SampleOptions options;
  options.bills = 60;
  options.days = 2;
  return options;
}

void UploadHostTest::UseServer(const std::shared_ptr<db::Connection>& site,
                               const RemoteServer& server, int port) const {
  WriteFile(Home() + "/Octopus/MAIN.INI", "[FTP]\nPort=" + std::to_string(port) + "\nTimeOut=10\n");
  SettingsStore settings(site);
  settings.SetSetting(kSettingFtpServer, server.Host());
  settings.SetSetting(kSettingFtpUser, server.User());
  settings.SetSetting(kSettingFtpPassword, server.Password());
}

void UploadHostTest::ExpectEveryStepFillsItsTable(engine::Package& package) const {
  for (std::int32_t i = 1; i <= package.ExDatas().Count(); ++i) {
    const auto& step = package.ExDatas().Item(i);
    SCOPED_TRACE(step.Caption());
    EXPECT_EQ(ColumnNames(*Db(), "SELECT * FROM " + step.Table()), ColumnNames(*Db(), step.Sql()));
    EXPECT_LT(0, Count("SELECT COUNT(*) FROM (" + step.Sql() + ") AS s"));
  }
}

std::set<std::string> UploadHostTest::Prefixed(const std::set<std::string>& keys,
                                               const std::string& branch) {
  std::set<std::string> prefixed;
  for (const auto& key : keys) prefixed.insert(branch + "-" + key);
  return prefixed;
}

UnpackedPackage::UnpackedPackage(const std::string& packageFile) {
  mDb = OpenUnpacked(packageFile, mFolder / "package.mdb");
  if (!mDb) return;
  engine::Package package;
  mChecked = package.CheckPackage(mDb, 0);
  EXPECT_TRUE(mChecked) << (package.Errors().Count() > 0 ? package.Errors().Item(1).Description()
                                                         : std::string());
}

}  // namespace tavex::test

#include "UploadHost.h"

#include "database/SharedConnection.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "framework/ExchangeContext.h"

namespace tavex::test {

void UploadHostTest::SetUp() {
  HostDatabaseTest::SetUp();
  if (IsSkipped()) return;
  mHomeVariable = std::make_unique<ScopedEnv>("TAVEX_HOME", mHome.Path());
  mConfigVariable = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", mConfig.Path());
  cli::CreateSampleDatabase(Db(), Sample());
  db::SetSharedConnection(Db());
  ExchangeContext::Instance().SetConnection(Db());
}

void UploadHostTest::TearDown() {
  ExchangeContext::Instance().SetConnection(nullptr);
  db::SetSharedConnection(nullptr);
  mConfigVariable.reset();
  mHomeVariable.reset();
}

cli::SampleOptions UploadHostTest::Sample() const {
  cli::SampleOptions options;
  // Day 1 is uploaded, day 2 is not; bill 50 (day 2) has no shift.
  options.bills = 60;
  options.days = 2;
  return options;
}

void UploadHostTest::Exec(const std::string& sql) const { Db()->Execute(sql); }

std::int64_t UploadHostTest::Count(const std::string& sql) const {
  auto rows = Db()->Query(sql);
  EXPECT_TRUE(rows->Next()) << sql;
  return std::stoll(KeyText(rows->Get(std::size_t{0})));
}

std::set<std::string> UploadHostTest::Keys(const std::string& sql) const {
  std::set<std::string> keys;
  auto rows = Db()->Query(sql);
  while (rows->Next()) keys.insert(KeyText(rows->Get(std::size_t{0})));
  return keys;
}

std::set<std::string> UploadHostTest::Prefixed(const std::set<std::string>& keys,
                                               const std::string& branch) {
  std::set<std::string> prefixed;
  for (const auto& key : keys) prefixed.insert(branch + "-" + key);
  return prefixed;
}

bool UploadHostTest::HasTable(const std::string& table) const {
  try {
    Db()->Query("SELECT * FROM " + table + " WHERE 1=0")->Next();
    return true;
  } catch (const db::DbError&) {
    return false;
  }
}

UnpackedPackage::UnpackedPackage(const std::string& packageFile) {
  engine::FSComprFile unpack;
  unpack.SourceFile(packageFile);
  unpack.TargetFile(mFolder / "package.mdb");
  unpack.Decompress();
  EXPECT_EQ(0, unpack.ErrorCode()) << packageFile;
  if (unpack.ErrorCode() != 0) return;
  mDb = db::OpenConnection(db::PackageConnectionString(mFolder / "package.mdb"));
  engine::Package package;
  mChecked = package.CheckPackage(mDb, 0);
  EXPECT_TRUE(mChecked) << (package.Errors().Count() > 0 ? package.Errors().Item(1).Description()
                                                         : std::string());
}

std::set<std::string> UnpackedPackage::Keys(const std::string& sql) const {
  std::set<std::string> keys;
  if (!mDb) return keys;
  auto rows = mDb->Query(sql);
  while (rows->Next()) keys.insert(KeyText(rows->Get(std::size_t{0})));
  return keys;
}

std::int64_t UnpackedPackage::Count(const std::string& table) const {
  auto rows = mDb->Query("SELECT COUNT(*) FROM " + table);
  rows->Next();
  return std::stoll(KeyText(rows->Get(std::size_t{0})));
}

bool UnpackedPackage::HasTable(const std::string& table) const {
  try {
    mDb->Query("SELECT * FROM " + table + " WHERE 1=0")->Next();
    return true;
  } catch (const db::DbError&) {
    return false;
  }
}

std::string KeyText(const db::Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&value)) return std::to_string(*real);
  return "<null>";
}

}  // namespace tavex::test

#include "UploadHost.h"

#include "engine/FSComprFile.h"
#include "engine/Package.h"

namespace tavex::test {

std::set<std::string> FirstColumn(db::Connection& connection, const std::string& sql) {
  std::set<std::string> keys;
  auto rows = connection.Query(sql);
  while (rows->Next()) keys.insert(KeyText(rows->Get(std::size_t{0})));
  return keys;
}

std::int64_t Number(db::Connection& connection, const std::string& sql) {
  auto rows = connection.Query(sql);
  EXPECT_TRUE(rows->Next()) << sql;
  return std::stoll(KeyText(rows->Get(std::size_t{0})));
}

bool HasTable(db::Connection& connection, const std::string& table) {
  try {
    connection.Query("SELECT * FROM " + table + " WHERE 1=0")->Next();
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

void UploadHostTest::SetUp() {
  HostDatabaseTest::SetUp();
  if (IsSkipped()) return;
  mHomeVariable = std::make_unique<ScopedEnv>("TAVEX_HOME", mHome.Path());
  mConfigVariable = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", mConfig.Path());
  cli::CreateSampleDatabase(Db(), Sample());
  mHostScope = std::make_unique<ScopedHostConnection>(Db());
}

void UploadHostTest::TearDown() {
  mHostScope.reset();
  mConfigVariable.reset();
  mHomeVariable.reset();
}

cli::SampleOptions UploadHostTest::Sample() const {
  cli::SampleOptions options;
  options.bills = 60;
  options.days = 2;
  return options;
}

std::set<std::string> UploadHostTest::Prefixed(const std::set<std::string>& keys,
                                               const std::string& branch) {
  std::set<std::string> prefixed;
  for (const auto& key : keys) prefixed.insert(branch + "-" + key);
  return prefixed;
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

}  // namespace tavex::test

#include "UploadHost.h"

#include "engine/Package.h"
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

std::set<std::string> UploadHostTest::Prefixed(const std::set<std::string>& keys,
                                               const std::string& branch) {
  std::set<std::string> prefixed;
  for (const auto& key : keys) prefixed.insert(branch + "-" + key);
  return prefixed;
}

UnpackedPackage::UnpackedPackage(const std::string& packageFile) {
  const int unpacked = Unpack(packageFile, mFolder / "package.mdb");
  EXPECT_EQ(0, unpacked) << packageFile;
  if (unpacked != 0) return;
  mDb = db::OpenConnection(db::PackageConnectionString(mFolder / "package.mdb"));
  engine::Package package;
  mChecked = package.CheckPackage(mDb, 0);
  EXPECT_TRUE(mChecked) << (package.Errors().Count() > 0 ? package.Errors().Item(1).Description()
                                                         : std::string());
}

}  // namespace tavex::test

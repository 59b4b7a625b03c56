#include "support/HostDatabase.h"

#include "support/PgCluster.h"

namespace tavex::test {

std::string CreateEmptyHostDatabase(db::Backend backend, const TempDir& folder) {
  if (backend == db::Backend::Sqlite) {
    static int counter = 0;
    // An empty file is an empty SQLite database.
    const std::string path = folder / ("host" + std::to_string(++counter) + ".db");
    WriteFile(path, "");
    return "sqlite:" + path;
  }
  return PgCluster::Shared().CreateDatabase();
}

std::string BackendName(const testing::TestParamInfo<db::Backend>& info) {
  return info.param == db::Backend::Sqlite ? "Sqlite" : "Postgres";
}

void HostDatabaseTest::SetUp() {
  if (GetParam() == db::Backend::Postgres && !PgCluster::Available()) {
    GTEST_SKIP() << PgCluster::UnavailableReason();
  }
  mName = CreateEmptyHostDatabase(GetParam(), mFolder);
  mDb = db::OpenConnection(mName);
}

}  // namespace tavex::test

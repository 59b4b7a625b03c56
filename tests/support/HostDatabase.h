#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "database/Connection.h"
#include "support/TempDir.h"

namespace tavex::test {

// Creates a new, empty host database on `backend` and returns its
// connection name ("sqlite:/..." in `folder`, or a database of the test
// PostgreSQL cluster). Skips the running test when PostgreSQL is wanted but
// its server programs are not installed.
std::string CreateEmptyHostDatabase(db::Backend backend, const TempDir& folder);

// "Sqlite" / "Postgres", for parameterised test names.
std::string BackendName(const testing::TestParamInfo<db::Backend>& info);

// A test that runs once per backend on a fresh, empty host database.
class HostDatabaseTest : public testing::TestWithParam<db::Backend> {
 protected:
  void SetUp() override;

  const std::shared_ptr<db::Connection>& Db() const { return mDb; }
  const std::string& ConnectionName() const { return mName; }
  const TempDir& Folder() const { return mFolder; }
  // A second connection to the same database.
  std::shared_ptr<db::Connection> Reopen() const { return db::OpenConnection(mName); }

 private:
  TempDir mFolder;
  std::string mName;
  std::shared_ptr<db::Connection> mDb;
};

}  // namespace tavex::test

#define INSTANTIATE_HOST_DATABASE_TEST(fixture)                                                    \
  INSTANTIATE_TEST_SUITE_P(, fixture, testing::Values(db::Backend::Sqlite, db::Backend::Postgres), \
                           tavex::test::BackendName)

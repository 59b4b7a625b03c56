#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "cli/SampleDatabase.h"
#include "database/Connection.h"
#include "engine/Package.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/RemoteServer.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "support/TempDir.h"

namespace tavex::test {

// A host database filled with the sample data of one branch, made the
// host connection of the exchange context, with a plug-in
// folder and a per-user settings folder of its own, once per backend.
class UploadHostTest : public HostDatabaseTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The sample to create: by default day 1 is uploaded and day 2 (30 bills,
  // one of them without a shift) is not.
  virtual cli::SampleOptions Sample() const;

  const std::string& Home() const { return mHome.Path(); }
  std::string TempFolder() const { return mHome / "Temp"; }

  // Points `site`'s exchange settings and this plug-in folder's options at
  // `server`, reached on `port` (another port: a server that is not there).
  void UseServer(const std::shared_ptr<db::Connection>& site, const RemoteServer& server,
                 int port) const;

  std::set<std::string> UnsentBills() const {
    return Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=0");
  }
  // Each step of `package` reads rows here, with the columns of its
  // receiving table: they are written into it by column name.
  void ExpectEveryStepFillsItsTable(engine::Package& package) const;

  void Exec(const std::string& sql) const { Db()->Execute(sql); }
  std::int64_t Count(const std::string& sql) const { return Number(*Db(), sql); }
  std::set<std::string> Keys(const std::string& sql) const { return FirstColumn(*Db(), sql); }
  bool HasTable(const std::string& table) const { return test::HasTable(*Db(), table); }
  // The keys with a branch prefix.
  static std::set<std::string> Prefixed(const std::set<std::string>& keys,
                                        const std::string& branch = "B01");

 private:
  PluginHome mHome;
  std::unique_ptr<ScopedHostConnection> mHostScope;
};

// A package file unpacked into a folder of its own, opened, and checked by
// the package engine (a failure fails the running test).
class UnpackedPackage {
 public:
  explicit UnpackedPackage(const std::string& packageFile);

  bool Checked() const { return mChecked; }
  std::set<std::string> Keys(const std::string& sql) const { return FirstColumn(*mDb, sql); }
  std::int64_t Count(const std::string& table) const {
    return Number(*mDb, "SELECT COUNT(*) FROM " + table);
  }
  bool HasTable(const std::string& table) const { return test::HasTable(*mDb, table); }

 private:
  TempDir mFolder;
  std::shared_ptr<db::Connection> mDb;
  bool mChecked = false;
};

}  // namespace tavex::test

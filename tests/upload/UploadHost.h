#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "cli/SampleDatabase.h"
#include "database/Connection.h"
#include "support/HostDatabase.h"
#include "support/TempDir.h"

namespace tavex::test {

// A host database filled with the sample data of one branch, made the
// process-wide host connection (and the exchange context's), with a plug-in
// folder and a per-user settings folder of its own, once per backend.
class UploadHostTest : public HostDatabaseTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The sample to create; override before SetUp runs.
  virtual cli::SampleOptions Sample() const;

  const std::string& Home() const { return mHome.Path(); }
  std::string TempFolder() const { return mHome / "Temp"; }

  // Runs `sql` on the host connection.
  void Exec(const std::string& sql) const;
  std::int64_t Count(const std::string& sql) const;
  // The first column of every row of `sql`, as text.
  std::set<std::string> Keys(const std::string& sql) const;
  // The same keys with the branch prefix "B01-".
  static std::set<std::string> Prefixed(const std::set<std::string>& keys,
                                        const std::string& branch = "B01");
  bool HasTable(const std::string& table) const;

 private:
  TempDir mHome;
  TempDir mConfig;
  std::unique_ptr<ScopedEnv> mHomeVariable;
  std::unique_ptr<ScopedEnv> mConfigVariable;
};

// A package file unpacked into a folder of its own, opened, and checked by
// the package engine.
class UnpackedPackage {
 public:
  // Fails the running test when the file does not unpack or check.
  explicit UnpackedPackage(const std::string& packageFile);

  std::set<std::string> Keys(const std::string& sql) const;
  std::int64_t Count(const std::string& table) const;
  bool HasTable(const std::string& table) const;
  bool Checked() const { return mChecked; }

 private:
  TempDir mFolder;
  std::shared_ptr<db::Connection> mDb;
  bool mChecked = false;
};

// The text of a value as a key: numbers in decimal, NULL as "<null>".
std::string KeyText(const db::Value& value);

}  // namespace tavex::test

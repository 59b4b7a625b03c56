#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "database/Connection.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "storage/DatabaseHelpers.h"
#include "support/TempDir.h"

namespace tavex::test {

// Compresses `source` into the package file `target`, or unpacks it again,
// with the package compression; the control's error code (0: done).
inline int Pack(const std::string& source, const std::string& target, bool unpack = false) {
  engine::FSComprFile control;
  control.SourceFile(source);
  control.TargetFile(target);
  unpack ? control.Decompress() : control.Compress();
  return control.ErrorCode();
}
inline int Unpack(const std::string& source, const std::string& target) {
  return Pack(source, target, true);
}

// Exports `package`, its steps read from `source`, into the package database
// `stem`.mdb and packs that into `stem`.pkg, as a sending site does; the
// package file's contents. A failure fails the running test.
inline std::string ExportPackageFile(engine::Package& package,
                                     std::shared_ptr<db::Connection> source,
                                     const std::string& stem) {
  package.SourceConnection(std::move(source));
  storage::CreateEmptyDatabase(stem + ".mdb");
  auto target = db::OpenConnection(db::PackageConnectionString(stem + ".mdb"));
  package.TargetConnection(target);
  EXPECT_TRUE(package.Export(false, true, 1))
      << (package.Errors().Count() > 0 ? package.Errors().Item(1).Description() : "cancelled");
  target->Close();
  EXPECT_EQ(0, Pack(stem + ".mdb", stem + ".pkg"));
  return ReadFile(stem + ".pkg");
}

// The package file `packageFile` unpacked into `database` and opened; null
// (and the running test failed) when it does not unpack.
inline std::shared_ptr<db::Connection> OpenUnpacked(const std::string& packageFile,
                                                    const std::string& database) {
  const int unpacked = Unpack(packageFile, database);
  EXPECT_EQ(0, unpacked) << packageFile;
  return unpacked == 0 ? db::OpenConnection(db::PackageConnectionString(database)) : nullptr;
}

}  // namespace tavex::test

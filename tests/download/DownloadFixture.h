#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "support/FtpServer.h"
#include "support/PackageForge.h"
#include "support/PluginHome.h"
#include "support/RecordingProgress.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "support/TempDir.h"

namespace tavex::test {

// Head office ("HQ") on the backend under test with the bill tables and its
// exchange settings, a real FTP server holding its download folder
// "ForDownload/HQ", and the plug-in folder of the run. Branch packages are
// built with the package engine from SQLite branch databases.
class DownloadFixture : public ::testing::TestWithParam<db::Backend> {
 protected:
  void SetUp() override;

  // A bill package of `branch` holding bills first..first+count-1 (each with
  // two items), as a branch would send it. With `extraColumn` the branch's
  // bill table, and so the package, carries a column head office lacks.
  std::string BillPackage(const std::string& branch, int first, int count,
                          bool extraColumn = false);
  // `package` cut short, as a broken transfer leaves it.
  static std::string Truncated(const std::string& package);

  void PutPackage(const std::string& name, const std::string& contents) const;
  bool ServerHas(const std::string& name) const;
  // Puts `contents` into the download folder under the names
  // "<branch>-1.pkg", "<branch>-2.pkg", ..., which the run takes in this
  // order (at most nine); returns the names.
  std::vector<std::string> PutInOrder(const std::string& branch,
                                      const std::vector<std::string>& contents) const;

  // Runs cDownload at head office with mList and mBar; the result. The
  // reasons it gives for raised failures are kept in mFailure.
  bool Download();
  // Runs cDownload in a child process that dies at once (as under a kill)
  // at the first line containing `marker`; the child's exit status, kKilled
  // when it died there.
  int DownloadKilledAt(const std::string& marker);

  std::shared_ptr<db::Connection> Hq() const { return db::OpenConnection(mHqName); }
  std::int64_t Count(const std::string& table) const;
  // Every row of `sql` at head office, one line each, values joined by "|".
  std::string Dump(const std::string& sql) const;

  // Back to the state before any run: head office empty, no local files,
  // no package on the server, no line.
  void StartAgain();

  // Regular files below a folder of the plug-in folder, as relative paths.
  std::vector<std::string> FilesBelow(const std::string& folder) const;
  // The lines of the synchronisation log written so far.
  std::string SyncLogText() const;

  // The runs hand their host connection over; it is given back at the end.
  ScopedHostConnection mHostScope{nullptr};
  TempDir mDir;
  // Packages made by hand: a frame holding anything, a package altered.
  PackageForge mForge{mDir.Path()};
  PluginHome mHome;
  FtpServer mServer;
  std::string mHqName;
  HookedList mList;
  std::string mFailure;
  RecordingBar mBar;

 private:
  int mPackages = 0;
};

}  // namespace tavex::test

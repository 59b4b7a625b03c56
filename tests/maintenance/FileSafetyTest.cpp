#include <gtest/gtest.h>

#include <filesystem>

#include "cli/SampleDatabase.h"
#include "maintenance/BackupDefinitions.h"
#include "maintenance/MaintenanceRuns.h"
#include "maintenance/MemberExport.h"
#include "storage/DatabaseHelpers.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;

// A sample host database on SQLite; the system's temporary folder is a
// folder of the test, so what runs leave there can be seen.
class FileSafety : public ::testing::Test {
 protected:
  FileSafety() {
    cli::SampleOptions options;
    options.bills = 30;
    cli::CreateSampleDatabase(mHost, options);
  }

  std::unique_ptr<engine::Package> AllBills() {
    return DefineBusinessBackup(ReadBusinessBackupTexts(), std::nullopt, "MSACCESS");
  }
  // The member export run into `path`, with `cancel` as its progress hook.
  RunOutcome ExportMembers(const std::string& path, engine::ProccessHandler cancel = nullptr) {
    auto members = DefineMemberExport(mTexts, std::chrono::year{2026} / 12 / 4);
    if (cancel) members->OnProccess(std::move(cancel));
    return RunMemberExport(*members, mTexts, mHost, path);
  }

  const MemberExportTexts mTexts = ReadMemberExportTexts();

  test::TempDir mDir;
  test::TempDir mTemp;
  test::ScopedEnv mTempEnv{"TMPDIR", mTemp.Path()};
  const std::string mHostName = test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir);
  std::shared_ptr<db::Connection> mHost = db::OpenConnection(mHostName);
};

// A cancel, a failing export and a package path that cannot be written
// leave the user's files as they were and no working file anywhere.
TEST_F(FileSafety, AFailedOrCancelledBackupKeepsTheUsersFilesAndLeavesNoWorkingFile) {
  const std::string package = mDir / "backup.pkg";
  test::WriteFile(package, "last week's backup");
  test::WriteFile(mDir / "backup.mdb", "the manager's own database");
  auto cancelled = AllBills();
  cancelled->OnProccess([](const std::string&, std::int32_t, std::int32_t finished,
                           const std::string&, std::int32_t, std::int32_t, bool& cancel,
                           bool) { cancel = finished == 2; });
  EXPECT_EQ(RunBackup(*cancelled, mHost, package), RunOutcome::Cancelled);
  EXPECT_EQ(test::FolderNames(mTemp.Path()), std::vector<std::string>{});

  mHost->Execute("DROP TABLE bi_SubBill");
  auto failing = AllBills();
  EXPECT_EQ(RunBackup(*failing, mHost, package), RunOutcome::Failed);
  EXPECT_GT(failing->Errors().Count(), 0);
  EXPECT_EQ(test::FolderNames(mTemp.Path()), std::vector<std::string>{});

  EXPECT_EQ(test::ReadFile(package), "last week's backup");
  EXPECT_EQ(test::ReadFile(mDir / "backup.mdb"), "the manager's own database");
  EXPECT_EQ(test::FolderNames(mDir.Path()).size(), 3U);  // the host and the two files
}

// Written over, the host database would be lost to its own backup.
TEST_F(FileSafety, TheHostDatabasesOwnFileIsRefused) {
  const std::string hostFile = mHostName.substr(std::string("sqlite:").size());
  const std::string before = test::ReadFile(hostFile);
  auto package = AllBills();
  EXPECT_THROW(RunBackup(*package, mHost, mDir / ("./" + fs::path(hostFile).filename().string())),
               std::runtime_error);
  EXPECT_THROW(ExportMembers(hostFile), std::runtime_error);
  EXPECT_EQ(test::ReadFile(hostFile), before);
}

TEST_F(FileSafety, APathWithoutThePackageEndingIsWrittenAsTyped) {
  test::WriteFile(mDir / "monday.mdb", "kept");
  auto package = AllBills();
  ASSERT_EQ(RunBackup(*package, mHost, mDir / "monday"), RunOutcome::Done);
  EXPECT_EQ(test::ReadFile(mDir / "monday.mdb"), "kept");
  mHost->Execute("DELETE FROM bi_Bill");
  engine::Package restore;
  EXPECT_EQ(RestorePackage(restore, mDir / "monday", mHost).outcome, RunOutcome::Done);
  EXPECT_EQ(test::Number(*mHost, "SELECT COUNT(*) FROM bi_Bill"), 30);
  EXPECT_EQ(test::FolderNames(mTemp.Path()), std::vector<std::string>{});
}

// The user's database file, with a table of its own and an earlier member
// list, stays byte for byte as it was when an export is cancelled or fails;
// so does an earlier CSV file.
TEST_F(FileSafety, AFailedOrCancelledMemberExportKeepsAnEarlierFile) {
  storage::CreateEmptyDatabase(mDir / "members.db");
  {
    auto users = db::OpenConnection("sqlite:" + mDir / "members.db");
    users->Execute("CREATE TABLE Suppliers (Name TEXT)");
    users->Execute("INSERT INTO Suppliers VALUES ('Fresh Fish Ltd')");
    users->Execute("CREATE TABLE [" + mTexts.Msg_mb_MemberInfo + "] (Card TEXT)");
    users->Execute("INSERT INTO [" + mTexts.Msg_mb_MemberInfo + "] VALUES ('earlier')");
  }
  const std::string database = test::ReadFile(mDir / "members.db");
  test::WriteFile(mDir / "members.csv", "an earlier export");
  const auto cancelling = [](const std::string&, std::int32_t, std::int32_t, const std::string&,
                             std::int32_t, std::int32_t, bool& cancel, bool) { cancel = true; };
  for (const std::string name : {"members.db", "members.csv"}) {
    EXPECT_EQ(ExportMembers(mDir / name, cancelling), RunOutcome::Cancelled);
  }
  mHost->Execute("DROP TABLE mb_MemberInfo");
  for (const std::string name : {"members.db", "members.csv"}) {
    EXPECT_EQ(ExportMembers(mDir / name), RunOutcome::Failed);
  }
  EXPECT_EQ(test::ReadFile(mDir / "members.db"), database);
  EXPECT_EQ(test::ReadFile(mDir / "members.csv"), "an earlier export");
  EXPECT_EQ(test::FolderNames(mTemp.Path()), std::vector<std::string>{});
  EXPECT_EQ(test::FolderNames(mDir.Path()).size(), 3U);  // the host and the two files
}

// Backups and exports hold business and member data: the owner and the
// site's group read them, nobody else, whatever the umask and whatever
// the file they replace allowed.
TEST_F(FileSafety, BackupsAndExportsAreForTheOwnerAndTheGroupOnly) {
  const test::ScopedUmask umask(0);
  for (const bool replacing : {false, true}) {
    auto backup = AllBills();
    ASSERT_EQ(RunBackup(*backup, mHost, mDir / "bills.pkg"), RunOutcome::Done);
    for (const std::string name : {"members.db", "members.csv"}) {
      ASSERT_EQ(ExportMembers(mDir / name), RunOutcome::Done);
    }
    for (const std::string name : {"bills.pkg", "members.db", "members.csv"}) {
      EXPECT_EQ(0640U, test::PermissionsOf(mDir / name)) << name << (replacing ? " replaced" : "");
      fs::permissions(mDir / name, fs::perms::all);
    }
  }
}

// A database path that holds something else (a spreadsheet saved as .db,
// a text) is never replaced by the export.
TEST_F(FileSafety, AMemberExportIntoAFileThatIsNoDatabaseIsRefusedAndLeavesIt) {
  for (const std::string& contents :
       {std::string("the manager's notes"), std::string("SQLite format 2\0 not quite")}) {
    test::WriteFile(mDir / "notes.db", contents);
    try {
      ExportMembers(mDir / "notes.db");
      ADD_FAILURE() << "a file that is no database was not refused";
    } catch (const std::runtime_error& refusal) {
      EXPECT_EQ(std::string(refusal.what()),
                "选择的文件不是数据库文件，没有改动它：" + mDir / "notes.db");
    }
    EXPECT_EQ(test::ReadFile(mDir / "notes.db"), contents);
  }
  EXPECT_EQ(test::FolderNames(mTemp.Path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace tavex

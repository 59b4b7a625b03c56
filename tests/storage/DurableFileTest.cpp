#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "storage/DurableFile.h"
#include "support/TempDir.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

using test::FolderNames;

TEST(DurableFile, ACopyReplacesTheTargetAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  test::WriteFile(dir / "from", std::string(200000, 'x') + "end");
  test::WriteFile(dir / "to", "old");
  CopyFileDurably(dir / "from", dir / "to");
  EXPECT_EQ(std::string(200000, 'x') + "end", test::ReadFile(dir / "to"));
  EXPECT_EQ((Names{"from", "to"}), FolderNames(dir.Path()));
}

TEST(DurableFile, AFailedCopyNamesTheFileAndChangesNothing) {
  test::TempDir dir;
  test::WriteFile(dir / "to", "old");
  try {
    CopyFileDurably(dir / "missing", dir / "to");
    ADD_FAILURE() << "copied a missing file";
  } catch (const std::runtime_error& failure) {
    EXPECT_EQ("cannot open " + (dir / "missing") + ": No such file or directory",
              std::string(failure.what()));
  }
  test::WriteFile(dir / "from", "new");
  EXPECT_THROW(CopyFileDurably(dir / "from", dir / "no/such/folder/to"), std::runtime_error);
  EXPECT_EQ("old", test::ReadFile(dir / "to"));
  EXPECT_EQ((Names{"from", "to"}), FolderNames(dir.Path()));
}

TEST(DurableFile, OnlyACommittedFileAppearsAndItKeepsTheAskedPermissions) {
  test::TempDir dir;
  {
    DurableFile abandoned(dir / "a");
    abandoned.Write("half", 4);
  }
  EXPECT_TRUE(FolderNames(dir.Path()).empty());
  DurableFile file(dir / "b", 0640);
  file.Write("first try", 9);
  file.Restart();
  file.Write("again", 5);
  EXPECT_EQ(Names{fs::path(file.TemporaryPath()).filename().string()}, FolderNames(dir.Path()));
  file.Commit();
  EXPECT_EQ("again", test::ReadFile(dir / "b"));
  EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
            fs::status(dir / "b").permissions());
  EXPECT_EQ(Names{"b"}, FolderNames(dir.Path()));
}

// Written files hold business and member data: the owner and the site's
// group read them, nobody else, even under a umask that would allow more.
TEST(DurableFile, WithoutAskedPermissionsTheOwnerWritesAndTheGroupReadsWhateverTheUmask) {
  test::TempDir dir;
  for (const unsigned mask : {0000U, 0022U}) {
    const test::ScopedUmask umask(mask);
    DurableFile file(dir / "written");
    file.Write("x", 1);
    file.Commit();
    WriteFileDurably(dir / "whole", "x");
    test::WriteFile(dir / "open to all", "x");
    fs::permissions(dir / "open to all", fs::perms::all);
    CopyFileDurably(dir / "open to all", dir / "copy");
    for (const std::string name : {"written", "whole", "copy"}) {
      EXPECT_EQ(0640U, test::PermissionsOf(dir / name)) << name << " under umask " << mask;
    }
  }
}

TEST(DurableFile, AnUnsyncedCommitStillShowsOnlyTheWholeFile) {
  test::TempDir dir;
  test::WriteFile(dir / "work", "old");
  DurableFile file(dir / "work");
  file.Write("new", 3);
  EXPECT_EQ("old", test::ReadFile(dir / "work"));
  file.CommitUnsynced();
  EXPECT_EQ("new", test::ReadFile(dir / "work"));
  EXPECT_EQ(Names{"work"}, FolderNames(dir.Path()));
}

TEST(DurableFile, AWorkingCopyIsASecondNameOfTheFileAndReplacesAnOldOne) {
  test::TempDir dir;
  test::WriteFile(dir / "kept", "package");
  test::WriteFile(dir / "work", "an earlier package of that name");
  LinkOrCopy(dir / "kept", dir / "work");
  EXPECT_EQ("package", test::ReadFile(dir / "work"));
  LinkOrCopyDurably(dir / "kept", dir / "backup");
  EXPECT_TRUE(fs::equivalent(dir / "kept", dir / "backup"));
  RemoveFile(dir / "backup");
  EXPECT_TRUE(fs::equivalent(dir / "kept", dir / "work"));
  // Removing the working copy leaves the kept one.
  RemoveFile(dir / "work");
  EXPECT_EQ("package", test::ReadFile(dir / "kept"));
  EXPECT_THROW(LinkOrCopy(dir / "missing", dir / "work"), std::runtime_error);
  EXPECT_EQ(Names{"kept"}, FolderNames(dir.Path()));
}

TEST(DurableFile, AWorkingCopyOnAnotherFileSystemIsACopy) {
  test::TempDir dir;
  const std::string kept = "/dev/shm/tavex-kept-" + std::to_string(::getpid());
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no second file system at /dev/shm";
  test::WriteFile(kept, "package");
  LinkOrCopy(kept, dir / "work");
  LinkOrCopyDurably(kept, dir / "backup");
  fs::remove(kept);
  for (const std::string name : {"work", "backup"}) {
    EXPECT_EQ("package", test::ReadFile(dir / name));
    EXPECT_EQ(0640U, test::PermissionsOf(dir / name));
  }
}

// What a process killed while it wrote left behind goes; files of other
// names, and one of a name that merely begins the same, stay.
TEST(DurableFile, RemovingWhatADeadWriterLeftTakesOnlyThatFilesTemporaryCopies) {
  test::TempDir dir;
  std::string left;
  {
    DurableFile dead(dir / "B01-1.pkg");
    dead.Write("half", 4);
    left = fs::path(dead.TemporaryPath()).filename().string();
    // Its process dies: the object never goes away.
    ASSERT_EQ(0, ::link(dead.TemporaryPath().c_str(), (dir / "kept").c_str()));
  }
  ASSERT_EQ(0, ::rename((dir / "kept").c_str(), (dir / left).c_str()));
  test::WriteFile(dir / "B01-1.pkg.tmp-old", "not a temporary name");
  test::WriteFile(dir / "B01-10.pkg.tmp-abcdef", "another package's");
  test::WriteFile(dir / "B01-1.pkg", "an older whole copy");
  DurableFile alive(dir / "B01-2.pkg");
  RemoveUncommitted(dir / "B01-1.pkg");
  EXPECT_EQ((Names{"B01-1.pkg", "B01-1.pkg.tmp-old", "B01-10.pkg.tmp-abcdef",
                   fs::path(alive.TemporaryPath()).filename().string()}),
            FolderNames(dir.Path()));
  EXPECT_NO_THROW(RemoveUncommitted(dir / "B01-3.pkg")) << "nothing left: nothing to do";
}

TEST(DurableFile, RemovingAFileThatIsGoneIsNoFailure) {
  test::TempDir dir;
  test::WriteFile(dir / "f", "x");
  RemoveFile(dir / "f");
  EXPECT_FALSE(fs::exists(dir / "f"));
  EXPECT_NO_THROW(RemoveFile(dir / "f"));
  fs::create_directories(dir / "folder/inner");
  EXPECT_THROW(RemoveFile(dir / "folder"), std::runtime_error);
}

}  // namespace
}  // namespace tavex

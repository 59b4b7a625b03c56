#include <gtest/gtest.h>

#include <filesystem>

#include "download/DurableFile.h"
#include "download/PendingPackages.h"
#include "support/TempDir.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

Names FolderNames(const std::string& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

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

TEST(DurableFile, RemovingAFileThatIsGoneIsNoFailure) {
  test::TempDir dir;
  test::WriteFile(dir / "f", "x");
  RemoveFile(dir / "f");
  EXPECT_FALSE(fs::exists(dir / "f"));
  EXPECT_NO_THROW(RemoveFile(dir / "f"));
  fs::create_directories(dir / "folder/inner");
  EXPECT_THROW(RemoveFile(dir / "folder"), std::runtime_error);
}

TEST(PendingPackages, RecordsAreKeptInNameOrderUntilRemoved) {
  test::TempDir dir;
  const PendingPackages pending(dir / "Temp/Pending/");
  EXPECT_TRUE(pending.Names().empty());
  pending.Add("B02-2.pkg", "/backup/B02-2.pkg");
  pending.Add("B01-1.PKG", "/backup/B01-1.PKG");
  test::WriteFile(dir / "Temp/Pending/B03-3.pkg.tmp-abc123", "");
  EXPECT_EQ((Names{"B01-1.PKG", "B02-2.pkg"}), pending.Names());
  EXPECT_EQ("/backup/B02-2.pkg", pending.BackupCopy("B02-2.pkg"));
  EXPECT_EQ("", pending.BackupCopy("B09-9.pkg"));

  pending.Add("B02-2.pkg", "/elsewhere/B02-2.pkg");
  EXPECT_EQ("/elsewhere/B02-2.pkg", pending.BackupCopy("B02-2.pkg"));
  pending.Remove("B01-1.PKG");
  EXPECT_EQ(Names{"B02-2.pkg"}, pending.Names());
}

}  // namespace
}  // namespace tavex

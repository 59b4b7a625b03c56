#include <gtest/gtest.h>

#include <filesystem>

#include "storage/CreatePath.h"
#include "support/TempDir.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;

class CreatePathTest : public ::testing::Test {
 protected:
  bool IsFolder(const std::string& name) const { return fs::is_directory(mRoot / name); }
  bool IsEmpty() const { return fs::is_empty(mRoot.Path()); }

  test::TempDir mRoot;
};

TEST_F(CreatePathTest, CreatesEveryMissingLevelAndDoubledOrTrailingSlashesDoNoHarm) {
  EXPECT_TRUE(CreatePath(mRoot / "a/b/c"));
  EXPECT_TRUE(IsFolder("a/b/c"));
  EXPECT_TRUE(CreatePath(mRoot.Path() + "//x///y//"));
  EXPECT_TRUE(IsFolder("x/y"));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(mRoot / "x"), fs::directory_iterator()));
}

TEST_F(CreatePathTest, AnExistingPathIsTrueAndUntouched) {
  fs::create_directories(mRoot / "a/b");
  test::WriteFile(mRoot / "a/b/keep.txt", "kept");
  EXPECT_TRUE(CreatePath(mRoot / "a/b"));
  EXPECT_EQ("kept", test::ReadFile(mRoot / "a/b/keep.txt"));
  EXPECT_TRUE(CreatePath("/"));
}

TEST_F(CreatePathTest, AskedPermissionsAreWhatTheCreatedLevelsGetWhateverTheUmask) {
  fs::create_directories(mRoot / "kept");
  fs::permissions(mRoot / "kept", fs::perms::all);
  for (const unsigned mask : {0000U, 0077U}) {
    const test::ScopedUmask umask(mask);
    const std::string top = "kept/" + std::to_string(mask);
    ASSERT_TRUE(CreatePath(mRoot / (top + "/month"), 0750));
    EXPECT_EQ(0750U, test::PermissionsOf(mRoot / top)) << mask;
    EXPECT_EQ(0750U, test::PermissionsOf(mRoot / (top + "/month"))) << mask;
  }
  EXPECT_EQ(0777U, test::PermissionsOf(mRoot / "kept")) << "an existing level keeps its own";
  const test::ScopedUmask umask(0027);
  ASSERT_TRUE(CreatePath(mRoot / "plain"));
  EXPECT_EQ(0750U, test::PermissionsOf(mRoot / "plain")) << "without: as the umask gives";
}

TEST_F(CreatePathTest, EmptyBlankAndRelativePathsAreRefusedAndCreateNothing) {
  fs::path saved = fs::current_path();
  fs::current_path(mRoot.Path());
  EXPECT_FALSE(CreatePath(""));
  EXPECT_FALSE(CreatePath("   \t "));
  EXPECT_FALSE(CreatePath("relative/folder"));
  EXPECT_FALSE(CreatePath("./here"));
  EXPECT_FALSE(CreatePath(" " + mRoot.Path() + "/lead"));
  fs::current_path(saved);
  EXPECT_TRUE(IsEmpty());
}

TEST_F(CreatePathTest, APathThroughARegularFileIsRefusedAndCreatesNothing) {
  test::WriteFile(mRoot / "file", "x");
  EXPECT_FALSE(CreatePath(mRoot / "file/sub/deeper"));
  EXPECT_FALSE(CreatePath(mRoot / "file"));
  EXPECT_TRUE(fs::is_regular_file(mRoot / "file"));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(mRoot.Path()), fs::directory_iterator()));
}

TEST_F(CreatePathTest, ASymbolicLinkToAFolderCountsAsTheFolder) {
  fs::create_directories(mRoot / "real");
  fs::create_directory_symlink(mRoot / "real", mRoot / "link");
  EXPECT_TRUE(CreatePath(mRoot / "link/inner"));
  EXPECT_TRUE(IsFolder("real/inner"));
}

}  // namespace
}  // namespace tavex

#include <gtest/gtest.h>

#include <filesystem>

#include "framework/PluginFolder.h"
#include "support/TempDir.h"

namespace tavex {
namespace {

TEST(PluginFolder, HomeVariableWinsAndLosesItsTrailingSlashes) {
  test::ScopedEnv home("TAVEX_HOME", "/opt/tavolo/plugins//");
  EXPECT_EQ("/opt/tavolo/plugins", PluginFolder());
}

TEST(PluginFolder, WithoutHomeItIsTheFolderOfTheModuleFile) {
  test::ScopedEnv home("TAVEX_HOME", "");
  // Linked statically into this test binary, the module is the binary itself.
  auto self = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  EXPECT_EQ(self, PluginFolder());
}

TEST(JoinPath, PutsExactlyOneSlashBetween) {
  EXPECT_EQ("/a/b", JoinPath("/a", "b"));
  EXPECT_EQ("/a/b", JoinPath("/a/", "b"));
  EXPECT_EQ("b", JoinPath("", "b"));
}

}  // namespace
}  // namespace tavex

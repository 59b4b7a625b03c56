#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "storage/UserSettings.h"
#include "support/TempDir.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;

class UserSettingsTest : public ::testing::Test {
 protected:
  std::string File() const { return mConfig / "Tavolo/Tavolo.ini"; }
  void PutFile(const std::string& contents) const { test::WriteFile(File(), contents); }
  std::string Contents() const { return test::ReadFile(File()); }
  std::string Get(const std::string& section, const std::string& key) const {
    return GetUserSetting("Tavolo", section, key, "<default>");
  }
  bool Save(const std::string& section, const std::string& key, const std::string& value) const {
    return SaveUserSetting("Tavolo", section, key, value);
  }
  std::vector<std::string> FolderEntries() const { return test::FolderNames(mConfig / "Tavolo"); }

  test::TempDir mConfig;
  test::ScopedEnv mConfigVariable{"XDG_CONFIG_HOME", mConfig.Path()};
};

TEST_F(UserSettingsTest, TheApplicationNamesTheFolderAndTheFile) {
  EXPECT_EQ(mConfig / "Tavolo/Tavolo.ini", UserSettingsFile("Tavolo"));
  test::TempDir home;
  test::ScopedEnv homeVariable("HOME", home.Path());
  test::ScopedEnv unset("XDG_CONFIG_HOME", "");
  EXPECT_EQ(home / ".config/Tavolo/Tavolo.ini", UserSettingsFile("Tavolo"));
  test::ScopedEnv relative("XDG_CONFIG_HOME", "not/absolute");
  EXPECT_EQ(home / ".config/Tavolo/Tavolo.ini", UserSettingsFile("Tavolo"));
}

TEST_F(UserSettingsTest, AFirstSaveCreatesFolderFileAndSection) {
  ASSERT_TRUE(Save("Language", "Language", "2"));
  EXPECT_EQ("[Language]\nLanguage=2\n", Contents());
  EXPECT_EQ("2", Get("Language", "Language"));
  EXPECT_EQ(std::vector<std::string>{"Tavolo.ini"}, FolderEntries());
}

TEST_F(UserSettingsTest, ARewriteChangesOneLineAndKeepsEveryOtherLine) {
  PutFile(
      "; written by hand\r\n"
      "[Upload]\n"
      "LastFrom = 2026-12-01\n"
      "garbage line without equals\n"
      "\n"
      "[Language]\n"
      "language=1\n"
      "# trailing comment\n");
  ASSERT_TRUE(Save("LANGUAGE", "Language", "3"));
  ASSERT_TRUE(Save("Upload", "LastTo", "2026-12-04"));
  EXPECT_EQ(
      "; written by hand\r\n"
      "[Upload]\n"
      "LastFrom = 2026-12-01\n"
      "garbage line without equals\n"
      "LastTo=2026-12-04\n"
      "\n"
      "[Language]\n"
      "Language=3\n"
      "# trailing comment\n",
      Contents());
  EXPECT_EQ("2026-12-01", Get("upload", "lastfrom"));
}

TEST_F(UserSettingsTest, ValuesComeBackByteForByte) {
  const std::vector<std::string> values = {
      "",   "a ; b # c = d", "  leading and trailing  ", "\"quoted\"",
      "\"", "数据同步日志",  std::string(5000, 'x'),
  };
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_TRUE(Save("Values", "Key" + std::to_string(i), values[i])) << i;
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(values[i], Get("Values", "Key" + std::to_string(i))) << i;
  }
}

TEST_F(UserSettingsTest, AMissingFileSectionOrKeyGivesTheDefaultAndTheFirstMatchCounts) {
  EXPECT_EQ("<default>", Get("Language", "Language"));
  PutFile(std::string("\x00\x01\xff\xfe binary\n", 12) +
          "[Language\n"
          "=no key\n"
          "  [Language]  \n"
          "  Language  =  4  \n"
          "Language=5\n"
          "[Language]\n"
          "Country=CN\n"
          "[Other]\n"
          "Region=3\n");
  EXPECT_EQ("4", Get("Language", "Language"));
  EXPECT_EQ("CN", Get("Language", "Country"));
  EXPECT_EQ("<default>", Get("Language", ""));
  EXPECT_EQ("<default>", Get("Language", "Region"));
  EXPECT_EQ("<default>", Get("Missing", "Country"));
}

TEST_F(UserSettingsTest, WhatCannotBeStoredInALineIsRefusedAndTheFileStaysAsItWas) {
  PutFile("[A]\nB=1\n");
  EXPECT_FALSE(Save("A", "B", "two\nlines"));
  EXPECT_FALSE(Save("A", "B", "carriage\rreturn"));
  EXPECT_FALSE(Save("A]", "B", "x"));
  EXPECT_FALSE(Save("A", "B=C", "x"));
  EXPECT_FALSE(Save("", "B", "x"));
  EXPECT_FALSE(Save("A", " B", "x"));
  EXPECT_FALSE(SaveUserSetting("../Escape", "A", "B", "x"));
  EXPECT_EQ("[A]\nB=1\n", Contents());
  EXPECT_FALSE(fs::exists(mConfig / "Escape"));
}

TEST_F(UserSettingsTest, AFileThatCannotBeReadOrIsOversizedGivesDefaultsAndIsNotOverwritten) {
  fs::create_directories(File());  // a folder where the file should be
  EXPECT_EQ("<default>", Get("Language", "Language"));
  EXPECT_FALSE(Save("Language", "Language", "1"));
  EXPECT_TRUE(fs::is_directory(File()));
  fs::remove(File());
  std::string huge = "[Language]\nLanguage=1\n" + std::string(2 << 20, ';');
  PutFile(huge);
  EXPECT_EQ("<default>", Get("Language", "Language"));
  EXPECT_FALSE(Save("Language", "Language", "2"));
  EXPECT_EQ(huge.size(), fs::file_size(File()));
}

TEST_F(UserSettingsTest, ConcurrentWritersOfDifferentKeysLoseNothing) {
  constexpr int kKeys = 40;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool ok = true;
    for (int i = 0; i < kKeys; ++i) ok = Save("Child", "K" + std::to_string(i), "c") && ok;
    _exit(ok ? 0 : 1);
  }
  for (int i = 0; i < kKeys; ++i) EXPECT_TRUE(Save("Parent", "K" + std::to_string(i), "p"));
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int i = 0; i < kKeys; ++i) {
    EXPECT_EQ("c", Get("Child", "K" + std::to_string(i))) << i;
    EXPECT_EQ("p", Get("Parent", "K" + std::to_string(i))) << i;
  }
  EXPECT_EQ(std::vector<std::string>{"Tavolo.ini"}, FolderEntries());
}

}  // namespace
}  // namespace tavex

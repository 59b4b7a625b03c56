#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "LanguageFiles.h"
#include "i18n/Messages.h"
#include "i18n/TextTable.h"
#include "storage/UserSettings.h"

namespace tavex {
namespace {

class MessagesTest : public ::testing::Test {
 protected:
  void SetLanguageSetting(const std::string& value) {
    ASSERT_TRUE(SaveUserSetting("Tavolo", "Language", "Language", value));
  }

  test::LanguageHome mFiles;
};

TEST_F(MessagesTest, WithoutALanguageFileTheTextsAreTheDefaultsBlanksIncluded) {
  LoadMessages();
  EXPECT_EQ("提示", Messages().Msg_Title);
  EXPECT_EQ("成功复制：", Messages().Msg_Proc_Copied_Left);
  EXPECT_EQ("下载数据失败: ", Messages().Msg_DownloadData_Fault);
}

// A text missing from a shipped file shows in Chinese in the middle of an
// English screen: each shipped file gives every key a text of its own.
TEST_F(MessagesTest, AnEmptyTitleInTheFileGivesAnEmptyTitle) {
  mFiles.PutSections(".xml", "<Main><Msg_Title Default=\"\"/></Main>");
  LoadMessages();
  EXPECT_EQ("", Messages().Msg_Title);
  EXPECT_EQ("上一步", Messages().Msg_Step_Prev);
}

TEST_F(MessagesTest, TranslatingOnlyLeftKeepsTheDefaultMiddleAndRight) {
  mFiles.PutSections(".xml", "<Main><Msg_Proc_Copied Left=\"Copied: \"/></Main>");
  LoadMessages();
  EXPECT_EQ("Copied: ", Messages().Msg_Proc_Copied_Left);
  EXPECT_EQ(" ，共 ", Messages().Msg_Proc_Copied_Middle);
  EXPECT_EQ(" 条数据；", Messages().Msg_Proc_Copied_Right);
}

TEST_F(MessagesTest, TheLanguageSettingChoosesTheFile) {
  mFiles.PutSections(".xml", "<Main><Msg_Title Default=\"xml\"/></Main>");
  mFiles.PutSections(".big", "<Main><Msg_Title Default=\"big\"/></Main>");
  struct Case {
    const char* setting;
    const char* title;
  };
  // The setting's leading number; anything else is 0.
  for (auto [setting, title] : {Case{"abc", "xml"}, Case{"4", "xml"}, Case{" 2abc", "big"}}) {
    SetLanguageSetting(setting);
    LoadMessages();
    EXPECT_EQ(title, Messages().Msg_Title) << setting;
  }
  test::WriteFile(UserSettingsFile("Tavolo"), "garbage\n");
  LoadMessages();
  EXPECT_EQ("xml", Messages().Msg_Title);
}

TEST_F(MessagesTest, TextsStayAsReadUntilTheNextLoad) {
  mFiles.PutSections(".big", "<Main><Msg_Title Default=\"big\"/></Main>");
  LoadMessages();
  EXPECT_EQ("提示", Messages().Msg_Title);
  SetLanguageSetting("2");
  EXPECT_EQ("提示", Messages().Msg_Title);
  LoadMessages();
  EXPECT_EQ("big", Messages().Msg_Title);
}

// A run's second thread (a fetch made ahead) may read texts of one section
// while the run reads another's: each gets its own section's texts.
TEST_F(MessagesTest, TwoThreadsReadingTwoSectionsEachGetTheirOwn) {
  mFiles.PutSections(".xml",
                     "<First><Msg_Same Default=\"first\"/></First>"
                     "<Second><Msg_Same Default=\"second\"/></Second>");
  LoadMessages();
  const TextList list({"First", "Second"}, {{"Msg_Same", "", "default"}});
  const auto readMany = [&](const std::string& section, std::vector<std::string>& wrong) {
    for (int i = 0; i < 2000; ++i) {
      const std::string text = list.Read(section).at(0);
      if (text != (section == "First" ? "first" : "second")) wrong.push_back(text);
    }
  };
  std::vector<std::string> wrongFirst;
  std::vector<std::string> wrongSecond;
  std::thread other([&] { readMany("Second", wrongSecond); });
  readMany("First", wrongFirst);
  other.join();
  EXPECT_TRUE(wrongFirst.empty()) << wrongFirst.size() << " wrong, e.g. " << wrongFirst.front();
  EXPECT_TRUE(wrongSecond.empty()) << wrongSecond.size() << " wrong, e.g. " << wrongSecond.front();
}

TEST_F(MessagesTest, LoadingLeavesANewReaderInSectionMain) {
  SetLanguageSetting("3");
  LoadMessages();
  cLanguage& reader = gLanguage();
  EXPECT_EQ("Main", reader.Section());
  EXPECT_EQ(mFiles.Home() / "Languages/tavExDataApp.eng", reader.FilePath());
  reader.SetSection("frmRestore");
  LoadMessages();
  EXPECT_EQ("Main", gLanguage().Section());
}

}  // namespace
}  // namespace tavex

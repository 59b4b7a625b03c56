#include <gtest/gtest.h>

#include <vector>

#include "LanguageFiles.h"
#include "i18n/Messages.h"
#include "storage/UserSettings.h"

namespace tavex {
namespace {

// Every shared text: the member that holds it and where the language file
// keeps it.
struct Entry {
  std::string MessageTexts::*text;
  const char* key;
  const char* property;  // "" for "Default"
};

const std::vector<Entry> kEntries = {
    {&MessageTexts::Msg_Title, "Msg_Title", ""},
    {&MessageTexts::Msg_NotSupport, "Msg_NotSupport", ""},
    {&MessageTexts::Msg_ToUpgrade, "Msg_ToUpgrade", ""},
    {&MessageTexts::Msg_dtpCustomFormat, "Msg_dtpCustomFormat", ""},
    {&MessageTexts::Msg_Step_Prev, "Msg_Step_Prev", ""},
    {&MessageTexts::Msg_Step_Next, "Msg_Step_Next", ""},
    {&MessageTexts::Msg_Step_Finished, "Msg_Step_Finished", ""},
    {&MessageTexts::Msg_Step_Cancel, "Msg_Step_Cancel", ""},
    {&MessageTexts::Msg_Proc_Cancel, "Msg_Proc_Cancel", ""},
    {&MessageTexts::Msg_Proc_Copying, "Msg_Proc_Copying", ""},
    {&MessageTexts::Msg_Proc_Current, "Msg_Proc_Current", ""},
    {&MessageTexts::Msg_Proc_Total, "Msg_Proc_Total", ""},
    {&MessageTexts::Msg_Proc_Copied_Left, "Msg_Proc_Copied", "Left"},
    {&MessageTexts::Msg_Proc_Copied_Middle, "Msg_Proc_Copied", "Middle"},
    {&MessageTexts::Msg_Proc_Copied_Right, "Msg_Proc_Copied", "Right"},
    {&MessageTexts::Msg_Filter_PkgFile, "Msg_Filter_PkgFile", ""},
    {&MessageTexts::Msg_Filter_MdbFile, "Msg_Filter_MdbFile", ""},
    {&MessageTexts::Msg_FTP_Connect, "Msg_FTP_Connect", ""},
    {&MessageTexts::Msg_FTP_Connect_Fault, "Msg_FTP_Connect_Fault", ""},
    {&MessageTexts::Msg_FTP_SetFtpDir, "Msg_FTP_SetFtpDir", ""},
    {&MessageTexts::Msg_FTP_SetFtpDir_Fault, "Msg_FTP_SetFtpDir_Fault", ""},
    {&MessageTexts::Msg_FTP_NoFilesToDownload, "Msg_FTP_NoFilesToDownload", ""},
    {&MessageTexts::Msg_FTP_FileCount_Left, "Msg_FTP_FileCount_Left", ""},
    {&MessageTexts::Msg_FTP_FileCount_Right, "Msg_FTP_FileCount_Right", ""},
    {&MessageTexts::Msg_FTP_Download, "Msg_FTP_Download", ""},
    {&MessageTexts::Msg_FTP_Downloading, "Msg_FTP_Downloading", ""},
    {&MessageTexts::Msg_FTP_Download_Fault, "Msg_FTP_Download_Fault", ""},
    {&MessageTexts::Msg_FTP_Downloaded, "Msg_FTP_Downloaded", ""},
    {&MessageTexts::Msg_FTP_Delete, "Msg_FTP_Delete", ""},
    {&MessageTexts::Msg_FTP_Delete_Fault, "Msg_FTP_Delete_Fault", ""},
    {&MessageTexts::Msg_FTP_Uploading, "Msg_FTP_Uploading", ""},
    {&MessageTexts::Msg_FTP_Upload_Fault, "Msg_FTP_Upload_Fault", ""},
    {&MessageTexts::Msg_UploadData_Fault, "Msg_UploadData_Fault", ""},
    {&MessageTexts::Msg_UploadData_Success, "Msg_UploadData_Success", ""},
    {&MessageTexts::Msg_UploadData_NoData, "Msg_UploadData_NoData", ""},
    {&MessageTexts::Msg_PKG_Decompress, "Msg_PKG_Decompress", ""},
    {&MessageTexts::Msg_PKG_Decompress_Fault, "Msg_PKG_Decompress_Fault", ""},
    {&MessageTexts::Msg_PKG_Connect, "Msg_PKG_Connect", ""},
    {&MessageTexts::Msg_PKG_Check, "Msg_PKG_Check", ""},
    {&MessageTexts::Msg_PKG_Check_Fault, "Msg_PKG_Check_Fault", ""},
    {&MessageTexts::Msg_PKG_Backup, "Msg_PKG_Backup", ""},
    {&MessageTexts::Msg_PKG_Import, "Msg_PKG_Import", ""},
    {&MessageTexts::Msg_PKG_Import_Fault_Left, "Msg_PKG_Import_Fault_Left", ""},
    {&MessageTexts::Msg_PKG_Import_Fault_Right, "Msg_PKG_Import_Fault_Right", ""},
    {&MessageTexts::Msg_PKG_Canceled, "Msg_PKG_Canceled", ""},
    {&MessageTexts::Msg_PKG_BackupTo, "Msg_PKG_BackupTo", ""},
    {&MessageTexts::Msg_PKG_Import_Success, "Msg_PKG_Import_Success", ""},
    {&MessageTexts::Msg_ExportData, "Msg_ExportData", ""},
    {&MessageTexts::Msg_ExportData_Fault_Left, "Msg_ExportData_Fault_Left", ""},
    {&MessageTexts::Msg_ExportData_Fault_Right, "Msg_ExportData_Fault_Right", ""},
    {&MessageTexts::Msg_ExportData_Canceled, "Msg_ExportData_Canceled", ""},
    {&MessageTexts::Msg_ExportData_Compress_Fault, "Msg_ExportData_Compress_Fault", ""},
    {&MessageTexts::Msg_ExportData_Fault, "Msg_ExportData_Fault", ""},
    {&MessageTexts::Msg_DDNS_Connect, "Msg_DDNS_Connect", ""},
    {&MessageTexts::Msg_DDNS_Connect_Fault, "Msg_DDNS_Connect_Fault", ""},
    {&MessageTexts::Msg_DDNS_Connect_Success, "Msg_DDNS_Connect_Success", ""},
    {&MessageTexts::Msg_DDNS_Login_Fault, "Msg_DDNS_Login_Fault", ""},
    {&MessageTexts::Msg_DDNS_Login_Success, "Msg_DDNS_Login_Success", ""},
    {&MessageTexts::Msg_DDNS_NoServerIP, "Msg_DDNS_NoServerIP", ""},
    {&MessageTexts::Msg_CheckUser, "Msg_CheckUser", ""},
    {&MessageTexts::Msg_CheckPrivilege, "Msg_CheckPrivilege", ""},
    {&MessageTexts::Msg_DownloadData_Fault, "Msg_DownloadData_Fault", ""},
    {&MessageTexts::Msg_PKG_Resume, "Msg_PKG_Resume", ""},
    {&MessageTexts::Msg_PKG_Resume_Lost, "Msg_PKG_Resume_Lost", ""},
};

// A "Main" section giving every entry the text "<key>.<property>", the
// properties of one key on one element.
std::string EveryEntryTranslated() {
  std::string section = "<Main>";
  for (std::size_t i = 0; i < kEntries.size(); ++i) {
    const Entry& entry = kEntries[i];
    std::string property = *entry.property ? entry.property : "Default";
    bool sameKeyBefore = i > 0 && std::string(kEntries[i - 1].key) == entry.key;
    bool sameKeyAfter = i + 1 < kEntries.size() && std::string(kEntries[i + 1].key) == entry.key;
    if (!sameKeyBefore) section += std::string("<") + entry.key;
    section += " " + property + "=\"" + entry.key + "." + property + "\"";
    if (!sameKeyAfter) section += "/>";
  }
  return section + "</Main>";
}

class MessagesTest : public ::testing::Test {
 protected:
  void SetLanguageSetting(const std::string& value) {
    ASSERT_TRUE(SaveUserSetting("Tavolo", "Language", "Language", value));
  }

  test::LanguageHome mFiles;
};

TEST_F(MessagesTest, WithoutALanguageFileEveryTextIsItsDefault) {
  LoadMessages();
  for (const Entry& entry : kEntries) {
    EXPECT_FALSE((Messages().*entry.text).empty()) << entry.key << " " << entry.property;
  }
  // Blanks at the ends are part of the texts.
  EXPECT_EQ("提示", Messages().Msg_Title);
  EXPECT_EQ("成功复制：", Messages().Msg_Proc_Copied_Left);
  EXPECT_EQ(" ，共 ", Messages().Msg_Proc_Copied_Middle);
  EXPECT_EQ(" 条数据；", Messages().Msg_Proc_Copied_Right);
  EXPECT_EQ("共有 ", Messages().Msg_FTP_FileCount_Left);
  EXPECT_EQ("当前进度: ", Messages().Msg_Proc_Current);
  EXPECT_EQ("yyyy年MM月dd日", Messages().Msg_dtpCustomFormat);
  EXPECT_EQ("下载数据失败: ", Messages().Msg_DownloadData_Fault);
  EXPECT_EQ("导出数据失败：", Messages().Msg_ExportData_Fault);
  EXPECT_EQ("不允许删除数据：您的权限不足！", Messages().Msg_CheckPrivilege);
}

TEST_F(MessagesTest, EveryTextIsReadUnderItsOwnKeyAndProperty) {
  mFiles.PutSections(".xml", EveryEntryTranslated());
  LoadMessages();
  for (const Entry& entry : kEntries) {
    std::string property = *entry.property ? entry.property : "Default";
    EXPECT_EQ(std::string(entry.key) + "." + property, Messages().*entry.text);
  }
}

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
  for (auto [setting, title] :
       {Case{"2", "big"}, Case{"2abc", "big"}, Case{" 2", "big"}, Case{"0", "xml"},
        Case{"abc", "xml"}, Case{"4", "xml"}, Case{"-1", "xml"}, Case{"99999999999", "xml"}}) {
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

TEST_F(MessagesTest, LoadingLeavesANewReaderInSectionMain) {
  SetLanguageSetting("3");
  LoadMessages();
  cLanguage& reader = gLanguage();
  EXPECT_EQ("Main", reader.Section());
  EXPECT_EQ("tavExDataApp", reader.AppExeName());
  EXPECT_EQ(3, reader.Language());
  EXPECT_EQ(mFiles.Home() / "Languages/tavExDataApp.eng", reader.FilePath());
  reader.SetSection("frmRestore");
  LoadMessages();
  EXPECT_EQ("Main", gLanguage().Section());
}

TEST(LeadingNumber, TakesTheLeadingWholeNumber) {
  struct Case {
    const char* text;
    std::int32_t number;
  };
  for (auto [text, number] : {Case{"0", 0}, Case{"3", 3}, Case{"12x", 12}, Case{"  7  ", 7},
                              Case{"+2", 2}, Case{"-1", -1}, Case{"1.9", 1}, Case{"", 0},
                              Case{"x1", 0}, Case{"2147483648", 0}, Case{"-", 0}}) {
    EXPECT_EQ(number, LeadingNumber(text)) << text;
  }
}

}  // namespace
}  // namespace tavex

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "FakeUiServices.h"
#include "framework/ExchangeContext.h"
#include "support/HostDatabase.h"
#include "support/HttpServer.h"
#include "support/ScopedHostConnection.h"
#include "wizards/frmFTP.h"

namespace tavex {
namespace {

using Refused = std::pair<std::string, std::string>;

// The settings dialog over a fresh SQLite host database, in a plug-in folder
// of its own whose options file points the Tavlink lookups at a local server.
class SettingsDialog : public ::testing::Test {
 protected:
  SettingsDialog() {
    test::WriteFile(mHome / "Octopus/MAIN.INI",
                    "[FTP]\nPort=21\n[DDNS]\nBaseUrl=" + mServer.BaseUrl() + "\n");
  }

  SettingsStore& Store() { return ExchangeContext::Instance().Settings(); }
  QLineEdit* Field(const char* name) { return mDialog->findChild<QLineEdit*>(name); }
  QRadioButton* Option(int index) {
    return mDialog->findChild<QRadioButton*>(QString("optType_%1").arg(index));
  }
  QLabel* TestResult() { return mDialog->findChild<QLabel*>("lblDDNS"); }

  void Open() {
    mDialog = std::make_unique<frmFTP>(mUi);
    mDialog->Prepare();
    mDialog->show();
  }
  void Fill(const std::vector<std::pair<const char*, const char*>>& values) {
    for (const auto& [name, value] : values) Field(name)->setText(value);
  }
  void FillValid() {
    Fill({{"txtID", "B01"},
          {"txtName", "Harbour"},
          {"txtHost", "ftp.example.com"},
          {"txtUID", "branch"},
          {"txtPSW", "pw"},
          {"txtPort", "21"}});
  }
  // The message shown by cmdOK and the field that has the focus afterwards.
  std::pair<std::string, std::string> Refusal() {
    mUi.shown.clear();
    mDialog->cmdOK_Click();
    EXPECT_FALSE(mDialog->Saved());
    EXPECT_EQ(mUi.shown.size(), 1U);
    const std::string box = mUi.shown.empty() ? "" : mUi.shown.front();
    QWidget* focus = mDialog->focusWidget();
    return {box, focus == nullptr ? "" : focus->objectName().toStdString()};
  }

  test::TempDir mHome;
  test::ScopedEnv mHomeEnv{"TAVEX_HOME", mHome.Path()};
  test::ScopedHostConnection mHostScope{
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, mHome))};
  test::HttpServer mServer;
  test::FakeUiServices mUi;
  std::unique_ptr<frmFTP> mDialog;
};

TEST_F(SettingsDialog, ChecksRunInOrderEachWithItsMessageAndFocus) {
  Open();
  Field("txtID")->setText("   ");
  EXPECT_EQ(Refusal(), Refused("box: 提示 | 分店编码不能为空：请输入分店编码！", "txtID"));
  Field("txtID")->setText("B01");
  EXPECT_EQ(Refusal(), Refused("box: 提示 | 分店名称不能为空：请输入分店名称！", "txtName"));
  Field("txtName")->setText("Harbour");
  EXPECT_EQ(Refusal(), Refused("box: 提示 | 请输入FTP服务器名称或者IP地址！", "txtHost"));
  Option(1)->setChecked(true);
  EXPECT_EQ(Refusal(), Refused("box: 提示 | 请输入Tavlink账号！", "txtClientID"));
  Field("txtClientID")->setText("shop");
  EXPECT_EQ(Refusal(), Refused("box: 提示 | 请输入登录FTP服务器的账号！", "txtUID"));
  Field("txtUID")->setText("branch");
  EXPECT_EQ(Refusal(), Refused("box: 提示 | 请输入登录FTP服务器的端口！", "txtPort"));
  EXPECT_TRUE(Store().AllSettings().empty());
}

TEST_F(SettingsDialog, StoresAllNineSettingsWithTheirTrimRules) {
  Open();
  Fill({{"txtID", " B01 "},
        {"txtName", " Harbour Road "},
        {"txtHost", "  "},
        {"txtUID", " branch "},
        {"txtPSW", "  secret "},
        {"txtPort", " 2121 "},
        {"txtClientID", " shop "},
        {"txtPassword", "  secret "}});
  Option(1)->setChecked(true);
  mDialog->cmdOK_Click();
  EXPECT_TRUE(mUi.shown.empty());
  EXPECT_TRUE(mDialog->Saved());
  EXPECT_FALSE(mDialog->isVisible());
  using Setting = std::pair<std::int32_t, std::string>;
  EXPECT_EQ(Store().AllSettings(), (std::vector<Setting>{{801, "B01"},
                                                         {802, "Harbour Road"},
                                                         {1001, ""},
                                                         {1002, "branch"},
                                                         {1003, "  secret "},
                                                         {1004, "2121"},
                                                         {2001, "shop"},
                                                         {2002, "secret"},
                                                         {2004, "True"}}));
}

TEST_F(SettingsDialog, OpensWithTheStoredValuesAndTheirConnectionKind) {
  Store().SetSetting(801, "B02");
  Store().SetSetting(1003, " pw ");
  Store().SetSetting(2004, "TRUE");
  Open();
  EXPECT_EQ(Field("txtID")->text(), "B02");
  EXPECT_EQ(Field("txtPSW")->text(), " pw ");
  EXPECT_TRUE(Option(1)->isChecked());
  EXPECT_FALSE(Field("txtHost")->isEnabled());
  EXPECT_TRUE(Field("txtClientID")->isEnabled());
  EXPECT_TRUE(Field("txtPassword")->isEnabled());
  EXPECT_TRUE(mDialog->findChild<QPushButton*>("cmdDDNS")->isEnabled());
  EXPECT_TRUE(TestResult()->isVisible());
  EXPECT_EQ(TestResult()->text(), "");

  Option(0)->setChecked(true);
  EXPECT_TRUE(Field("txtHost")->isEnabled());
  EXPECT_FALSE(Field("txtClientID")->isEnabled());
  EXPECT_FALSE(Field("txtPassword")->isEnabled());
  EXPECT_FALSE(mDialog->findChild<QPushButton*>("cmdDDNS")->isEnabled());
  EXPECT_FALSE(TestResult()->isVisible());
  EXPECT_EQ(mDialog->windowTitle(), "数据同步设置");
  EXPECT_EQ(Option(1)->text(), "通过“Tavlink”连接");
  Store().SetSetting(2004, "yes");  // anything but the word True
  Open();
  EXPECT_TRUE(Option(0)->isChecked());
}

TEST_F(SettingsDialog, CancelStoresNothingAndEachOpeningReadsTheStoreAfresh) {
  Open();
  FillValid();
  mDialog->cmdCancel_Click();
  EXPECT_FALSE(mDialog->Saved());
  EXPECT_TRUE(Store().AllSettings().empty());
  Open();
  EXPECT_EQ(Field("txtID")->text(), "");
  FillValid();
  mDialog->cmdOK_Click();
  Open();
  EXPECT_EQ(Field("txtName")->text(), "Harbour");
  EXPECT_TRUE(Option(0)->isChecked());
}

TEST_F(SettingsDialog, EnteringATextBoxSelectsItsWholeText) {
  Open();
  Field("txtName")->setText("Harbour");
  QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(Field("txtName"), &focusIn);
  QApplication::processEvents();
  EXPECT_EQ(Field("txtName")->selectedText(), "Harbour");
}

TEST_F(SettingsDialog, AFailingStoreIsReportedAndTheDialogStaysOpen) {
  Open();
  FillValid();
  ExchangeContext::Instance().Connection()->Close();
  mDialog->cmdOK_Click();
  EXPECT_FALSE(mDialog->Saved());
  EXPECT_TRUE(mDialog->isVisible());
  ASSERT_EQ(mUi.shown.size(), 1U);
  EXPECT_EQ(mUi.shown.front().rfind("box: 提示 | 设置保存失败，请检查数据库连接：", 0), 0U)
      << mUi.shown.front();
}

// The dialog says which protocol MAIN.INI chose, and offers no way to change
// it: the file is where an administrator sets it.
TEST_F(SettingsDialog, ShowsTheProtocolTheOptionsFileChose) {
  for (const auto& [lines, shown] : std::vector<std::pair<std::string, std::string>>{
           {"Port=21\n", "FTP（不加密）"},
           {"TLS=1\n", "FTPS（TLS加密）"},
           {"Protocol=ftps\n", "FTPS（TLS加密）"},
           {"Protocol=SFTP\nTLS=1\n", "SFTP（SSH加密）"},
           {"Protocol=ftp\nTLS=1\n", "FTP（不加密）"},
           {"Protocol=scp\n", "设置无效，无法连接：Protocol=scp"}}) {
    test::WriteFile(mHome / "Octopus/MAIN.INI", "[FTP]\n" + lines);
    Open();
    const auto* protocol = mDialog->findChild<QLabel*>("lblProtocolName");
    ASSERT_NE(protocol, nullptr);
    EXPECT_EQ(protocol->text().toStdString(), shown) << lines;
    EXPECT_EQ(protocol->toolTip().toStdString(), "传输协议由插件目录下的Octopus/MAIN.INI设置");
  }
  EXPECT_EQ(mDialog->findChild<QLabel*>("lblProtocol")->text(), "传输协议:");
  FillValid();
  mDialog->cmdOK_Click();
  EXPECT_EQ(test::ReadFile(mHome / "Octopus/MAIN.INI"), "[FTP]\nProtocol=scp\n")
      << "the dialog never writes the file";
}

class TavlinkButton : public SettingsDialog {
 protected:
  TavlinkButton() {
    Open();
    Option(1)->setChecked(true);
  }
  std::string Run(const char* account, const char* password) {
    Field("txtClientID")->setText(account);
    Field("txtPassword")->setText(password);
    mDialog->cmdDDNS_Click();
    return TestResult()->text().toStdString();
  }
};

// Each outcome has its fixed text; a passed test has both addresses on
// lines of their own. The account is trimmed, the password sent as typed.
TEST_F(TavlinkButton, ShowsTheOutcomeOfEachLookup) {
  EXPECT_EQ(Run("  ", "pw"), "Tavlink账号不能为空");
  EXPECT_TRUE(mServer.Requests().empty());
  EXPECT_EQ(Run("shop", "pw"), "服务器连接失败！");
  mServer.Answer("/DDNS/getIP.asp", 200, "<b>[IP]203.0.113.7[/IP]</b>");
  mServer.Answer("/DDNS/getServerIP.asp", 200, "no such account");
  EXPECT_EQ(Run("shop", "wrong"), "Tavlink账号尚未注册，或者密码错误！");
  mServer.Answer("/DDNS/getServerIP.asp", 200, "[IP]198.51.100.2[/IP]");
  EXPECT_EQ(Run(" shop ", " pw"), "测试通过！\n客户端IP：203.0.113.7\n服务器IP：198.51.100.2");
  EXPECT_EQ(mServer.Requests().back(), "GET /DDNS/getServerIP.asp?ID=shop&PSW=%20pw HTTP/1.1");
  EXPECT_TRUE(Store().AllSettings().empty());
  EXPECT_GE(mUi.processed, 1);
}

TEST_F(TavlinkButton, ShowsThatItIsConnectingBeforeTheLookups) {
  std::vector<std::string> shown;
  mServer.Answer("/DDNS/getIP.asp", 200, "[IP]1.2.3.4[/IP]");
  mServer.Answer("/DDNS/getServerIP.asp", 200, "[IP]5.6.7.8[/IP]");
  const std::string result = TavlinkTest("shop", "pw", ReadFtpSettingsTexts(),
                                         [&](const std::string& text) { shown.push_back(text); });
  EXPECT_EQ(shown, std::vector<std::string>{"正在进行连接服务器..."});
  EXPECT_EQ(result, "测试通过！\n客户端IP：1.2.3.4\n服务器IP：5.6.7.8");
}

}  // namespace
}  // namespace tavex

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "database/SqliteConnection.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "i18n/Messages.h"
#include "storage/LocalTime.h"
#include "support/HttpServer.h"
#include "support/PluginHome.h"
#include "support/ScopedHostConnection.h"
#include "transfer/PrepareExchange.h"

namespace tavex {
namespace {

using std::chrono::system_clock;

// Each case prepares a run with its own plug-in folder and its own host
// database holding the settings.
class PrepareExchangeTest : public ::testing::Test {
 protected:
  PrepareExchangeTest() {
    LoadMessages();  // the runs load the texts before they prepare
    db::CreateSqliteDatabase(mHome / "host.db");
    mHostScope.emplace(db::OpenConnection("sqlite:" + (mHome / "host.db")));
    mHome.WriteOptions("[DDNS]\nBaseUrl=" + mDdns.BaseUrl() + "\nTimeOut=5\n");
    Set(kSettingBranchID, "B01");
    Set(kSettingBranchName, "总店");
  }

  void Set(std::int32_t id, const std::string& value) {
    ExchangeContext::Instance().Settings().SetSetting(id, value);
  }
  bool Prepare(system_clock::time_point now = system_clock::now()) {
    return PrepareExchange(
        mSettings, [this](const std::string& line) { mLines.push_back(line); },
        [now] { return now; });
  }
  bool IsFolder(const std::string& relative) const {
    return std::filesystem::is_directory(mHome / relative);
  }

  test::PluginHome mHome;
  std::optional<test::ScopedHostConnection> mHostScope;
  test::HttpServer mDdns;
  ExchangeSettings mSettings;
  std::vector<std::string> mLines;
};

// The month folders keep copies of packages: the owner and the site's group
// may look in, nobody else, whatever the umask.
TEST_F(PrepareExchangeTest, ThePackageCopyFoldersAreForTheOwnerAndTheGroupOnly) {
  const test::ScopedUmask umask(0);
  Set(kSettingFtpServer, "ftp.example.com");
  const system_clock::time_point now = system_clock::now();
  ASSERT_TRUE(Prepare(now));
  const std::string month = LocalTimeText(now, "%Y-%m");
  for (const std::string folder : {"BckPackage", "ErrPackage"}) {
    EXPECT_EQ(0750U, test::PermissionsOf(mHome / folder)) << folder;
    EXPECT_EQ(0750U, test::PermissionsOf(mHome / (folder + "/" + month))) << folder;
  }
}

// The package's name and the month folders come from the clock, in local
// time.
TEST_F(PrepareExchangeTest, FillsNamesAndFoldersFromTheSettingsAndTheClock) {
  Set(kSettingFtpServer, "ftp.example.com");
  Set(kSettingFtpUser, "shop");
  Set(kSettingFtpPassword, "secret");
  Set(kSettingFtpPort, "2121");
  std::tm parts{};
  parts.tm_year = 2024 - 1900;
  parts.tm_mon = 2;
  parts.tm_mday = 5;
  parts.tm_hour = 14;
  parts.tm_min = 7;
  parts.tm_sec = 9;
  parts.tm_isdst = -1;
  ASSERT_TRUE(Prepare(system_clock::from_time_t(std::mktime(&parts))));
  EXPECT_TRUE(mLines.empty());

  EXPECT_EQ("B01", mSettings.gsBranchID);
  EXPECT_EQ("总店", mSettings.gsBranchName);
  EXPECT_EQ("ForUpload", mSettings.gsUploadPath);
  EXPECT_EQ("ForDownload\\B01", mSettings.gsDownloadPath);
  EXPECT_EQ(mHome / "Temp/", mSettings.gsTempPath);
  EXPECT_EQ("B01-240305140709", mSettings.gsFileName);
  EXPECT_EQ(mSettings.gsTempPath + mSettings.gsFileName + ".mdb", mSettings.gsMdbName);
  EXPECT_EQ(mSettings.gsTempPath + mSettings.gsFileName + ".pkg", mSettings.gsPkgName);
  EXPECT_EQ("", mSettings.gsBckName);
  EXPECT_EQ("ftp.example.com", mSettings.gsFtpHost);
  EXPECT_EQ("shop", mSettings.gsFtpUID);
  EXPECT_EQ("secret", mSettings.gsFtpPSW);
  EXPECT_EQ("2121", mSettings.gsFtpPort);

  EXPECT_TRUE(IsFolder("Temp"));
  EXPECT_EQ(mHome / "ErrPackage/2024-03/", mSettings.gsErrorPath);
  EXPECT_EQ(mHome / "BckPackage/2024-03/", mSettings.gsBackupPath);
  EXPECT_TRUE(IsFolder("ErrPackage/2024-03"));
  EXPECT_TRUE(IsFolder("BckPackage/2024-03"));
  EXPECT_TRUE(mDdns.Requests().empty());
}

TEST_F(PrepareExchangeTest, WithoutServerAddressStopsAfterCreatingTheFolders) {
  Set(kSettingBranchID, "");
  EXPECT_FALSE(Prepare());
  EXPECT_EQ(std::vector<std::string>{"服务器地址未设置，操作被取消！"}, mLines);
  EXPECT_EQ("ForDownload\\", mSettings.gsDownloadPath);
  EXPECT_EQ('-', mSettings.gsFileName.front());
  EXPECT_TRUE(IsFolder("Temp"));
  EXPECT_TRUE(std::filesystem::is_directory(mSettings.gsBackupPath));
}

TEST_F(PrepareExchangeTest, OnlyTheWordTrueInAnyCaseTurnsTheLookupOn) {
  Set(kSettingFtpServer, "configured.example.com");
  for (const char* off : {"1", "yes", "", "False"}) {
    Set(kSettingUseDdns, off);
    EXPECT_TRUE(Prepare()) << off;
    EXPECT_EQ("configured.example.com", mSettings.gsFtpHost) << off;
  }
  EXPECT_TRUE(mDdns.Requests().empty());

  mDdns.Answer("/DDNS/getIP.asp", 200, "[IP]203.0.113.7[/IP]");
  mDdns.Answer("/DDNS/getServerIP.asp", 200, "[IP]198.51.100.2[/IP]");
  for (const char* on : {"TRUE", "True", "true"}) {
    Set(kSettingUseDdns, on);
    EXPECT_TRUE(Prepare()) << on;
    EXPECT_EQ("198.51.100.2", mSettings.gsFtpHost) << on;
  }
}

TEST_F(PrepareExchangeTest, DdnsLookupReportsEachStepAndIgnoresTheConfiguredServer) {
  Set(kSettingUseDdns, "True");
  Set(kSettingDdnsAccount, "shop1");
  Set(kSettingDdnsPassword, "pw");
  Set(kSettingFtpUser, "u");
  mDdns.Answer("/DDNS/getIP.asp", 200, "[IP]203.0.113.7[/IP]");
  mDdns.Answer("/DDNS/getServerIP.asp", 200, "[IP]198.51.100.2[/IP]");
  ASSERT_TRUE(Prepare());
  EXPECT_EQ((std::vector<std::string>{"正在尝试连接“Tavlink”服务器...",
                                      "连接服务器成功，您的IP地址是：203.0.113.7",
                                      "成功登录“Tavlink”服务器！"}),
            mLines);
  EXPECT_EQ("198.51.100.2", mSettings.gsFtpHost);
  EXPECT_EQ("u", mSettings.gsFtpUID);
  ASSERT_EQ(2u, mDdns.Requests().size());
  EXPECT_EQ("GET /DDNS/getServerIP.asp?ID=shop1&PSW=pw HTTP/1.1", mDdns.Requests()[1]);
}

TEST_F(PrepareExchangeTest, DdnsFailuresStopWithTheirLine) {
  Set(kSettingUseDdns, "true");
  Set(kSettingFtpServer, "configured.example.com");
  EXPECT_FALSE(Prepare());  // the service knows no page yet
  EXPECT_EQ((std::vector<std::string>{"正在尝试连接“Tavlink”服务器...",
                                      "连接服务器失败，请检查是否网络连接正常！"}),
            mLines);

  mLines.clear();
  mDdns.Answer("/DDNS/getIP.asp", 200, "[IP]203.0.113.7[/IP]");
  mDdns.Answer("/DDNS/getServerIP.asp", 200, "account unknown");
  EXPECT_FALSE(Prepare());
  ASSERT_EQ(3u, mLines.size());
  EXPECT_EQ("登录“Tavlink”服务器失败，可能账号未注册，或者密码错误！", mLines[2]);
  EXPECT_EQ("", mSettings.gsFtpHost);
}

}  // namespace
}  // namespace tavex

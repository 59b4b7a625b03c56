#include "transfer/PrepareExchange.h"

#include "database/AsciiText.h"
#include "framework/ExchangeContext.h"
#include "framework/PluginFolder.h"
#include "framework/SettingIds.h"
#include "i18n/Messages.h"
#include "storage/CreatePath.h"
#include "storage/LocalTime.h"
#include "transfer/DdnsLookup.h"

namespace tavex {

namespace {

// rwxr-x---: the folders that keep copies of packages.
constexpr mode_t kPackageFolderPermissions = 0750;

bool IsTrue(std::string_view text) { return EqualsNoCase(text, "true"); }

// Asks the DDNS service for this machine's address and then for the server
// registered under the DDNS account; false after the matching line when
// either answer is empty.
bool LookUpServer(ExchangeSettings& settings, const AddLineFn& addLine, SettingsStore& store) {
  const MessageTexts& texts = Messages();
  addLine(texts.Msg_DDNS_Connect);
  const std::string myAddress = GetMyIP();
  if (myAddress.empty()) {
    addLine(texts.Msg_DDNS_Connect_Fault);
    return false;
  }
  addLine(texts.Msg_DDNS_Connect_Success + myAddress);
  const std::string account = store.GetSetting(kSettingDdnsAccount, 0);
  const std::string password = store.GetSetting(kSettingDdnsPassword, 0);
  settings.gsFtpHost = GetServerIP(account, password);
  if (settings.gsFtpHost.empty()) {
    addLine(texts.Msg_DDNS_Login_Fault);
    return false;
  }
  addLine(texts.Msg_DDNS_Login_Success);
  return true;
}

}  // namespace

bool PrepareExchange(ExchangeSettings& settings, const AddLineFn& addLine, const ClockFn& now) {
  SettingsStore& store = ExchangeContext::Instance().Settings();
  settings.gsBranchID = store.GetSetting(kSettingBranchID, 0);
  settings.gsBranchName = store.GetSetting(kSettingBranchName, 0);
  settings.gsUploadPath = "ForUpload";
  settings.gsDownloadPath = "ForDownload\\" + settings.gsBranchID;

  const std::string folder = PluginFolder();
  settings.gsTempPath = JoinPath(folder, "Temp/");
  settings.gsErrorPath = JoinPath(folder, "ErrPackage/" + LocalTimeText(now(), "%Y-%m") + "/");
  settings.gsBackupPath = JoinPath(folder, "BckPackage/" + LocalTimeText(now(), "%Y-%m") + "/");
  CreatePath(settings.gsTempPath);
  // The copies of packages kept there are for the owner and the site's
  // group (the runs and the host application), not for every user.
  CreatePath(settings.gsErrorPath, kPackageFolderPermissions);
  CreatePath(settings.gsBackupPath, kPackageFolderPermissions);

  settings.gsFileName = settings.gsBranchID + "-" + LocalTimeText(now(), "%y%m%d%H%M%S");
  settings.gsMdbName = settings.gsTempPath + settings.gsFileName + ".mdb";
  settings.gsPkgName = settings.gsTempPath + settings.gsFileName + ".pkg";

  if (IsTrue(store.GetSetting(kSettingUseDdns, 0))) {
    if (!LookUpServer(settings, addLine, store)) return false;
  } else {
    settings.gsFtpHost = store.GetSetting(kSettingFtpServer, 0);
    if (settings.gsFtpHost.empty()) {
      addLine(Messages().Msg_DDNS_NoServerIP);
      return false;
    }
  }
  settings.gsFtpUID = store.GetSetting(kSettingFtpUser, 0);
  settings.gsFtpPSW = store.GetSetting(kSettingFtpPassword, 0);
  settings.gsFtpPort = store.GetSetting(kSettingFtpPort, 0);
  return true;
}

void NamePackageKind(ExchangeSettings& settings, std::string_view suffix) {
  settings.gsFileName += suffix;
  settings.gsMdbName = settings.gsTempPath + settings.gsFileName + ".mdb";
  settings.gsPkgName = settings.gsTempPath + settings.gsFileName + ".pkg";
}

}  // namespace tavex

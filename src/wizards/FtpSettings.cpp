#include "wizards/FtpSettings.h"

#include "database/AsciiText.h"
#include "framework/SettingIds.h"
#include "i18n/TextTable.h"
#include "transfer/DdnsLookup.h"
#include "transfer/FtpOptions.h"
#include "transfer/IniSection.h"

namespace tavex {

namespace {

using T = FtpSettingsTexts;
constexpr TextRow<T> kTextRows[] = {
    {"barCaption", "数据同步设置", &T::barCaption_Title, "Title"},
    {"barCaption", "请设置分店编码、名称和登录服务器的相关配置", &T::barCaption_Prompt, "Prompt"},
    {"Msg_NoBranchID", "分店编码不能为空：请输入分店编码！", &T::Msg_NoBranchID},
    {"Msg_NoBranchName", "分店名称不能为空：请输入分店名称！", &T::Msg_NoBranchName},
    {"Msg_NoHost", "请输入FTP服务器名称或者IP地址！", &T::Msg_NoHost},
    {"Msg_NoClientID", "请输入Tavlink账号！", &T::Msg_NoClientID},
    {"Msg_NoUID", "请输入登录FTP服务器的账号！", &T::Msg_NoUID},
    {"Msg_NoPort", "请输入登录FTP服务器的端口！", &T::Msg_NoPort},
    {"Msg_SaveFault", "设置保存失败，请检查数据库连接：", &T::Msg_SaveFault},
    {"Msg_Test_NoAccount", "Tavlink账号不能为空", &T::Msg_Test_NoAccount},
    {"Msg_Test_Connecting", "正在进行连接服务器...", &T::Msg_Test_Connecting},
    {"Msg_Test_ConnectFault", "服务器连接失败！", &T::Msg_Test_ConnectFault},
    {"Msg_Test_LoginFault", "Tavlink账号尚未注册，或者密码错误！", &T::Msg_Test_LoginFault},
    {"Msg_Test_Passed", "测试通过！", &T::Msg_Test_Passed},
    {"Msg_Test_ClientIP", "客户端IP：", &T::Msg_Test_ClientIP},
    {"Msg_Test_ServerIP", "服务器IP：", &T::Msg_Test_ServerIP},
    {"Msg_Protocol_Ftp", "FTP（不加密）", &T::Msg_Protocol_Ftp},
    {"Msg_Protocol_Ftps", "FTPS（TLS加密）", &T::Msg_Protocol_Ftps},
    {"Msg_Protocol_Sftp", "SFTP（SSH加密）", &T::Msg_Protocol_Sftp},
    {"Msg_Protocol_Invalid", "设置无效，无法连接：", &T::Msg_Protocol_Invalid},
    {"Msg_Protocol_Hint", "传输协议由插件目录下的Octopus/MAIN.INI设置", &T::Msg_Protocol_Hint},
};
const TextTable<T> kTextTable({"frmFTP"}, kTextRows);

}  // namespace

FtpSettingsTexts ReadFtpSettingsTexts() noexcept { return kTextTable.Read(); }

std::optional<FtpCheckFailure> CheckFtpSettings(const FtpSettingsFields& fields,
                                                const FtpSettingsTexts& texts) {
  const auto blank = [](const std::string& text) { return TrimAsciiBlanks(text).empty(); };
  if (blank(fields.txtID)) return FtpCheckFailure{texts.Msg_NoBranchID, "txtID"};
  if (blank(fields.txtName)) return FtpCheckFailure{texts.Msg_NoBranchName, "txtName"};
  if (!fields.viaTavlink && blank(fields.txtHost)) {
    return FtpCheckFailure{texts.Msg_NoHost, "txtHost"};
  }
  if (fields.viaTavlink && blank(fields.txtClientID)) {
    return FtpCheckFailure{texts.Msg_NoClientID, "txtClientID"};
  }
  if (blank(fields.txtUID)) return FtpCheckFailure{texts.Msg_NoUID, "txtUID"};
  if (blank(fields.txtPort)) return FtpCheckFailure{texts.Msg_NoPort, "txtPort"};
  return std::nullopt;
}

FtpSettingsFields LoadFtpSettings(const SettingsStore& store) {
  FtpSettingsFields fields;
  fields.txtID = store.GetSetting(kSettingBranchID);
  fields.txtName = store.GetSetting(kSettingBranchName);
  fields.txtHost = store.GetSetting(kSettingFtpServer);
  fields.txtUID = store.GetSetting(kSettingFtpUser);
  fields.txtPSW = store.GetSetting(kSettingFtpPassword);
  fields.txtPort = store.GetSetting(kSettingFtpPort);
  fields.txtClientID = store.GetSetting(kSettingDdnsAccount);
  fields.txtPassword = store.GetSetting(kSettingDdnsPassword);
  fields.viaTavlink = EqualsNoCase(store.GetSetting(kSettingUseDdns), "true");
  return fields;
}

void StoreFtpSettings(SettingsStore& store, const FtpSettingsFields& fields) {
  store.SetSetting(kSettingBranchID, std::string(TrimAsciiBlanks(fields.txtID)));
  store.SetSetting(kSettingBranchName, std::string(TrimAsciiBlanks(fields.txtName)));
  store.SetSetting(kSettingFtpServer, std::string(TrimAsciiBlanks(fields.txtHost)));
  store.SetSetting(kSettingFtpUser, std::string(TrimAsciiBlanks(fields.txtUID)));
  store.SetSetting(kSettingFtpPassword, fields.txtPSW);
  store.SetSetting(kSettingFtpPort, std::string(TrimAsciiBlanks(fields.txtPort)));
  store.SetSetting(kSettingDdnsAccount, std::string(TrimAsciiBlanks(fields.txtClientID)));
  store.SetSetting(kSettingDdnsPassword, std::string(TrimAsciiBlanks(fields.txtPassword)));
  store.SetSetting(kSettingUseDdns, fields.viaTavlink ? "True" : "False");
}

std::string TransferProtocolText(const FtpSettingsTexts& texts) {
  const std::string file = TransferOptionsFile();
  const std::optional<FtpOptions> options = ReadFtpOptions(file);
  if (!options) return texts.Msg_Protocol_Invalid + file;
  const std::optional<TransferProtocol> protocol = options->Protocol();
  if (!protocol) return texts.Msg_Protocol_Invalid + "Protocol=" + options->protocol;
  switch (*protocol) {
    case TransferProtocol::kFtp:
      return texts.Msg_Protocol_Ftp;
    case TransferProtocol::kFtps:
      return texts.Msg_Protocol_Ftps;
    case TransferProtocol::kSftp:
      return texts.Msg_Protocol_Sftp;
  }
  return texts.Msg_Protocol_Ftp;
}

std::string TavlinkTest(const std::string& account, const std::string& password,
                        const FtpSettingsTexts& texts,
                        const std::function<void(const std::string&)>& show) {
  const std::string trimmedAccount = std::string(TrimAsciiBlanks(account));
  if (trimmedAccount.empty()) return texts.Msg_Test_NoAccount;
  show(texts.Msg_Test_Connecting);
  const std::string myAddress = GetMyIP();
  if (myAddress.empty()) return texts.Msg_Test_ConnectFault;
  const std::string serverAddress = GetServerIP(trimmedAccount, password);
  if (serverAddress.empty()) return texts.Msg_Test_LoginFault;
  return texts.Msg_Test_Passed + "\n" + texts.Msg_Test_ClientIP + myAddress + "\n" +
         texts.Msg_Test_ServerIP + serverAddress;
}

}  // namespace tavex

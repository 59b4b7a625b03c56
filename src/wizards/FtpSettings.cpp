#include "wizards/FtpSettings.h"

#include "framework/SettingIds.h"
#include "storage/AsciiText.h"
#include "transfer/DdnsLookup.h"

namespace tavex {

FtpSettingsTexts ReadFtpSettingsTexts(cLanguage& language) {
  FtpSettingsTexts texts;
  texts.Msg_NoBranchID =
      language.getValue("Msg_NoBranchID", "Default", "分店编码不能为空：请输入分店编码！");
  texts.Msg_NoBranchName =
      language.getValue("Msg_NoBranchName", "Default", "分店名称不能为空：请输入分店名称！");
  texts.Msg_NoHost = language.getValue("Msg_NoHost", "Default", "请输入FTP服务器名称或者IP地址！");
  texts.Msg_NoClientID = language.getValue("Msg_NoClientID", "Default", "请输入Tavlink账号！");
  texts.Msg_NoUID = language.getValue("Msg_NoUID", "Default", "请输入登录FTP服务器的账号！");
  texts.Msg_NoPort = language.getValue("Msg_NoPort", "Default", "请输入登录FTP服务器的端口！");
  texts.Msg_SaveFault =
      language.getValue("Msg_SaveFault", "Default", "设置保存失败，请检查数据库连接：");
  texts.Msg_Test_NoAccount =
      language.getValue("Msg_Test_NoAccount", "Default", "Tavlink账号不能为空");
  texts.Msg_Test_Connecting =
      language.getValue("Msg_Test_Connecting", "Default", "正在进行连接服务器...");
  texts.Msg_Test_ConnectFault =
      language.getValue("Msg_Test_ConnectFault", "Default", "服务器连接失败！");
  texts.Msg_Test_LoginFault =
      language.getValue("Msg_Test_LoginFault", "Default", "Tavlink账号尚未注册，或者密码错误！");
  texts.Msg_Test_Passed = language.getValue("Msg_Test_Passed", "Default", "测试通过！");
  texts.Msg_Test_ClientIP = language.getValue("Msg_Test_ClientIP", "Default", "客户端IP：");
  texts.Msg_Test_ServerIP = language.getValue("Msg_Test_ServerIP", "Default", "服务器IP：");
  return texts;
}

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<FtpCheckFailure> CheckFtpSettings(const FtpSettingsFields& fields,
                                                const FtpSettingsTexts& texts) {
  const auto blank = [](const std::string& text) { return TrimBlanks(text).empty(); };
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
  store.SetSetting(kSettingBranchID, TrimBlanks(fields.txtID));
  store.SetSetting(kSettingBranchName, TrimBlanks(fields.txtName));
  store.SetSetting(kSettingFtpServer, TrimBlanks(fields.txtHost));
  store.SetSetting(kSettingFtpUser, TrimBlanks(fields.txtUID));
  store.SetSetting(kSettingFtpPassword, fields.txtPSW);
  store.SetSetting(kSettingFtpPort, TrimBlanks(fields.txtPort));
  store.SetSetting(kSettingDdnsAccount, TrimBlanks(fields.txtClientID));
  store.SetSetting(kSettingDdnsPassword, TrimBlanks(fields.txtPassword));
  store.SetSetting(kSettingUseDdns, fields.viaTavlink ? "True" : "False");
}

std::string TavlinkTest(const std::string& account, const std::string& password,
                        const FtpSettingsTexts& texts,
                        const std::function<void(const std::string&)>& show) {
  const std::string trimmedAccount = TrimBlanks(account);
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

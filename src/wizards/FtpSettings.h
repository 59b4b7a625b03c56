#pragma once

#include <functional>
#include <optional>
#include <string>

#include "framework/SettingsStore.h"
#include "i18n/cLanguage.h"

namespace tavex {

// What the synchronisation settings dialog holds, without the drawing: the
// fields, their checks, how they are loaded and stored, and the Tavlink test.

// The dialog's fields, named after their text boxes; `viaTavlink` is the
// connection kind (optType_1 chosen).
struct FtpSettingsFields {
  std::string txtID;
  std::string txtName;
  std::string txtHost;
  std::string txtUID;
  std::string txtPSW;
  std::string txtPort;
  std::string txtClientID;
  std::string txtPassword;
  bool viaTavlink = false;
};

// The dialog's own texts (section frmFTP): its caption bar's title and
// prompt (key barCaption) and the messages of its checks.
struct FtpSettingsTexts {
  std::string barCaption_Title;
  std::string barCaption_Prompt;
  std::string Msg_NoBranchID;
  std::string Msg_NoBranchName;
  std::string Msg_NoHost;
  std::string Msg_NoClientID;
  std::string Msg_NoUID;
  std::string Msg_NoPort;
  std::string Msg_SaveFault;
  // The Tavlink test's texts.
  std::string Msg_Test_NoAccount;
  std::string Msg_Test_Connecting;
  std::string Msg_Test_ConnectFault;
  std::string Msg_Test_LoginFault;
  std::string Msg_Test_Passed;
  std::string Msg_Test_ClientIP;
  std::string Msg_Test_ServerIP;
  // Which protocol the transfer options file chose, shown read only.
  std::string Msg_Protocol_Ftp;
  std::string Msg_Protocol_Ftps;
  std::string Msg_Protocol_Sftp;
  std::string Msg_Protocol_Invalid;
  std::string Msg_Protocol_Hint;
};

// Reads the texts through gLanguage(), each with its built-in default.
FtpSettingsTexts ReadFtpSettingsTexts() noexcept;

// The first check that fails: its message and the field that takes focus.
struct FtpCheckFailure {
  std::string message;
  std::string focus;
};

// The checks of cmdOK in their order: branch code, branch name, server
// address (direct connection), Tavlink account (Tavlink connection), FTP
// account, FTP port, each blank after trimming. Nothing else is enforced.
std::optional<FtpCheckFailure> CheckFtpSettings(const FtpSettingsFields& fields,
                                                const FtpSettingsTexts& texts);

// The fields as the store holds them; Tavlink is chosen when setting 2004,
// lower-cased, is "true".
FtpSettingsFields LoadFtpSettings(const SettingsStore& store);

// Stores all nine settings in the order 801, 802, 1001, 1002, 1003, 1004,
// 2001, 2002, 2004: every text trimmed except the FTP password, and "True"
// or "False" for the connection kind. Raises what the store raises.
void StoreFtpSettings(SettingsStore& store, const FtpSettingsFields& fields);

// The protocol the transfer options file (Octopus/MAIN.INI) chose, as the
// dialog shows it: FTP, FTPS or SFTP with what each protects, or the invalid
// text followed by the "Protocol" value the client cannot mean (or by the
// file, when it cannot be read), so a person at the till can tell what the
// runs will use. The file is where an administrator sets it.
std::string TransferProtocolText(const FtpSettingsTexts& texts);

// The Tavlink test: looks up this machine's address and the account's
// server address and returns the text that reports the outcome. `show` gets
// the interim "connecting" text before the lookups start. Lines of the
// outcome are separated by "\n".
std::string TavlinkTest(const std::string& account, const std::string& password,
                        const FtpSettingsTexts& texts,
                        const std::function<void(const std::string&)>& show);

}  // namespace tavex

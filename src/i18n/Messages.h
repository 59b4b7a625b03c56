#pragma once

#include <string>
#include <utility>
#include <vector>

#include "i18n/cLanguage.h"

namespace tavex {

// The shared texts of section "Main" of the language file: progress lines,
// message-box texts, button captions, file-dialog filters and the
// date-picker format that every subsystem shows. One member per key, named
// after it; a key read under the properties "Left", "Middle" and "Right" has
// one member per property (Msg_Proc_Copied_Left, ...). Texts shown around
// run-time values are joined by their users without separators, and the
// blanks at their ends are part of them:
//   Msg_Proc_Copied_Left + table + Msg_Proc_Copied_Middle + count + Msg_Proc_Copied_Right
//   Msg_FTP_FileCount_Left + count + Msg_FTP_FileCount_Right
//   Msg_PKG_Import_Fault_Left + errors + Msg_PKG_Import_Fault_Right + error texts
struct MessageTexts {
  std::string Msg_Title;
  std::string Msg_NotSupport;
  std::string Msg_ToUpgrade;
  std::string Msg_dtpCustomFormat;
  std::string Msg_Step_Prev;
  std::string Msg_Step_Next;
  std::string Msg_Step_Finished;
  std::string Msg_Step_Cancel;
  std::string Msg_Proc_Cancel;
  std::string Msg_Proc_Copying;
  std::string Msg_Proc_Current;
  std::string Msg_Proc_Total;
  std::string Msg_Proc_Copied_Left;
  std::string Msg_Proc_Copied_Middle;
  std::string Msg_Proc_Copied_Right;
  std::string Msg_Filter_PkgFile;
  std::string Msg_Filter_MdbFile;
  std::string Msg_FTP_Connect;
  std::string Msg_FTP_Connect_Fault;
  std::string Msg_FTP_SetFtpDir;
  std::string Msg_FTP_SetFtpDir_Fault;
  std::string Msg_FTP_NoFilesToDownload;
  std::string Msg_FTP_FileCount_Left;
  std::string Msg_FTP_FileCount_Right;
  std::string Msg_FTP_Download;
  std::string Msg_FTP_Downloading;
  std::string Msg_FTP_Download_Fault;
  std::string Msg_FTP_Downloaded;
  std::string Msg_FTP_Delete;
  std::string Msg_FTP_Delete_Fault;
  std::string Msg_FTP_Uploading;
  std::string Msg_FTP_Upload_Fault;
  std::string Msg_UploadData_Fault;
  std::string Msg_UploadData_Success;
  std::string Msg_UploadData_NoData;
  std::string Msg_UploadData_Busy;
  std::string Msg_NoHostConnection;
  std::string Msg_PKG_Decompress;
  std::string Msg_PKG_Decompress_Fault;
  std::string Msg_PKG_Connect;
  std::string Msg_PKG_Check;
  std::string Msg_PKG_Check_Fault;
  std::string Msg_PKG_Backup;
  std::string Msg_PKG_Import;
  std::string Msg_PKG_Import_Fault_Left;
  std::string Msg_PKG_Import_Fault_Right;
  std::string Msg_PKG_Canceled;
  std::string Msg_PKG_BackupTo;
  std::string Msg_PKG_Import_Success;
  std::string Msg_PKG_ImportGroup_Left;
  std::string Msg_PKG_ImportGroup_Right;
  std::string Msg_ExportData;
  std::string Msg_ExportData_Fault_Left;
  std::string Msg_ExportData_Fault_Right;
  std::string Msg_ExportData_Canceled;
  std::string Msg_ExportData_Compress_Fault;
  std::string Msg_ExportData_Fault;  // + the failure's description
  std::string Msg_DDNS_Connect;
  std::string Msg_DDNS_Connect_Fault;
  std::string Msg_DDNS_Connect_Success;
  std::string Msg_DDNS_Login_Fault;
  std::string Msg_DDNS_Login_Success;
  std::string Msg_DDNS_NoServerIP;
  std::string Msg_CheckUser;
  std::string Msg_CheckPrivilege;
  std::string Msg_DownloadData_Fault;
  std::string Msg_DownloadData_Busy;
  // A download resuming a package that an interrupted run left pending.
  std::string Msg_PKG_Resume;
  std::string Msg_PKG_Resume_Lost;
};

// The process-wide texts: every member is empty until the first
// LoadMessages, which fills them all at once; they then stay as read until
// the next LoadMessages (a changed language setting does not reach texts
// already read). The reference stays valid for the life of the process.
// The texts and gLanguage belong to the user-interface thread: LoadMessages
// runs there (SetHost, the runners' Initialize) and nowhere concurrently.
const MessageTexts& Messages();

// The environment variable that, when set and not empty, chooses the
// language number for this process and what it starts (the plug-in that
// `tavexdata action` loads), in place of the per-user setting: the command
// line's --lang sets it.
inline constexpr const char* kLanguageVariable = "TAVEX_LANGUAGE";

// Reads the language number from $TAVEX_LANGUAGE when set, else from the
// per-user settings (application "Tavolo", section "Language", key
// "Language", default "0"), its leading number (anything else is 0), makes a new gLanguage for it
// (module tavExDataApp, section "Main") and reads every shared text with its built-in default. A
// missing or broken language file, or a failing step, leaves the defaults (or the earlier text);
// nothing is thrown.
void LoadMessages() noexcept;

// The language reader that the last LoadMessages made, for dialogs to read
// their own section with. Before the first LoadMessages it is a reader
// loaded the same way, so look-ups still yield their defaults. Valid until
// the next LoadMessages replaces it.
cLanguage& gLanguage();

}  // namespace tavex

#include "i18n/Messages.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "database/AsciiText.h"
#include "framework/PluginFolder.h"
#include "i18n/TextTable.h"
#include "storage/IgnoreFailure.h"
#include "storage/UserSettings.h"

namespace tavex {

namespace {

// Read in this order; the defaults are the texts shown without a language
// file, byte for byte.
constexpr TextRow<MessageTexts> kMessageRows[] = {
    {"Msg_Title", "提示", &MessageTexts::Msg_Title},
    {"Msg_NotSupport", "您所使用的软件版本不提供该功能模块!", &MessageTexts::Msg_NotSupport},
    {"Msg_ToUpgrade", "如果要升级您的软件版本,请与您的供应商或者我们联系.",
     &MessageTexts::Msg_ToUpgrade},
    {"Msg_dtpCustomFormat", "yyyy年MM月dd日", &MessageTexts::Msg_dtpCustomFormat},
    {"Msg_Step_Prev", "上一步", &MessageTexts::Msg_Step_Prev},
    {"Msg_Step_Next", "下一步", &MessageTexts::Msg_Step_Next},
    {"Msg_Step_Finished", "完成", &MessageTexts::Msg_Step_Finished},
    {"Msg_Step_Cancel", "取消", &MessageTexts::Msg_Step_Cancel},
    {"Msg_Proc_Cancel", "确定要取消复制数据吗？如果确定请点击“是”；否则，点击“否”则继续...",
     &MessageTexts::Msg_Proc_Cancel},
    {"Msg_Proc_Copying", "正在复制：", &MessageTexts::Msg_Proc_Copying},
    {"Msg_Proc_Current", "当前进度: ", &MessageTexts::Msg_Proc_Current},
    {"Msg_Proc_Total", "全部进度: ", &MessageTexts::Msg_Proc_Total},
    {"Msg_Proc_Copied", "成功复制：", &MessageTexts::Msg_Proc_Copied_Left, "Left"},
    {"Msg_Proc_Copied", " ，共 ", &MessageTexts::Msg_Proc_Copied_Middle, "Middle"},
    {"Msg_Proc_Copied", " 条数据；", &MessageTexts::Msg_Proc_Copied_Right, "Right"},
    {"Msg_Filter_PkgFile", "数据库文件(*.pkg)", &MessageTexts::Msg_Filter_PkgFile},
    {"Msg_Filter_MdbFile", "数据库文件(*.mdb)", &MessageTexts::Msg_Filter_MdbFile},
    {"Msg_FTP_Connect", "正在建立FTP连接：", &MessageTexts::Msg_FTP_Connect},
    {"Msg_FTP_Connect_Fault", "FTP连接失败！请检查网络连接是否正确。",
     &MessageTexts::Msg_FTP_Connect_Fault},
    {"Msg_FTP_SetFtpDir", "正在打开FTP文件夹：", &MessageTexts::Msg_FTP_SetFtpDir},
    {"Msg_FTP_SetFtpDir_Fault", "FTP上文件夹打开失败！请检查FTP设置是否正确。",
     &MessageTexts::Msg_FTP_SetFtpDir_Fault},
    {"Msg_FTP_NoFilesToDownload", "FTP上没有要下载的文件！",
     &MessageTexts::Msg_FTP_NoFilesToDownload},
    {"Msg_FTP_FileCount_Left", "共有 ", &MessageTexts::Msg_FTP_FileCount_Left},
    {"Msg_FTP_FileCount_Right", "个文件需要下载：", &MessageTexts::Msg_FTP_FileCount_Right},
    {"Msg_FTP_Download", "开始下载文件并导入本地数据库中...", &MessageTexts::Msg_FTP_Download},
    {"Msg_FTP_Downloading", "正在下载文件：", &MessageTexts::Msg_FTP_Downloading},
    {"Msg_FTP_Download_Fault", "文件下载失败！请检查网络连接是否正常。",
     &MessageTexts::Msg_FTP_Download_Fault},
    {"Msg_FTP_Downloaded", "文件已下载，正在备份文件...", &MessageTexts::Msg_FTP_Downloaded},
    {"Msg_FTP_Delete", "文件已备份，正在删除FTP上的文件 ...", &MessageTexts::Msg_FTP_Delete},
    {"Msg_FTP_Delete_Fault", "FTP上文件删除失败！请检查网络连接是否正常。",
     &MessageTexts::Msg_FTP_Delete_Fault},
    {"Msg_FTP_Uploading", "正在上传文件：", &MessageTexts::Msg_FTP_Uploading},
    {"Msg_FTP_Upload_Fault", "数据上传失败！请检查网络连接是否正常。",
     &MessageTexts::Msg_FTP_Upload_Fault},
    {"Msg_UploadData_Fault", "数据上传失败：", &MessageTexts::Msg_UploadData_Fault},
    {"Msg_UploadData_Success", "数据上传成功！", &MessageTexts::Msg_UploadData_Success},
    {"Msg_UploadData_NoData", "没有新的数据需要上传...", &MessageTexts::Msg_UploadData_NoData},
    {"Msg_UploadData_Busy", "另一个上传正在进行，本次上传已取消。",
     &MessageTexts::Msg_UploadData_Busy},
    {"Msg_NoHostConnection", "没有连接到主数据库，操作被取消！",
     &MessageTexts::Msg_NoHostConnection},
    {"Msg_PKG_Decompress", "正在解压文件...", &MessageTexts::Msg_PKG_Decompress},
    {"Msg_PKG_Decompress_Fault", "解压数据包失败！", &MessageTexts::Msg_PKG_Decompress_Fault},
    {"Msg_PKG_Connect", "正在建立数据库连接...", &MessageTexts::Msg_PKG_Connect},
    {"Msg_PKG_Check", "正在检查数据是否正确...", &MessageTexts::Msg_PKG_Check},
    {"Msg_PKG_Check_Fault", "数据已经被损坏！导入数据失败。", &MessageTexts::Msg_PKG_Check_Fault},
    {"Msg_PKG_Backup", "备份文件到错误目录！", &MessageTexts::Msg_PKG_Backup},
    {"Msg_PKG_Import", "正在导入数据：", &MessageTexts::Msg_PKG_Import},
    {"Msg_PKG_Import_Fault_Left", "导入数据失败，共有", &MessageTexts::Msg_PKG_Import_Fault_Left},
    {"Msg_PKG_Import_Fault_Right", "个错误：", &MessageTexts::Msg_PKG_Import_Fault_Right},
    {"Msg_PKG_Canceled", "导入数据已经被取消！", &MessageTexts::Msg_PKG_Canceled},
    {"Msg_PKG_BackupTo", "错误数据文件已经备份到：", &MessageTexts::Msg_PKG_BackupTo},
    {"Msg_PKG_Import_Success", "导入数据成功！", &MessageTexts::Msg_PKG_Import_Success},
    {"Msg_PKG_ImportGroup_Left", "正在一并导入 ", &MessageTexts::Msg_PKG_ImportGroup_Left},
    {"Msg_PKG_ImportGroup_Right", " 个数据包 ...", &MessageTexts::Msg_PKG_ImportGroup_Right},
    {"Msg_ExportData", "正在导出数据...", &MessageTexts::Msg_ExportData},
    {"Msg_ExportData_Fault_Left", "导出数据失败，共有", &MessageTexts::Msg_ExportData_Fault_Left},
    {"Msg_ExportData_Fault_Right", "个错误：", &MessageTexts::Msg_ExportData_Fault_Right},
    {"Msg_ExportData_Canceled", "导出数据已经被取消！", &MessageTexts::Msg_ExportData_Canceled},
    {"Msg_ExportData_Compress_Fault", "文件压缩错误，导出数据失败！",
     &MessageTexts::Msg_ExportData_Compress_Fault},
    {"Msg_ExportData_Fault", "导出数据失败：", &MessageTexts::Msg_ExportData_Fault},
    {"Msg_DDNS_Connect", "正在尝试连接“Tavlink”服务器...", &MessageTexts::Msg_DDNS_Connect},
    {"Msg_DDNS_Connect_Fault", "连接服务器失败，请检查是否网络连接正常！",
     &MessageTexts::Msg_DDNS_Connect_Fault},
    {"Msg_DDNS_Connect_Success", "连接服务器成功，您的IP地址是：",
     &MessageTexts::Msg_DDNS_Connect_Success},
    {"Msg_DDNS_Login_Fault", "登录“Tavlink”服务器失败，可能账号未注册，或者密码错误！",
     &MessageTexts::Msg_DDNS_Login_Fault},
    {"Msg_DDNS_Login_Success", "成功登录“Tavlink”服务器！", &MessageTexts::Msg_DDNS_Login_Success},
    {"Msg_DDNS_NoServerIP", "服务器地址未设置，操作被取消！", &MessageTexts::Msg_DDNS_NoServerIP},
    {"Msg_CheckUser", "账号或密码错误，请重新输入！", &MessageTexts::Msg_CheckUser},
    {"Msg_CheckPrivilege", "不允许删除数据：您的权限不足！", &MessageTexts::Msg_CheckPrivilege},
    {"Msg_DownloadData_Fault", "下载数据失败: ", &MessageTexts::Msg_DownloadData_Fault},
    {"Msg_DownloadData_Busy", "另一个下载正在进行，本次下载已取消。",
     &MessageTexts::Msg_DownloadData_Busy},
    {"Msg_PKG_Resume", "继续导入上次中断的数据包：", &MessageTexts::Msg_PKG_Resume},
    {"Msg_PKG_Resume_Lost", "找不到上次中断的数据包，无法导入：",
     &MessageTexts::Msg_PKG_Resume_Lost},
};

const TextTable<MessageTexts> kMessageTable({"Main"}, kMessageRows);

MessageTexts gMessages;
std::unique_ptr<cLanguage> gReader;

std::unique_ptr<cLanguage> NewReader() {
  auto reader = std::make_unique<cLanguage>();
  std::int32_t language = 0;
  IgnoreFailure([&] {
    const char* chosen = std::getenv(kLanguageVariable);
    const long long number =
        LeadingNumber(chosen != nullptr && *chosen != '\0'
                          ? chosen
                          : GetUserSetting("Tavolo", "Language", "Language", "0"));
    // A number no language could have is none.
    if (number >= INT32_MIN && number <= INT32_MAX) language = static_cast<std::int32_t>(number);
  });
  IgnoreFailure([&] { reader->SetAppExeName(kModuleName); });
  IgnoreFailure([&] { reader->SetLanguage(language); });
  IgnoreFailure([&] { reader->SetSection("Main"); });
  return reader;
}

}  // namespace

const MessageTexts& Messages() { return gMessages; }

cLanguage& gLanguage() {
  if (!gReader) gReader = NewReader();
  return *gReader;
}

void LoadMessages() noexcept {
  IgnoreFailure([] { gReader = NewReader(); });
  if (!gReader) return;
  MessageTexts texts = gMessages;
  for (const TextRow<MessageTexts>& row : kMessageRows) {
    IgnoreFailure(
        [&] { texts.*row.text = gReader->getValue(row.key, row.property, row.defaultText); });
  }
  IgnoreFailure([&] { gReader->SetSection("Main"); });
  gMessages = std::move(texts);
}

}  // namespace tavex

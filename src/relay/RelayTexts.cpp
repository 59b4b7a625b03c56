#include "relay/RelayTexts.h"

#include "i18n/TextTable.h"

namespace tavex {

namespace {

using Row = TextRow<RelayTexts>;

constexpr Row kTextRows[] = {
    {"Msg_Relay_Failed", "数据转发失败：", &RelayTexts::Msg_Relay_Failed},
    {"Msg_Relay_Busy", "另一个转发正在进行，本次转发已取消。", &RelayTexts::Msg_Relay_Busy},
    {"Msg_Relay_NoHeadOffice", "总部编号（设置 801）未设置，无法转发。",
     &RelayTexts::Msg_Relay_NoHeadOffice},
    {"Msg_Relay_DryRun", "试运行：只列出转发路线，不做任何更改。", &RelayTexts::Msg_Relay_DryRun},
    {"Msg_Relay_NoFiles", "没有需要转发的数据包。", &RelayTexts::Msg_Relay_NoFiles},
    {"Msg_Relay_FileCount_Left", "共有", &RelayTexts::Msg_Relay_FileCount_Left},
    {"Msg_Relay_FileCount_Right", "个数据包需要转发：", &RelayTexts::Msg_Relay_FileCount_Right},
    {"Msg_Relay_Fetch", "正在下载数据包：", &RelayTexts::Msg_Relay_Fetch},
    {"Msg_Relay_Fetch_Fault", "数据包下载失败，留在上传文件夹：",
     &RelayTexts::Msg_Relay_Fetch_Fault},
    {"Msg_Relay_Check", "正在检查数据包...", &RelayTexts::Msg_Relay_Check},
    {"Msg_Relay_Rejected", "数据包已损坏，已移到 Rejected 文件夹：",
     &RelayTexts::Msg_Relay_Rejected},
    {"Msg_Relay_Refused", "数据包未通过检查，已移到 Rejected 文件夹：",
     &RelayTexts::Msg_Relay_Refused},
    {"Msg_Relay_Reject_Fault", "损坏的数据包无法移到 Rejected 文件夹：",
     &RelayTexts::Msg_Relay_Reject_Fault},
    {"Msg_Relay_Members", "会员数据包，转发到：", &RelayTexts::Msg_Relay_Members},
    {"Msg_Relay_Others", "营业数据包，转发到：", &RelayTexts::Msg_Relay_Others},
    {"Msg_Relay_NoDestination", "数据包没有转发目的地，已移到 Rejected 文件夹：",
     &RelayTexts::Msg_Relay_NoDestination},
    {"Msg_Relay_Put", "正在转发到：", &RelayTexts::Msg_Relay_Put},
    {"Msg_Relay_Put_Fault", "转发失败，数据包留在上传文件夹：", &RelayTexts::Msg_Relay_Put_Fault},
    {"Msg_Relay_Done", "转发完成，已从上传文件夹删除：", &RelayTexts::Msg_Relay_Done},
    {"Msg_Relay_Delete_Fault", "已转发，但无法从上传文件夹删除：",
     &RelayTexts::Msg_Relay_Delete_Fault},
    {"Msg_Relay_Folders_Fault", "无法读取下载文件夹列表：", &RelayTexts::Msg_Relay_Folders_Fault},
    {"Msg_Relay_Gathered", "会员数据包，并入会员汇总包：", &RelayTexts::Msg_Relay_Gathered},
    {"Msg_Relay_NotBundled", "会员数据包无法并入会员汇总包（缺少主键列或含有保留列）：",
     &RelayTexts::Msg_Relay_NotBundled},
    {"Msg_Relay_BundleRefused", "会员汇总包只能由总部的转发生成：",
     &RelayTexts::Msg_Relay_BundleRefused},
    {"Msg_Relay_Bundle", "正在生成会员汇总包：", &RelayTexts::Msg_Relay_Bundle},
    {"Msg_Relay_BundleName", "会员数据汇总：", &RelayTexts::Msg_Relay_BundleName},
    {"Msg_Relay_Bundle_Fault", "会员汇总包生成失败，会员数据包留在上传文件夹：",
     &RelayTexts::Msg_Relay_Bundle_Fault},
    {"Msg_Relay_BundleTo", "会员汇总包，转发到：", &RelayTexts::Msg_Relay_BundleTo},
};

const TextTable<RelayTexts> kTextTable({"cRelay"}, kTextRows);

}  // namespace

RelayTexts ReadRelayTexts() noexcept { return kTextTable.Read(); }

}  // namespace tavex

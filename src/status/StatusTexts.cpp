#include "status/StatusTexts.h"

#include "i18n/TextTable.h"

namespace tavex {

namespace {

using Row = TextRow<StatusTexts>;

constexpr Row kTextRows[] = {
    {"Msg_Status_Site", "站点：", &StatusTexts::Msg_Status_Site},
    {"Msg_Status_Bills", "未上传的消费账单：", &StatusTexts::Msg_Status_Bills},
    {"Msg_Status_UnCheckBills", "未上传的反结账账单：", &StatusTexts::Msg_Status_UnCheckBills},
    {"Msg_Status_Octopus", "未上传的八达通交易记录：", &StatusTexts::Msg_Status_Octopus},
    {"Msg_Status_Members", "未上传的会员资料：", &StatusTexts::Msg_Status_Members},
    {"Msg_Status_MemberCards", "未上传的会员卡：", &StatusTexts::Msg_Status_MemberCards},
    {"Msg_Status_Consumption", "未上传的会员消费记录：", &StatusTexts::Msg_Status_Consumption},
    {"Msg_Status_Summaries", "未上传的会员积分汇总：", &StatusTexts::Msg_Status_Summaries},
    {"Msg_Status_Gifts", "未上传的礼品赠送记录：", &StatusTexts::Msg_Status_Gifts},
    {"Msg_Status_Rows", " 条", &StatusTexts::Msg_Status_Rows},
    {"Msg_Status_Oldest", "，最早：", &StatusTexts::Msg_Status_Oldest},
    {"Msg_Status_Pending", "等待导入的数据包：", &StatusTexts::Msg_Status_Pending},
    {"Msg_Status_Errors", "本月的错误数据包：", &StatusTexts::Msg_Status_Errors},
    {"Msg_Status_Unsigned", "没有签名的数据包来自：", &StatusTexts::Msg_Status_Unsigned},
    {"Msg_Status_Missing", "缺少的数据包（发送方和序号）：", &StatusTexts::Msg_Status_Missing},
    {"Msg_Status_LastUpload", "最近一次成功上传：", &StatusTexts::Msg_Status_LastUpload},
    {"Msg_Status_LastDownload", "最近一次成功下载：", &StatusTexts::Msg_Status_LastDownload},
    {"Msg_Status_LastRelay", "最近一次成功转发：", &StatusTexts::Msg_Status_LastRelay},
    {"Msg_Status_LastMembers", "最近一次成功同步会员：", &StatusTexts::Msg_Status_LastMembers},
    {"Msg_Status_Never", "从未", &StatusTexts::Msg_Status_Never},
    {"Msg_Status_Server", "FTP服务器：", &StatusTexts::Msg_Status_Server},
    {"Msg_Status_ServerAnswers", "可以连接", &StatusTexts::Msg_Status_ServerAnswers},
    {"Msg_Status_ServerSilent", "无法连接", &StatusTexts::Msg_Status_ServerSilent},
    {"Msg_Status_Attention", "需要注意：", &StatusTexts::Msg_Status_Attention},
    {"Msg_Status_Stale", "有数据超过期限仍未上传：", &StatusTexts::Msg_Status_Stale},
    {"Msg_Status_NoIndex", "缺少索引，每次合并数据包都要扫描整张表：",
     &StatusTexts::Msg_Status_NoIndex},
    {"Msg_Status_AllWell", "一切正常。", &StatusTexts::Msg_Status_AllWell},
};

const TextTable<StatusTexts> kTextTable({"cStatus"}, kTextRows);

}  // namespace

StatusTexts ReadStatusTexts() noexcept { return kTextTable.Read(); }

}  // namespace tavex

#include "overview/OverviewTexts.h"

#include "i18n/TextTable.h"

namespace tavex {

namespace {

using Row = TextRow<OverviewTexts>;

constexpr Row kTextRows[] = {
    {"Msg_Overview_Title", "连锁总览", &OverviewTexts::Msg_Overview_Title},
    {"Msg_Overview_HeadOffice", "总部：", &OverviewTexts::Msg_Overview_HeadOffice},
    {"Msg_Overview_Generated", "生成时间：", &OverviewTexts::Msg_Overview_Generated},
    {"Msg_Overview_Period", "期间：", &OverviewTexts::Msg_Overview_Period},
    {"Msg_Overview_To", " 至 ", &OverviewTexts::Msg_Overview_To},
    {"Msg_Overview_Branch", "分店", &OverviewTexts::Msg_Overview_Branch},
    {"Msg_Overview_LastPackage", "最近导入", &OverviewTexts::Msg_Overview_LastPackage},
    {"Msg_Overview_Age", "天前", &OverviewTexts::Msg_Overview_Age},
    {"Msg_Overview_Bills", "账单", &OverviewTexts::Msg_Overview_Bills},
    {"Msg_Overview_Packages", "数据包", &OverviewTexts::Msg_Overview_Packages},
    {"Msg_Overview_Sales", "营业额", &OverviewTexts::Msg_Overview_Sales},
    {"Msg_Overview_Refused", "被拒", &OverviewTexts::Msg_Overview_Refused},
    {"Msg_Overview_Members", "会员同步", &OverviewTexts::Msg_Overview_Members},
    {"Msg_Overview_Signed", "签名", &OverviewTexts::Msg_Overview_Signed},
    {"Msg_Overview_Never", "从未", &OverviewTexts::Msg_Overview_Never},
    {"Msg_Overview_Yes", "是", &OverviewTexts::Msg_Overview_Yes},
    {"Msg_Overview_No", "否", &OverviewTexts::Msg_Overview_No},
    {"Msg_Overview_Unknown", "未知", &OverviewTexts::Msg_Overview_Unknown},
    {"Msg_Overview_Day", "日期", &OverviewTexts::Msg_Overview_Day},
    {"Msg_Overview_Totals", "全连锁每日合计", &OverviewTexts::Msg_Overview_Totals},
    {"Msg_Overview_BillsChart", "每家分店每日账单数", &OverviewTexts::Msg_Overview_BillsChart},
    {"Msg_Overview_SalesChart", "全连锁每日营业额", &OverviewTexts::Msg_Overview_SalesChart},
    {"Msg_Overview_RefusedList", "期间内被拒绝或损坏的数据包",
     &OverviewTexts::Msg_Overview_RefusedList},
    {"Msg_Overview_Time", "时间", &OverviewTexts::Msg_Overview_Time},
    {"Msg_Overview_Sender", "发送方", &OverviewTexts::Msg_Overview_Sender},
    {"Msg_Overview_File", "文件名", &OverviewTexts::Msg_Overview_File},
    {"Msg_Overview_Receiver", "接收方", &OverviewTexts::Msg_Overview_Receiver},
    {"Msg_Overview_Reason", "原因", &OverviewTexts::Msg_Overview_Reason},
    {"Msg_Overview_Runs", "总部的运行", &OverviewTexts::Msg_Overview_Runs},
    {"Msg_Overview_Run", "运行", &OverviewTexts::Msg_Overview_Run},
    {"Msg_Overview_Download", "下载", &OverviewTexts::Msg_Overview_Download},
    {"Msg_Overview_Relay", "转发", &OverviewTexts::Msg_Overview_Relay},
    {"Msg_Overview_LastSuccess", "最近成功", &OverviewTexts::Msg_Overview_LastSuccess},
    {"Msg_Overview_LastFailure", "最近失败", &OverviewTexts::Msg_Overview_LastFailure},
    {"Msg_Overview_ServerSilent", "FTP服务器无法连接，未能读取分店的下载文件夹。",
     &OverviewTexts::Msg_Overview_ServerSilent},
    {"Msg_Overview_NoIndex", "缺少索引，总览读取大表时会变慢：",
     &OverviewTexts::Msg_Overview_NoIndex},
    {"Msg_Overview_Attention", "需要注意：", &OverviewTexts::Msg_Overview_Attention},
    {"Msg_Overview_Silent", "超过期限没有发送数据的分店：", &OverviewTexts::Msg_Overview_Silent},
    {"Msg_Overview_LastRefused", "最近的数据包被拒绝的分店：",
     &OverviewTexts::Msg_Overview_LastRefused},
    {"Msg_Overview_RunFailed", "总部最近一次运行失败：", &OverviewTexts::Msg_Overview_RunFailed},
    {"Msg_Overview_AllWell", "一切正常。", &OverviewTexts::Msg_Overview_AllWell},
    {"Msg_Overview_Retired", "已标记为关闭的分店：", &OverviewTexts::Msg_Overview_Retired},
    {"Msg_Overview_NoBranches", "还没有分店。", &OverviewTexts::Msg_Overview_NoBranches},
};

const TextTable<OverviewTexts> kTextTable({"cOverview"}, kTextRows);

}  // namespace

OverviewTexts ReadOverviewTexts() noexcept { return kTextTable.Read(); }

}  // namespace tavex

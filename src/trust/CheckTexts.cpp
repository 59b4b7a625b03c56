#include "trust/CheckTexts.h"

#include "i18n/TextTable.h"

namespace tavex::trust {

namespace {

using Row = TextRow<CheckTexts>;

constexpr Row kTextRows[] = {
    {"Msg_Check_NoSender", "文件名没有注明发送方：", &CheckTexts::Msg_Check_NoSender},
    {"Msg_Check_WrongSender", "数据包记录的发送方与文件名不符：",
     &CheckTexts::Msg_Check_WrongSender},
    {"Msg_Check_Table", "此类数据包不能写入表：", &CheckTexts::Msg_Check_Table},
    {"Msg_Check_Statement", "此类数据包不能包含语句：", &CheckTexts::Msg_Check_Statement},
    {"Msg_Check_NotOwned", "数据包写入了不属于发送方的数据：", &CheckTexts::Msg_Check_NotOwned},
    {"Msg_Check_NoOwner", "数据包的数据没有注明属于哪个分店：", &CheckTexts::Msg_Check_NoOwner},
    {"Msg_Check_TooLarge", "数据包超过大小上限，解压后字节数：", &CheckTexts::Msg_Check_TooLarge},
    {"Msg_Check_NoSpace", "磁盘空间不足，数据包暂不解压，解压后字节数：",
     &CheckTexts::Msg_Check_NoSpace},
    {"Msg_Check_Refused", "数据包未通过检查，已拒绝：", &CheckTexts::Msg_Check_Refused},
    {"Msg_Check_Local", "本机故障，数据包留待下次导入：", &CheckTexts::Msg_Check_Local},
    {"Msg_Check_GaveUp", "数据包三次导入均未完成，已备份到错误目录：",
     &CheckTexts::Msg_Check_GaveUp},
    {"Msg_Check_Waits", "同一发送方较早的数据包尚未完成，此数据包等待下次：",
     &CheckTexts::Msg_Check_Waits},
    {"Msg_Check_Unreadable", "无法读取文件：", &CheckTexts::Msg_Check_Unreadable},
    {"Msg_Check_Unwritable", "无法写入文件：", &CheckTexts::Msg_Check_Unwritable},
    {"Msg_Check_BadSignature", "数据包的签名不正确：", &CheckTexts::Msg_Check_BadSignature},
    {"Msg_Check_Revoked", "此站点的密钥已被吊销：", &CheckTexts::Msg_Check_Revoked},
    {"Msg_Check_Unsigned", "数据包没有签名，发送方不在允许之列：", &CheckTexts::Msg_Check_Unsigned},
    {"Msg_Check_OtherName", "签名中的发送方或种类与文件名不符：", &CheckTexts::Msg_Check_OtherName},
    {"Msg_Check_UnknownSigner", "签名的站点没有登记密钥：", &CheckTexts::Msg_Check_UnknownSigner},
    {"Msg_Check_OtherSigner", "数据包由其他站点的密钥签名：", &CheckTexts::Msg_Check_OtherSigner},
    {"Msg_Check_Replayed", "此数据包已经收过（重复发送）：", &CheckTexts::Msg_Check_Replayed},
    {"Msg_Check_UnsignedTaken", "收到没有签名的数据包：", &CheckTexts::Msg_Check_UnsignedTaken},
    {"Msg_Check_NoKey", "无法读取本站点的密钥，数据包不发送：", &CheckTexts::Msg_Check_NoKey},
    {"Msg_Check_BundleSigner", "会员汇总包不是总部签名的：", &CheckTexts::Msg_Check_BundleSigner},
    {"Msg_Check_BundleListing", "会员汇总包的数据包清单无法读取：",
     &CheckTexts::Msg_Check_BundleListing},
};

const TextTable<CheckTexts> kTextTable({"PackageCheck"}, kTextRows);

}  // namespace

CheckTexts ReadCheckTexts() noexcept { return kTextTable.Read(); }

}  // namespace tavex::trust

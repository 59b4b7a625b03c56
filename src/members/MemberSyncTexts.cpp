#include "members/MemberSyncTexts.h"

#include "i18n/TextTable.h"

namespace tavex {

namespace {

using T = MemberSyncTexts;

using Row = TextRow<MemberSyncTexts>;

constexpr Row kTextRows[] = {
    {"Msg_Loading", "正在准备数据：分店【", &T::Msg_Loading_Left, "Left"},
    {"Msg_Loading", "】", &T::Msg_Loading_Right, "Right"},
    {"Msg_PackageName", "分店【", &T::Msg_PackageName_Left, "Left"},
    {"Msg_PackageName", "】上传数据 ：", &T::Msg_PackageName_Right, "Right"},
    {"Msg_mb_Member", "未上传的会员资料", &T::Msg_mb_Member},
    {"Msg_mb_Member", "删除相同编号的会员资料", &T::Msg_mb_Member_Delete, "Delete"},
    {"Msg_mb_Member", "更新会员资料为已上传", &T::Msg_mb_Member_Update, "Update"},
    {"Msg_mb_MemberCard", "未上传的会员卡资料", &T::Msg_mb_MemberCard},
    {"Msg_mb_MemberCard", "删除相同卡号的会员卡资料", &T::Msg_mb_MemberCard_Delete, "Delete"},
    {"Msg_mb_MemberCard", "更新会员卡资料为已上传", &T::Msg_mb_MemberCard_Update, "Update"},
    {"Msg_mb_Consume", "未上传的会员卡消费记录", &T::Msg_mb_Consume},
    {"Msg_mb_Consume", "删除相同编号的会员卡消费记录", &T::Msg_mb_Consume_Delete, "Delete"},
    {"Msg_mb_Consume", "更新会员卡消费记录为已上传", &T::Msg_mb_Consume_Update, "Update"},
    {"Msg_mb_Summary", "未上传的会员卡操作记录", &T::Msg_mb_Summary},
    {"Msg_mb_Summary", "删除相同编号的会员卡操作记录", &T::Msg_mb_Summary_Delete, "Delete"},
    {"Msg_mb_Summary", "更新会员卡操作记录为已上传", &T::Msg_mb_Summary_Update, "Update"},
    {"Msg_mb_GiftSend", "未上传的会员兑分记录", &T::Msg_mb_GiftSend},
    {"Msg_mb_GiftSend", "删除相同编号的会员兑分记录", &T::Msg_mb_GiftSend_Delete, "Delete"},
    {"Msg_mb_GiftSend", "更新会员兑分记录为已上传", &T::Msg_mb_GiftSend_Update, "Update"},
    {"Msg_SynData", "数据同步已经开始！", &T::Msg_SynData_Begin, "Begin"},
    {"Msg_SynData", "数据同步已经完成！", &T::Msg_SynData_Success, "Success"},
    {"Msg_SynData", "数据同步尚未完成！", &T::Msg_SynData_Fault, "Fault"},
};

const TextTable<MemberSyncTexts> kTextTable({"frmMemberSyn"}, kTextRows);

}  // namespace

MemberSyncTexts ReadMemberSyncTexts() noexcept { return kTextTable.Read(); }

}  // namespace tavex

#include "members/MemberSyncTexts.h"

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

using T = MemberSyncTexts;

struct TextRow {
  const char* key;
  const char* property;
  const char* defaultText;
  std::string T::*text;
};

constexpr TextRow kTextRows[] = {
    {"Msg_Loading", "Left", "正在准备数据：分店【", &T::Msg_Loading_Left},
    {"Msg_Loading", "Right", "】", &T::Msg_Loading_Right},
    {"Msg_PackageName", "Left", "分店【", &T::Msg_PackageName_Left},
    {"Msg_PackageName", "Right", "】上传数据 ：", &T::Msg_PackageName_Right},
    {"Msg_mb_Member", "", "未上传的会员资料", &T::Msg_mb_Member},
    {"Msg_mb_Member", "Delete", "删除相同编号的会员资料", &T::Msg_mb_Member_Delete},
    {"Msg_mb_Member", "Update", "更新会员资料为已上传", &T::Msg_mb_Member_Update},
    {"Msg_mb_MemberCard", "", "未上传的会员卡资料", &T::Msg_mb_MemberCard},
    {"Msg_mb_MemberCard", "Delete", "删除相同卡号的会员卡资料", &T::Msg_mb_MemberCard_Delete},
    {"Msg_mb_MemberCard", "Update", "更新会员卡资料为已上传", &T::Msg_mb_MemberCard_Update},
    {"Msg_mb_Consume", "", "未上传的会员卡消费记录", &T::Msg_mb_Consume},
    {"Msg_mb_Consume", "Delete", "删除相同编号的会员卡消费记录", &T::Msg_mb_Consume_Delete},
    {"Msg_mb_Consume", "Update", "更新会员卡消费记录为已上传", &T::Msg_mb_Consume_Update},
    {"Msg_mb_Summary", "", "未上传的会员卡操作记录", &T::Msg_mb_Summary},
    {"Msg_mb_Summary", "Delete", "删除相同编号的会员卡操作记录", &T::Msg_mb_Summary_Delete},
    {"Msg_mb_Summary", "Update", "更新会员卡操作记录为已上传", &T::Msg_mb_Summary_Update},
    {"Msg_mb_GiftSend", "", "未上传的会员兑分记录", &T::Msg_mb_GiftSend},
    {"Msg_mb_GiftSend", "Delete", "删除相同编号的会员兑分记录", &T::Msg_mb_GiftSend_Delete},
    {"Msg_mb_GiftSend", "Update", "更新会员兑分记录为已上传", &T::Msg_mb_GiftSend_Update},
    {"Msg_SynData", "Begin", "数据同步已经开始！", &T::Msg_SynData_Begin},
    {"Msg_SynData", "Success", "数据同步已经完成！", &T::Msg_SynData_Success},
    {"Msg_SynData", "Fault", "数据同步尚未完成！", &T::Msg_SynData_Fault},
};

}  // namespace

MemberSyncTexts ReadMemberSyncTexts() noexcept {
  MemberSyncTexts texts;
  for (const TextRow& row : kTextRows) texts.*row.text = row.defaultText;
  IgnoreFailure([&] {
    cLanguage& language = gLanguage();
    const std::string section = language.Section();
    language.SetSection("frmMemberSyn");
    for (const TextRow& row : kTextRows) {
      IgnoreFailure(
          [&] { texts.*row.text = language.getValue(row.key, row.property, row.defaultText); });
    }
    language.SetSection(section);
  });
  return texts;
}

}  // namespace tavex

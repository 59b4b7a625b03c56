#include "members/MemberTables.h"

#include "database/AsciiText.h"

namespace tavex {

const std::vector<MemberTable>& MemberTables() {
  using T = MemberSyncTexts;
  static const std::vector<MemberTable> tables = {
      {"mb_Member", "MemberID", "30. ", "31. ", "81. ", &T::Msg_mb_Member, &T::Msg_mb_Member_Delete,
       &T::Msg_mb_Member_Update},
      // The card rows of an incoming member replace every card row of that
      // member on the receiving side, so a member's cards travel together:
      // all of them go when one of them waits.
      {"mb_MemberCard", "MemberID", "40. ", "41. ", "82. ", &T::Msg_mb_MemberCard,
       &T::Msg_mb_MemberCard_Delete, &T::Msg_mb_MemberCard_Update,
       " WHERE MemberID IN (SELECT MemberID FROM mb_MemberCard WHERE IsUploaded=0) "},
      {"mb_Consume", "ConsumeID", "50. ", "51. ", "83. ", &T::Msg_mb_Consume,
       &T::Msg_mb_Consume_Delete, &T::Msg_mb_Consume_Update},
      {"mb_Summary", "SummaryID", "60. ", "61. ", "84. ", &T::Msg_mb_Summary,
       &T::Msg_mb_Summary_Delete, &T::Msg_mb_Summary_Update},
      {"mb_GiftSend", "GiftSendID", "70. ", "71. ", "85. ", &T::Msg_mb_GiftSend,
       &T::Msg_mb_GiftSend_Delete, &T::Msg_mb_GiftSend_Update},
  };
  return tables;
}

const MemberTable* FindMemberTable(std::string_view table) {
  for (const MemberTable& entry : MemberTables()) {
    if (EqualsNoCase(entry.name, table)) return &entry;
  }
  return nullptr;
}

}  // namespace tavex

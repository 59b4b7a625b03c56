#pragma once

#include <string>

namespace tavex {

// The member synchronisation's own texts, section "frmMemberSyn" of the
// language file. A key read under several properties has one member per
// property (Msg_Loading_Left, Msg_mb_Member_Delete, ...); the step captions
// are read under no property. Joined by their users without separators:
//   Msg_Loading_Left + branch name + Msg_Loading_Right
//   Msg_PackageName_Left + branch name + Msg_PackageName_Right + time
struct MemberSyncTexts {
  std::string Msg_Loading_Left;
  std::string Msg_Loading_Right;
  std::string Msg_PackageName_Left;
  std::string Msg_PackageName_Right;
  std::string Msg_mb_Member;
  std::string Msg_mb_Member_Delete;
  std::string Msg_mb_Member_Update;
  std::string Msg_mb_MemberCard;
  std::string Msg_mb_MemberCard_Delete;
  std::string Msg_mb_MemberCard_Update;
  std::string Msg_mb_Consume;
  std::string Msg_mb_Consume_Delete;
  std::string Msg_mb_Consume_Update;
  std::string Msg_mb_Summary;
  std::string Msg_mb_Summary_Delete;
  std::string Msg_mb_Summary_Update;
  std::string Msg_mb_GiftSend;
  std::string Msg_mb_GiftSend_Delete;
  std::string Msg_mb_GiftSend_Update;
  std::string Msg_SynData_Begin;
  std::string Msg_SynData_Success;
  std::string Msg_SynData_Fault;
};

// Reads the texts from the loaded language file, each falling back to its
// built-in default; never fails.
MemberSyncTexts ReadMemberSyncTexts() noexcept;

}  // namespace tavex

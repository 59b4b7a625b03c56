#pragma once

#include <string>

namespace tavex {

// The lines of the site status, section "cStatus" of the language file: one
// member per key, named after it. A line that shows a value takes it after
// the text.
struct StatusTexts {
  std::string Msg_Status_Site;
  std::string Msg_Status_Bills;
  std::string Msg_Status_UnCheckBills;
  std::string Msg_Status_Octopus;
  std::string Msg_Status_Members;
  std::string Msg_Status_MemberCards;
  std::string Msg_Status_Consumption;
  std::string Msg_Status_Summaries;
  std::string Msg_Status_Gifts;
  std::string Msg_Status_Rows;
  std::string Msg_Status_Oldest;
  std::string Msg_Status_Pending;
  std::string Msg_Status_Errors;
  std::string Msg_Status_Unsigned;
  std::string Msg_Status_Missing;
  std::string Msg_Status_LastUpload;
  std::string Msg_Status_LastDownload;
  std::string Msg_Status_LastRelay;
  std::string Msg_Status_LastMembers;
  std::string Msg_Status_Never;
  std::string Msg_Status_Server;
  std::string Msg_Status_ServerAnswers;
  std::string Msg_Status_ServerSilent;
  std::string Msg_Status_Attention;
  std::string Msg_Status_Stale;
  std::string Msg_Status_NoIndex;
  std::string Msg_Status_AllWell;
};

// Reads every text of section "cStatus" through gLanguage(), each with its
// built-in default; nothing is thrown.
StatusTexts ReadStatusTexts() noexcept;

}  // namespace tavex

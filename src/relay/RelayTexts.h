#pragma once

#include <string>

namespace tavex {

// The lines of the relay run, section "cRelay" of the language file: one
// member per key, named after it. Lines that name something take it after
// the text.
struct RelayTexts {
  std::string Msg_Relay_Failed;
  std::string Msg_Relay_Busy;
  std::string Msg_Relay_NoHeadOffice;
  std::string Msg_Relay_DryRun;
  std::string Msg_Relay_NoFiles;
  std::string Msg_Relay_FileCount_Left;
  std::string Msg_Relay_FileCount_Right;
  std::string Msg_Relay_Fetch;
  std::string Msg_Relay_Fetch_Fault;
  std::string Msg_Relay_Check;
  std::string Msg_Relay_Rejected;
  std::string Msg_Relay_Refused;
  std::string Msg_Relay_Reject_Fault;
  std::string Msg_Relay_Members;
  std::string Msg_Relay_Others;
  std::string Msg_Relay_NoDestination;
  std::string Msg_Relay_Put;
  std::string Msg_Relay_Put_Fault;
  std::string Msg_Relay_Done;
  std::string Msg_Relay_Delete_Fault;
  std::string Msg_Relay_Folders_Fault;
  std::string Msg_Relay_Gathered;
  std::string Msg_Relay_NotBundled;
  std::string Msg_Relay_BundleRefused;
  std::string Msg_Relay_Bundle;
  std::string Msg_Relay_BundleName;
  std::string Msg_Relay_Bundle_Fault;
  std::string Msg_Relay_BundleTo;
};

// Reads every text of section "cRelay" through gLanguage(), each with its
// built-in default; nothing is thrown.
RelayTexts ReadRelayTexts() noexcept;

}  // namespace tavex

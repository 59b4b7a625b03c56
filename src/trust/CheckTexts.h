#pragma once

#include <string>

namespace tavex::trust {

// The texts of the package checks, section "PackageCheck" of the language
// file. Each names what it is about after the text.
struct CheckTexts {
  std::string Msg_Check_NoSender;
  std::string Msg_Check_WrongSender;
  std::string Msg_Check_Table;
  std::string Msg_Check_Statement;
  std::string Msg_Check_NotOwned;
  std::string Msg_Check_NoOwner;
  std::string Msg_Check_TooLarge;
  std::string Msg_Check_NoSpace;
  std::string Msg_Check_Refused;
  std::string Msg_Check_Local;
  std::string Msg_Check_GaveUp;
  std::string Msg_Check_Waits;
  std::string Msg_Check_Unreadable;
  std::string Msg_Check_Unwritable;
  std::string Msg_Check_BadSignature;
  std::string Msg_Check_Revoked;
  std::string Msg_Check_Unsigned;
  std::string Msg_Check_OtherName;
  std::string Msg_Check_UnknownSigner;
  std::string Msg_Check_OtherSigner;
  std::string Msg_Check_Replayed;
  std::string Msg_Check_UnsignedTaken;
  std::string Msg_Check_NoKey;
  std::string Msg_Check_BundleSigner;
  std::string Msg_Check_BundleListing;
};

// Every text of section "PackageCheck", each with its built-in default;
// nothing is thrown.
CheckTexts ReadCheckTexts() noexcept;

}  // namespace tavex::trust

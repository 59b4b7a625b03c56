#pragma once

#include <string>

namespace tavex {

// The texts of the chain overview, section "cOverview" of the language file:
// one member per key, named after it. A text that is followed by a value
// ends in its separator.
struct OverviewTexts {
  std::string Msg_Overview_Title;
  std::string Msg_Overview_HeadOffice;
  std::string Msg_Overview_Generated;
  std::string Msg_Overview_Period;
  std::string Msg_Overview_To;
  std::string Msg_Overview_Branch;
  std::string Msg_Overview_LastPackage;
  std::string Msg_Overview_Age;
  std::string Msg_Overview_Bills;
  std::string Msg_Overview_Packages;
  std::string Msg_Overview_Sales;
  std::string Msg_Overview_Refused;
  std::string Msg_Overview_Members;
  std::string Msg_Overview_Signed;
  std::string Msg_Overview_Never;
  std::string Msg_Overview_Yes;
  std::string Msg_Overview_No;
  std::string Msg_Overview_Unknown;
  std::string Msg_Overview_Day;
  std::string Msg_Overview_Totals;
  std::string Msg_Overview_BillsChart;
  std::string Msg_Overview_SalesChart;
  std::string Msg_Overview_RefusedList;
  std::string Msg_Overview_Time;
  std::string Msg_Overview_Sender;
  std::string Msg_Overview_File;
  std::string Msg_Overview_Receiver;
  std::string Msg_Overview_Reason;
  std::string Msg_Overview_Runs;
  std::string Msg_Overview_Run;
  std::string Msg_Overview_Download;
  std::string Msg_Overview_Relay;
  std::string Msg_Overview_LastSuccess;
  std::string Msg_Overview_LastFailure;
  std::string Msg_Overview_ServerSilent;
  std::string Msg_Overview_NoIndex;
  std::string Msg_Overview_Attention;
  std::string Msg_Overview_Silent;
  std::string Msg_Overview_LastRefused;
  std::string Msg_Overview_RunFailed;
  std::string Msg_Overview_AllWell;
  std::string Msg_Overview_Retired;
  std::string Msg_Overview_NoBranches;
};

// Reads every text of section "cOverview" through gLanguage(), each with its
// built-in default; nothing is thrown.
OverviewTexts ReadOverviewTexts() noexcept;

}  // namespace tavex

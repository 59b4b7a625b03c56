#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "maintenance/BackupDefinitions.h"
#include "maintenance/BaseDataCatalogue.h"
#include "maintenance/DeleteRun.h"

namespace tavex {

// What each of the three delete wizards deletes, as a plan for DeleteRun.

// The days a ranged plan deletes: `first` to `last`, both whole. None when
// `first` is after `last`, which a wizard refuses before asking for the account.
std::optional<DateRange> DeleteDays(std::chrono::year_month_day first,
                                    std::chrono::year_month_day last);

// The choices of the business data delete, in the order its options list them.
enum class BusinessDeleteKind { SettledInRange = 0, AllSettled = 1, AllOpen = 2, PrintJobs = 3 };

// The table captions of the business data delete (section "frmDelete").
struct BusinessDeleteTexts {
  std::string Msg_DateTimeOutOfRange;
  std::string Msg_prn_PrintJob;
  std::string Msg_prn_PrintJobItem;
  std::string Msg_bi_Bill;
  std::string Msg_bi_BillPayment;
  std::string Msg_bi_BillItem;
  std::string Msg_bi_SubBill;
  std::string Msg_bi_SubItem;
  std::string Msg_bi_BillLog;
  // The question before settled bills that head office has not received
  // are deleted: Left + their number + Right.
  std::string Msg_Unsent_Left;
  std::string Msg_Unsent_Right;
};
BusinessDeleteTexts ReadBusinessDeleteTexts();

// Settled bills (of the range, or all) with their details; or every open bill
// with its details, after which every dining table is free again; or every
// print job. Settled bills count the ones not uploaded yet.
DeletePlan BusinessDeletePlan(const BusinessDeleteTexts& texts, BusinessDeleteKind kind);

// Every table of the chosen groups (numbers 1 to 7, in group order whatever
// order they are given in), keeping the built-in subject '10101' and subject
// type '101'; the bar has one unit per group.
DeletePlan BaseDataDeletePlan(const BaseDataTexts& catalogue, const std::vector<int>& groups);

// The texts of the base data delete (section "frmDDDelete").
struct BaseDataDeleteTexts {
  std::string Msg_ToSelect;
  BaseDataTexts catalogue;
};
BaseDataDeleteTexts ReadBaseDataDeleteTexts();

// The table captions of the stock data delete (section "frmStDelete").
struct StockDeleteTexts {
  std::string Msg_DateTimeOutOfRange;
  std::string Msg_st_Bill;
  std::string Msg_st_BillItem;
  // The question before documents that head office has not received are
  // deleted: Left + their number + Right.
  std::string Msg_Unsent_Left;
  std::string Msg_Unsent_Right;
  std::vector<std::string> masterTables;  // one per kStockMasterTables entry
};
StockDeleteTexts ReadStockDeleteTexts();

// True when the host's stock documents carry an upload flag (Uploaded).
bool StockBillsHaveUploadFlag(db::Connection& host);

// Stock documents with their lines, lines first (of the range, or all), or
// every row of the six master tables. Documents count the ones not uploaded
// yet when `uploadFlag` says the host keeps that flag.
DeletePlan StockDeletePlan(const StockDeleteTexts& texts, StockBackupKind kind, bool uploadFlag);

}  // namespace tavex

#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Package.h"
#include "maintenance/BaseDataCatalogue.h"

namespace tavex {

// The definitions of the three backups: which rows of the host database a
// backup package carries, and the statements with which a restore makes room
// for them. They differ in what they copy; BackupRun writes every one of them
// the same way.

// The days a backup copies: from `begin` up to, not including, `end` (the
// day after the last day chosen, so the last day is included whole).
struct DateRange {
  std::chrono::year_month_day begin;
  std::chrono::year_month_day end;
};

// The texts of the business data backup (section "frmBackup").
struct BusinessBackupTexts {
  std::string Msg_ExportData_Fault;
  std::string Msg_PackageName;
  std::string Msg_bi_Bill;
  std::string Msg_bi_Bill_Delete;
  std::string Msg_bi_BillPayment;
  std::string Msg_bi_BillPayment_Delete;
  std::string Msg_bi_BillItem;
  std::string Msg_bi_BillItem_Delete;
  std::string Msg_bi_SubBill;
  std::string Msg_bi_SubBill_Delete;
};
BusinessBackupTexts ReadBusinessBackupTexts();

// The bills, their payments, items and sub-bills: those of bills dated within
// `range`, or all of them without one. `provider` ("MSACCESS" or "SQLOLEDB")
// chooses how the dates are written. Each bill and bill item carries the
// per-row deletes that let a second restore replace rather than duplicate it.
std::unique_ptr<engine::Package> DefineBusinessBackup(const BusinessBackupTexts& texts,
                                                      const std::optional<DateRange>& range,
                                                      std::string_view provider);

// The texts of the base data backup (section "frmDDBackup").
struct BaseDataBackupTexts {
  std::string Msg_PackageName;
  std::string Msg_ExportData_Fault;
  std::string Msg_ToSelect;
  std::string Msg_Delete;
  BaseDataTexts catalogue;
};
BaseDataBackupTexts ReadBaseDataBackupTexts();

// Every row of every table of the chosen groups (numbers 1 to 7, handled in
// group order whatever order they are given in); each table is emptied on
// restore before its rows arrive.
std::unique_ptr<engine::Package> DefineBaseDataBackup(const BaseDataBackupTexts& texts,
                                                      const std::vector<int>& groups);

// The file a base data backup proposes when none is given: `folder`, the
// package name, the day as YYYYMMDD and ".pkg".
std::string DefaultBaseDataPath(const std::string& folder, const std::string& packageName,
                                std::chrono::year_month_day day);

// The texts of the stock data backup (section "frmStBackup").
struct StockBackupTexts {
  std::string Msg_ExportData_Fault;
  std::string Msg_PackageName;
  std::string Msg_Delete;
  std::string Msg_st_Bill;
  std::string Msg_st_BillItem;
  std::string Msg_st_Bill_Delete;
  std::string Msg_st_BillItem_Delete;
  std::vector<std::string> masterTables;  // one per kStockMasterTables entry
};
StockBackupTexts ReadStockBackupTexts();

// The stock master tables, in the order they are handled.
inline constexpr std::array<const char*, 6> kStockMasterTables = {
    "st_Location", "st_Department", "st_ItemType", "st_Item", "dd_SupplierType", "dd_Supplier"};

// The captions of the stock master tables from `section` (frmStBackup or
// frmStDelete, the sections its text list is registered under), one per
// kStockMasterTables entry, each with its built-in default.
std::vector<std::string> ReadStockMasterTexts(const std::string& section);

// The choices of the stock backup and delete, in the order their options
// list them.
enum class StockBackupKind { DocumentsInRange = 0, AllDocuments = 1, MasterTables = 2 };

// Stock documents with their lines (those dated within `range` for
// DocumentsInRange), or every row of the six master tables, each emptied on
// restore first.
std::unique_ptr<engine::Package> DefineStockBackup(const StockBackupTexts& texts,
                                                   StockBackupKind kind, const DateRange& range,
                                                   std::string_view provider);

}  // namespace tavex

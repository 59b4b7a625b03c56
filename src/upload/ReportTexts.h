#pragma once

#include <string>

namespace tavex {

// The texts of the report and stock package, read from the upload wizard's
// section "frmUpload" of the language file: one member per key, a key read
// under the properties "Delete" and "None" with one member per property.
// Step captions are a number and a text ("11. " + Msg_rp_BillItem); the
// package is named Msg_PackageName_Left + branch name + Msg_PackageName_Right
// + the time.
struct ReportTexts {
  std::string Msg_rp_BillItem;
  std::string Msg_rp_BillItem_Delete;
  std::string Msg_rp_BillItem_None;
  std::string Msg_rp_BillPayment;
  std::string Msg_rp_BillPayment_Delete;
  std::string Msg_rp_BillPayment_None;
  std::string Msg_st_Inventory;
  std::string Msg_st_Inventory_Delete;
  std::string Msg_st_Inventory_None;
  std::string Msg_st_Bill;
  std::string Msg_st_Bill_Delete;
  std::string Msg_st_BillItem;
  std::string Msg_st_BillItem_Delete;
  std::string Msg_st_BOM;
  std::string Msg_st_BOM_Delete;
  std::string Msg_st_BOM_Loading;
  std::string Msg_PackageName_Left;
  std::string Msg_PackageName_Right;
};

// Reads every text through gLanguage(), each with its built-in default, and
// leaves gLanguage() in the section it was in. A failing look-up leaves that
// text at its default; nothing is thrown.
ReportTexts ReadReportTexts() noexcept;

}  // namespace tavex

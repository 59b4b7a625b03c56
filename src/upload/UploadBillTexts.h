#pragma once

#include <string>

namespace tavex {

// The texts of the bill package builders, section "cUploadBill" of the
// language file: one member per key, named after it. The table labels head
// the package steps ("21. " + Msg_bi_Bill); the _Delete texts head the
// statements that remove an earlier copy on the receiving side; the _Update
// texts head the statements that mark the sent rows as uploaded.
struct UploadBillTexts {
  std::string Msg_bi_Bill;
  std::string Msg_bi_Bill_Delete;
  std::string Msg_bi_Bill_Update;
  std::string Msg_bi_BillPayment;
  std::string Msg_bi_BillPayment_Delete;
  std::string Msg_bi_BillItem;
  std::string Msg_bi_BillItem_Delete;
  std::string Msg_bi_SubBill;
  std::string Msg_bi_SubBill_Delete;
  std::string Msg_bi_UnCheckBill;
  std::string Msg_bi_UnCheckBill_Delete;
  std::string Msg_bi_UnCheckBillPayment;
  std::string Msg_bi_UnCheckBillPayment_Delete;
  std::string Msg_bi_UnCheckBillItem;
  std::string Msg_bi_UnCheckBillItem_Delete;
  std::string Msg_bi_OctopusPayment;
  std::string Msg_bi_OctopusPayment_Delete;
  std::string Msg_bi_OctopusPayment_Update;
  std::string Msg_bi_Shift;
  std::string Msg_bi_Shift_Delete;
  std::string Msg_bi_ShiftSum;
  std::string Msg_bi_ShiftSum_Delete;
  std::string Msg_bi_ShiftLog;
  std::string Msg_bi_ShiftLog_Delete;
};

// Reads every text of section "cUploadBill" through gLanguage(), each with
// its built-in default, and leaves gLanguage() in the section it was in. A
// failing look-up leaves that text at its default; nothing is thrown.
UploadBillTexts ReadUploadBillTexts() noexcept;

}  // namespace tavex

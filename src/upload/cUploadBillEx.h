#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/Package.h"
#include "upload/UploadBillTexts.h"

namespace tavex {

// Builds the branch's upload set inside the host database (the shared
// connection): a copy of every bill not yet uploaded with its payments,
// items, split-bill lines, reversed-checkout records and Octopus payments,
// and the shifts of those bills, every key prefixed with the branch
// identifier and "-". The copies are the thirteen staging tables below; the
// upload package is defined over them (LoadPackag) and marks the live rows
// as uploaded when it is exported.
class cUploadBillEx {
 public:
  // The staging tables, in the order they are made and dropped. The id lists
  // bi_BillID_Upload and bi_ShiftID_Upload keep the unprefixed ids: the
  // package's mark-as-uploaded statement joins them to the live bills.
  static constexpr std::array<std::string_view, 13> kStagingTables = {
      "bi_BillID_Upload",
      "bi_ShiftID_Upload",
      "bi_Bill_Upload",
      "bi_BillPayment_Upload",
      "bi_BillItem_Upload",
      "bi_SubBill_Upload",
      "bi_UnCheckBill_Upload",
      "bi_UnCheckBillPayment_Upload",
      "bi_UnCheckBillItem_Upload",
      "bi_OctopusPayment_Upload",
      "bi_Shift_Upload",
      "bi_ShiftSum_Upload",
      "bi_ShiftLog_Upload"};

  // Reads the texts of section "cUploadBill" once.
  cUploadBillEx();

  // The branch identity, read from the settings store (801, 802) on every
  // call.
  std::string BranchID() const;
  std::string BranchName() const;

  // Drops every staging table; a table that is not there is no error.
  void DropTables();

  // Rebuilds the upload set in one strict transaction, so that the copies
  // agree with each other while POS terminals keep writing. Returns true
  // once the transaction is committed; on any failure (no host connection,
  // the database locked, a statement failing) everything is rolled back and
  // the failure propagates.
  bool LoadData();

  // Defines the bill package over the staging tables in `vPackage`: the
  // table steps 21 to 33 (25 to 27 only when the host has bi_UnCheckBill, 28
  // only when it has bi_OctopusPayment), the statements that replace an
  // earlier copy on the receiving side, and the statements that mark the
  // staged bills and Octopus payments as uploaded on this side when the
  // package is exported. Returns true; a failure propagates.
  bool LoadPackag(engine::Package& vPackage);

 private:
  // "'<branch>-'+column": the column's value with the branch prefix, the
  // identifier written as a literal whatever characters it holds.
  std::string Prefixed(std::string_view column) const;

  UploadBillTexts mTexts;
};

}  // namespace tavex

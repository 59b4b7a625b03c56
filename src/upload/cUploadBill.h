#pragma once

#include <array>
#include <chrono>
#include <string>

#include "engine/Package.h"
#include "upload/UploadBillTexts.h"
#include "upload/UploadSet.h"

namespace tavex {

// Builds the bills of a date range, whatever their upload flag, inside the
// host database (the shared connection), with their payments, items,
// split-bill lines, reversed-checkout records and the Octopus payments of
// the same days, every key prefixed with the branch identifier and "-" as
// the upload set has them; and defines the package over them. It carries no
// shifts and marks nothing as uploaded, so a period may be sent again at any
// time: the receiving side replaces its earlier copy of each bill.
class cUploadBill {
 public:
  // The staging tables, in the order they are made and dropped.
  static constexpr std::array<StagingTable, 8> kStagingTables = {{
      {.name = "bi_Bill_Upload_Date",
       .copy = " SELECT * INTO bi_Bill_Upload_Date    FROM bi_Bill  WHERE BillDate>=? AND "
               "BillDate<? ",
       .prefixedKeys = {"BillID", "ShiftID"},
       .marksUploaded = true,
       .inRange = true,
       .needsRows = true},
      {.name = "bi_BillPayment_Upload_Date",
       .copy = " SELECT BP.* INTO bi_BillPayment_Upload_Date    FROM bi_BillPayment AS "
               "BP,bi_Bill_Upload_Date AS BL   WHERE BP.BillID=BL.BillID ",
       .prefixedKeys = {"BillID"}},
      {.name = "bi_BillItem_Upload_Date",
       .copy = " SELECT BI.* INTO bi_BillItem_Upload_Date    FROM bi_BillItem AS "
               "BI,bi_Bill_Upload_Date AS BL   WHERE BI.BillID=BL.BillID ",
       .prefixedKeys = {"BillID", "BillItemID"}},
      {.name = "bi_SubBill_Upload_Date",
       .copy = " SELECT SB.* INTO bi_SubBill_Upload_Date    FROM bi_SubBill AS "
               "SB,bi_BillItem_Upload_Date AS BI   WHERE SB.BillItemID=BI.BillItemID ",
       .prefixedKeys = {"BillItemID", "SubBillID"}},
      {.name = "bi_UnCheckBill_Upload_Date",
       .copy = " SELECT BU.* INTO bi_UnCheckBill_Upload_Date    FROM bi_UnCheckBill AS BU, "
               "bi_Bill_Upload_Date AS BL   WHERE BU.BillID=BL.BillID ",
       .prefixedKeys = {"BillID", "ShiftID"},
       .marksUploaded = true,
       .onlyWith = "bi_UnCheckBill"},
      {.name = "bi_UnCheckBillPayment_Upload_Date",
       .copy = " SELECT BP.* INTO bi_UnCheckBillPayment_Upload_Date    FROM bi_UnCheckBillPayment "
               "AS BP,bi_UnCheckBill_Upload_Date AS BL   WHERE BP.UnCheckBillID=BL.UnCheckBillID ",
       .prefixedKeys = {"BillID"},
       .onlyWith = "bi_UnCheckBill"},
      {.name = "bi_UnCheckBillItem_Upload_Date",
       .copy = " SELECT BI.* INTO bi_UnCheckBillItem_Upload_Date    FROM bi_UnCheckBillItem AS "
               "BI,bi_UnCheckBill_Upload_Date AS BL   WHERE BI.UnCheckBillID=BL.UnCheckBillID ",
       .prefixedKeys = {"BillID", "BillItemID"},
       .onlyWith = "bi_UnCheckBill"},
      {.name = "bi_OctopusPayment_Upload_Date",
       .copy = " SELECT * INTO bi_OctopusPayment_Upload_Date    FROM bi_OctopusPayment   WHERE "
               "BillDate>=? AND BillDate<? ",
       .prefixedKeys = {"BillID"},
       .marksUploaded = true,
       .onlyWith = "bi_OctopusPayment",
       .inRange = true},
  }};

  // Reads the texts of section "cUploadBill" once.
  cUploadBill();

  // The branch identity, read from the settings store (801, 802) on every
  // call.
  std::string BranchID() const;
  std::string BranchName() const;

  // Drops every staging table; a table that is not there is no error.
  void DropTables();

  // Rebuilds the staging tables from the bills dated from `begin` to `end`,
  // both days whole, in short transactions so that POS terminals writing
  // meanwhile never wait long (see FillStagingTables). Octopus
  // payments are chosen by their own date. False when the range holds no
  // bill (a begin after the end included), with the earlier staging left as
  // it was; false too on any failure, with the staging tables dropped and
  // Failure() holding the reason.
  bool LoadData(std::chrono::year_month_day begin, std::chrono::year_month_day end) noexcept;

  // Why the last LoadData failed; empty when it succeeded or found no bill.
  const std::string& Failure() const noexcept { return mFailure; }

  // Defines the date-range bill package over the staging tables in
  // `vPackage`: the table steps 21 to 28 (25 to 27 only when the host has
  // bi_UnCheckBill, 28 only when it has bi_OctopusPayment) with the
  // statements that replace an earlier copy on the receiving side, and
  // nothing that marks a row here. Returns true; a failure propagates.
  bool LoadPackag(engine::Package& vPackage);

 private:
  UploadBillTexts mTexts;
  std::string mFailure;
};

}  // namespace tavex

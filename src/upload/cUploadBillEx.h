#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/Package.h"
#include "upload/UploadBillTexts.h"
#include "upload/UploadSet.h"

namespace tavex {

// Builds the branch's upload set inside the host database (the shared
// connection): a copy of every bill not yet uploaded with its payments,
// items, split-bill lines, reversed-checkout records and Octopus payments,
// and the shifts of those bills, every key prefixed with the branch
// identifier and "-". The copies are the thirteen staging tables below; the
// upload package is defined over them (LoadPackag), and its source
// statements mark exactly the staged live rows as uploaded. Both are data
// (see UploadSet).
class cUploadBillEx {
 public:
  // The staging tables, in the order they are made and dropped. The id lists
  // bi_BillID_Upload and bi_ShiftID_Upload keep the unprefixed ids: the
  // package's mark-as-uploaded statement joins them to the live bills.
  static constexpr std::array<StagingTable, 13> kStagingTables = {{
      {.name = "bi_BillID_Upload",
       .copy = " SELECT  BillID INTO bi_BillID_Upload    FROM bi_Bill   WHERE IsUploaded=0 "},
      {.name = "bi_ShiftID_Upload",
       .copy = " SELECT DISTINCT ShiftID INTO bi_ShiftID_Upload    FROM bi_Bill   WHERE "
               "IsUploaded=0 AND ShiftID<>'' "},
      {.name = "bi_Bill_Upload",
       .copy = " SELECT BL.* INTO bi_Bill_Upload    FROM bi_Bill AS BL,bi_BillID_Upload AS BID   "
               "WHERE BL.BillID=BID.BillID ",
       .prefixedKeys = {"BillID", "ShiftID"},
       .marksUploaded = true},
      {.name = "bi_BillPayment_Upload",
       .copy = " SELECT BP.* INTO bi_BillPayment_Upload    FROM bi_BillPayment AS "
               "BP,bi_Bill_Upload AS BL   WHERE BP.BillID=BL.BillID ",
       .prefixedKeys = {"BillID"}},
      {.name = "bi_BillItem_Upload",
       .copy = " SELECT BI.* INTO bi_BillItem_Upload    FROM bi_BillItem AS BI,bi_Bill_Upload AS "
               "BL   WHERE BI.BillID=BL.BillID ",
       .prefixedKeys = {"BillID", "BillItemID"}},
      {.name = "bi_SubBill_Upload",
       .copy = " SELECT SB.* INTO bi_SubBill_Upload    FROM bi_SubBill AS SB,bi_BillItem_Upload AS "
               "BI   WHERE SB.BillItemID=BI.BillItemID ",
       .prefixedKeys = {"BillItemID", "SubBillID"}},
      {.name = "bi_UnCheckBill_Upload",
       .copy = " SELECT BU.* INTO bi_UnCheckBill_Upload    FROM bi_UnCheckBill AS BU, "
               "bi_Bill_Upload AS BL   WHERE BU.BillID=BL.BillID ",
       .prefixedKeys = {"BillID", "ShiftID"},
       .marksUploaded = true,
       .onlyWith = "bi_UnCheckBill"},
      {.name = "bi_UnCheckBillPayment_Upload",
       .copy = " SELECT BP.* INTO bi_UnCheckBillPayment_Upload    FROM bi_UnCheckBillPayment AS "
               "BP,bi_UnCheckBill_Upload AS BL   WHERE BP.UnCheckBillID=BL.UnCheckBillID ",
       .prefixedKeys = {"BillID"},
       .onlyWith = "bi_UnCheckBill"},
      {.name = "bi_UnCheckBillItem_Upload",
       .copy = " SELECT BI.* INTO bi_UnCheckBillItem_Upload    FROM bi_UnCheckBillItem AS "
               "BI,bi_UnCheckBill_Upload AS BL   WHERE BI.UnCheckBillID=BL.UnCheckBillID ",
       .prefixedKeys = {"BillID", "BillItemID"},
       .onlyWith = "bi_UnCheckBill"},
      {.name = "bi_OctopusPayment_Upload",
       .copy = " SELECT * INTO bi_OctopusPayment_Upload    FROM bi_OctopusPayment   WHERE "
               "IsUploaded=0 ",
       .prefixedKeys = {"BillID"},
       .marksUploaded = true,
       .onlyWith = "bi_OctopusPayment"},
      {.name = "bi_Shift_Upload",
       .copy = " SELECT SF.* INTO bi_Shift_Upload    FROM bi_Shift AS SF,bi_ShiftID_Upload AS SID  "
               " WHERE SF.ShiftID=SID.ShiftID ",
       .prefixedKeys = {"ShiftID"}},
      {.name = "bi_ShiftSum_Upload",
       .copy = " SELECT SS.* INTO bi_ShiftSum_Upload    FROM bi_ShiftSum AS SS,bi_ShiftID_Upload "
               "AS SID   WHERE SS.ShiftID=SID.ShiftID ",
       .prefixedKeys = {"ShiftID"}},
      {.name = "bi_ShiftLog_Upload",
       .copy = " SELECT SL.* INTO bi_ShiftLog_Upload    FROM bi_ShiftLog AS SL,bi_ShiftID_Upload "
               "AS SID   WHERE SL.ShiftID=SID.ShiftID ",
       .prefixedKeys = {"ShiftID", "ShiftLogID"}},
  }};

  // Reads the texts of section "cUploadBill" once.
  cUploadBillEx();

  // The branch identity, read from the settings store (801, 802) on every
  // call.
  std::string BranchID() const;
  std::string BranchName() const;

  // Drops every staging table, and the staged Octopus transactions' row
  // identities; a table that is not there is no error.
  void DropTables();

  // Rebuilds the upload set in short transactions, so that POS terminals
  // writing meanwhile never wait long (see FillStagingTables).
  // Returns true once every table is made; on any failure (no host
  // connection, the database locked, a statement failing) the staging
  // tables are dropped, Failure() holds the reason, and the answer is false.
  bool LoadData() noexcept;

  // Why the last LoadData failed; empty after one that succeeded.
  const std::string& Failure() const noexcept { return mFailure; }

  // Defines the bill package over the staging tables in `vPackage`: the
  // table steps 21 to 33 (25 to 27 only when the host has bi_UnCheckBill, 28
  // only when it has bi_OctopusPayment), the statements that replace an
  // earlier copy on the receiving side, and the statements that mark the
  // staged bills and Octopus payments as uploaded on this side (each staged
  // row looked up by its key or row identity, so the marks cost as much as
  // the rows staged; a bill only while it still equals its staged copy).
  // Returns true; a failure propagates.
  bool LoadPackag(engine::Package& vPackage);

 private:
  // The condition that the live bill (bi_Bill) still equals its staged copy
  // (bi_Bill_Upload), every column compared but the flag.
  std::string SameAsStagedBill() const;

  UploadBillTexts mTexts;
  std::string mFailure;
};

}  // namespace tavex

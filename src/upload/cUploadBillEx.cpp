#include "upload/cUploadBillEx.h"

#include <vector>

#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

using engine::kKindPerRow;
using engine::kKindSource;

constexpr std::string_view kUnCheckBill = "bi_UnCheckBill";
constexpr std::string_view kOctopusPayment = "bi_OctopusPayment";

// The copies, in order. Each joins on unprefixed keys, so all of them are
// made before any key is rewritten.
std::vector<std::string> CopyStatements(bool withUnCheck, bool withOctopus) {
  std::vector<std::string> sql{
      " SELECT  BillID INTO bi_BillID_Upload    FROM bi_Bill   WHERE IsUploaded=0 ",
      " SELECT DISTINCT ShiftID INTO bi_ShiftID_Upload    FROM bi_Bill   WHERE IsUploaded=0 AND "
      "ShiftID<>'' ",
      " SELECT BL.* INTO bi_Bill_Upload    FROM bi_Bill AS BL,bi_BillID_Upload AS BID   WHERE "
      "BL.BillID=BID.BillID ",
      " SELECT BP.* INTO bi_BillPayment_Upload    FROM bi_BillPayment AS BP,bi_Bill_Upload AS BL  "
      " WHERE BP.BillID=BL.BillID ",
      " SELECT BI.* INTO bi_BillItem_Upload    FROM bi_BillItem AS BI,bi_Bill_Upload AS BL   WHERE "
      "BI.BillID=BL.BillID ",
      " SELECT SB.* INTO bi_SubBill_Upload    FROM bi_SubBill AS SB,bi_BillItem_Upload AS BI   "
      "WHERE SB.BillItemID=BI.BillItemID "};
  if (withUnCheck) {
    sql.insert(
        sql.end(),
        {" SELECT BU.* INTO bi_UnCheckBill_Upload    FROM bi_UnCheckBill AS BU, bi_Bill_Upload AS "
         "BL   WHERE BU.BillID=BL.BillID ",
         " SELECT BP.* INTO bi_UnCheckBillPayment_Upload    FROM bi_UnCheckBillPayment AS "
         "BP,bi_UnCheckBill_Upload AS BL   WHERE BP.UnCheckBillID=BL.UnCheckBillID ",
         " SELECT BI.* INTO bi_UnCheckBillItem_Upload    FROM bi_UnCheckBillItem AS "
         "BI,bi_UnCheckBill_Upload AS BL   WHERE BI.UnCheckBillID=BL.UnCheckBillID "});
  }
  if (withOctopus) {
    sql.emplace_back(
        " SELECT * INTO bi_OctopusPayment_Upload    FROM bi_OctopusPayment   WHERE IsUploaded=0 ");
  }
  sql.insert(sql.end(),
             {" SELECT SF.* INTO bi_Shift_Upload    FROM bi_Shift AS SF,bi_ShiftID_Upload AS SID   "
              "WHERE SF.ShiftID=SID.ShiftID ",
              " SELECT SS.* INTO bi_ShiftSum_Upload    FROM bi_ShiftSum AS SS,bi_ShiftID_Upload AS "
              "SID   WHERE SS.ShiftID=SID.ShiftID ",
              " SELECT SL.* INTO bi_ShiftLog_Upload    FROM bi_ShiftLog AS SL,bi_ShiftID_Upload AS "
              "SID   WHERE SL.ShiftID=SID.ShiftID "});
  return sql;
}

}  // namespace

cUploadBillEx::cUploadBillEx() : mTexts(ReadUploadBillTexts()) {}

std::string cUploadBillEx::BranchID() const {
  return ExchangeContext::Instance().Settings().GetSetting(kSettingBranchID, 0);
}

std::string cUploadBillEx::BranchName() const {
  return ExchangeContext::Instance().Settings().GetSetting(kSettingBranchName, 0);
}

std::string cUploadBillEx::Prefixed(std::string_view column) const {
  return "'" + storage::EscapeText(BranchID()) + "-'+" + std::string(column);
}

void cUploadBillEx::DropTables() {
  for (std::string_view table : kStagingTables) storage::DropTable(table);
}

bool cUploadBillEx::LoadData() noexcept {
  std::shared_ptr<db::Connection> connection;
  bool began = false;
  try {
    connection = ExchangeContext::Instance().Connection();
    if (!connection) return false;
    connection->BeginTrans(db::TransactionKind::Strict);
    began = true;
    DropTables();
    for (const std::string& sql : CopyStatements(storage::TableExists(kUnCheckBill),
                                                 storage::TableExists(kOctopusPayment))) {
      connection->Execute(sql);
    }
    connection->Execute(" UPDATE bi_Bill_Upload     SET BillID=" + Prefixed("BillID") +
                        ",         ShiftID=" + Prefixed("ShiftID") + ",IsUploaded=1 ");
    connection->Execute(" UPDATE bi_BillPayment_Upload     SET BillID=" + Prefixed("BillID") + " ");
    connection->Execute(" UPDATE bi_BillItem_Upload     SET BillID=" + Prefixed("BillID") +
                        ",         BillItemID=" + Prefixed("BillItemID") + " ");
    connection->Execute(" UPDATE bi_SubBill_Upload     SET BillItemID=" + Prefixed("BillItemID") +
                        ",         SubBillID=" + Prefixed("SubBillID") + " ");
    if (storage::TableExists(kUnCheckBill)) {
      connection->Execute(" UPDATE bi_UnCheckBill_Upload     SET BillID=" + Prefixed("BillID") +
                          ",         ShiftID=" + Prefixed("ShiftID") + ",IsUploaded=1 ");
      connection->Execute(
          " UPDATE bi_UnCheckBillPayment_Upload     SET BillID=" + Prefixed("BillID") + " ");
      connection->Execute(" UPDATE bi_UnCheckBillItem_Upload     SET BillID=" + Prefixed("BillID") +
                          ",         BillItemID=" + Prefixed("BillItemID") + " ");
    }
    if (storage::TableExists(kOctopusPayment)) {
      connection->Execute(" UPDATE bi_OctopusPayment_Upload     SET BillID=" + Prefixed("BillID") +
                          " ");
    }
    connection->Execute(" UPDATE bi_Shift_Upload     SET ShiftID=" + Prefixed("ShiftID") + " ");
    connection->Execute(" UPDATE bi_ShiftSum_Upload     SET ShiftID=" + Prefixed("ShiftID") + " ");
    connection->Execute(" UPDATE bi_ShiftLog_Upload     SET ShiftID=" + Prefixed("ShiftID") +
                        ",         ShiftLogID=" + Prefixed("ShiftLogID") + " ");
    connection->CommitTrans();
    return true;
  } catch (...) {
    IgnoreFailure([&] {
      if (began && connection->InTransaction()) connection->RollbackTrans();
    });
    return false;
  }
}

bool cUploadBillEx::LoadPackag(engine::Package& vPackage) {
  const UploadBillTexts& t = mTexts;
  engine::ExData& bills = vPackage.ExDatas().Add(
      "21. " + t.Msg_bi_Bill, " SELECT * FROM bi_Bill_Upload ", "bi_Bill", false, false);
  bills.Statements().Add(
      "21.1 " + t.Msg_bi_SubBill_Delete,
      "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID FROM bi_BillItem "
      "WHERE BillID='{BillID}')",
      kKindPerRow, 0);
  bills.Statements().Add("21.2 " + t.Msg_bi_BillItem_Delete,
                         "DELETE FROM bi_BillItem WHERE BillID='{BillID}'", kKindPerRow, 0);
  bills.Statements().Add("21.3 " + t.Msg_bi_BillPayment_Delete,
                         "DELETE FROM bi_BillPayment WHERE BillID='{BillID}'", kKindPerRow, 0);
  bills.Statements().Add("21.4 " + t.Msg_bi_Bill_Delete,
                         "DELETE FROM bi_Bill WHERE BillID='{BillID}'", kKindPerRow, 0);
  vPackage.ExDatas().Add("22. " + t.Msg_bi_BillPayment, " SELECT * FROM bi_BillPayment_Upload ",
                         "bi_BillPayment", false, false);
  vPackage.ExDatas().Add("23. " + t.Msg_bi_BillItem, " SELECT * FROM bi_BillItem_Upload ",
                         "bi_BillItem", false, false);
  vPackage.ExDatas().Add("24. " + t.Msg_bi_SubBill, " SELECT * FROM bi_SubBill_Upload ",
                         "bi_SubBill", false, false);

  if (storage::TableExists(kUnCheckBill)) {
    engine::ExData& unCheck = vPackage.ExDatas().Add("25. " + t.Msg_bi_UnCheckBill,
                                                     " SELECT * FROM bi_UnCheckBill_Upload ",
                                                     "bi_UnCheckBill", false, false);
    unCheck.Statements().Add("25.1 " + t.Msg_bi_UnCheckBill_Delete,
                             "DELETE FROM bi_UnCheckBill WHERE UnCheckBillID='{UnCheckBillID}'",
                             kKindPerRow, 0);
    unCheck.Statements().Add("25.2 " + t.Msg_bi_UnCheckBillItem_Delete,
                             "DELETE FROM bi_UnCheckBillItem WHERE UnCheckBillID='{UnCheckBillID}'",
                             kKindPerRow, 0);
    unCheck.Statements().Add(
        "25.3 " + t.Msg_bi_UnCheckBillPayment_Delete,
        "DELETE FROM bi_UnCheckBillPayment WHERE UnCheckBillID='{UnCheckBillID}'", kKindPerRow, 0);
    vPackage.ExDatas().Add("26. " + t.Msg_bi_UnCheckBillPayment,
                           " SELECT * FROM bi_UnCheckBillPayment_Upload ", "bi_UnCheckBillPayment",
                           false, false);
    vPackage.ExDatas().Add("27. " + t.Msg_bi_UnCheckBillItem,
                           " SELECT * FROM bi_UnCheckBillItem_Upload ", "bi_UnCheckBillItem", false,
                           false);
  }

  if (storage::TableExists(kOctopusPayment)) {
    engine::ExData& octopus = vPackage.ExDatas().Add("28. " + t.Msg_bi_OctopusPayment,
                                                     " SELECT * FROM bi_OctopusPayment_Upload ",
                                                     "bi_OctopusPayment", false, false);
    octopus.Statements().Add("28.1 " + t.Msg_bi_OctopusPayment_Delete,
                             "DELETE FROM bi_OctopusPayment WHERE BillID='{BillID}' AND "
                             "CardID='{CardID}' AND DeviceID='{DeviceID}' ",
                             kKindPerRow, 0);
    // Only the staged transactions: a POS terminal may have written more
    // since the upload set was built, and the package does not carry those.
    // A staged row is the live row with the same bill (prefixed in the
    // copy), card and device, the identity the receiving side replaces by.
    octopus.Statements().Add(
        "28.2  " + t.Msg_bi_OctopusPayment_Update,
        " UPDATE bi_OctopusPayment SET IsUploaded=1   WHERE IsUploaded=0 AND EXISTS (SELECT * "
        "FROM bi_OctopusPayment_Upload AS OU   WHERE (OU.BillID=" +
            Prefixed("bi_OctopusPayment.BillID") +
            " OR (OU.BillID IS NULL AND bi_OctopusPayment.BillID IS NULL)) AND "
            "(OU.CardID=bi_OctopusPayment.CardID OR (OU.CardID IS NULL AND "
            "bi_OctopusPayment.CardID IS NULL)) AND (OU.DeviceID=bi_OctopusPayment.DeviceID OR "
            "(OU.DeviceID IS NULL AND bi_OctopusPayment.DeviceID IS NULL))) ",
        kKindSource, 0);
  }

  engine::ExData& shifts = vPackage.ExDatas().Add(
      "31. " + t.Msg_bi_Shift, " SELECT * FROM bi_Shift_Upload ", "bi_Shift", false, false);
  shifts.Statements().Add("31.1 " + t.Msg_bi_ShiftSum_Delete,
                          "DELETE FROM bi_ShiftSum WHERE ShiftID='{ShiftID}'", kKindPerRow, 0);
  shifts.Statements().Add("31.2 " + t.Msg_bi_ShiftLog_Delete,
                          "DELETE FROM bi_ShiftLog WHERE ShiftID='{ShiftID}'", kKindPerRow, 0);
  shifts.Statements().Add("31.3 " + t.Msg_bi_Shift_Delete,
                          "DELETE FROM bi_Shift WHERE ShiftID='{ShiftID}'", kKindPerRow, 0);
  vPackage.ExDatas().Add("32. " + t.Msg_bi_ShiftSum, " SELECT * FROM bi_ShiftSum_Upload ",
                         "bi_ShiftSum", false, false);
  vPackage.ExDatas().Add("33. " + t.Msg_bi_ShiftLog, " SELECT * FROM bi_ShiftLog_Upload ",
                         "bi_ShiftLog", false, false);

  vPackage.Actions().Add(
      "28. " + t.Msg_bi_Bill_Update,
      " UPDATE bi_Bill SET IsUploaded=1    FROM bi_Bill,bi_BillID_Upload   WHERE "
      "bi_Bill.BillID=bi_BillID_Upload.BIllID ",
      kKindSource);
  return true;
}

}  // namespace tavex

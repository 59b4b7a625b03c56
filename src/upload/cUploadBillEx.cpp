#include "upload/cUploadBillEx.h"

#include "database/AsciiText.h"
#include "engine/SqlNames.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "i18n/HostConnection.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"
#include "upload/BillDeletes.h"

namespace tavex {

namespace {

using T = UploadBillTexts;

constexpr std::string_view kUnCheckBill = "bi_UnCheckBill";
constexpr std::string_view kOctopusPayment = "bi_OctopusPayment";
constexpr std::string_view kOctopusStaging = "bi_OctopusPayment_Upload";

// Octopus transactions have no key of their own, so the staging also keeps
// where each staged one lives (the backend's row identity) with its
// unprefixed bill, card and device: the mark after the transfer looks these
// rows up one by one instead of comparing every live row with every staged
// one. Never sent.
constexpr std::string_view kOctopusIdentity = "bi_OctopusPaymentID_Upload";

// The live table's row identity: stable while the row is unchanged. A row
// changed since the staging has a new one on PostgreSQL; either way the bill,
// card and device must still match.
std::string RowIdentity() {
  const std::shared_ptr<db::Connection> connection = RequireHostConnection();
  return connection->GetBackend() == db::Backend::Postgres ? "ctid" : "rowid";
}

// The table steps of the bill package, with the statements that replace an
// earlier copy of each incoming row on the receiving side.
constexpr std::array<UploadStep, 11> kSteps = {{
    {.number = "21. ",
     .text = &T::Msg_bi_Bill,
     .source = " SELECT * FROM bi_Bill_Upload ",
     .table = "bi_Bill",
     .perRow = kBillDeletes},
    {.number = "22. ",
     .text = &T::Msg_bi_BillPayment,
     .source = " SELECT * FROM bi_BillPayment_Upload ",
     .table = "bi_BillPayment"},
    {.number = "23. ",
     .text = &T::Msg_bi_BillItem,
     .source = " SELECT * FROM bi_BillItem_Upload ",
     .table = "bi_BillItem"},
    {.number = "24. ",
     .text = &T::Msg_bi_SubBill,
     .source = " SELECT * FROM bi_SubBill_Upload ",
     .table = "bi_SubBill"},
    {.number = "25. ",
     .text = &T::Msg_bi_UnCheckBill,
     .source = " SELECT * FROM bi_UnCheckBill_Upload ",
     .table = "bi_UnCheckBill",
     .perRow = kUnCheckBillDeletes,
     .onlyWith = kUnCheckBill},
    {.number = "26. ",
     .text = &T::Msg_bi_UnCheckBillPayment,
     .source = " SELECT * FROM bi_UnCheckBillPayment_Upload ",
     .table = "bi_UnCheckBillPayment",
     .onlyWith = kUnCheckBill},
    {.number = "27. ",
     .text = &T::Msg_bi_UnCheckBillItem,
     .source = " SELECT * FROM bi_UnCheckBillItem_Upload ",
     .table = "bi_UnCheckBillItem",
     .onlyWith = kUnCheckBill},
    {.number = "28. ",
     .text = &T::Msg_bi_OctopusPayment,
     .source = " SELECT * FROM bi_OctopusPayment_Upload ",
     .table = "bi_OctopusPayment",
     .perRow = kOctopusDeletes,
     .onlyWith = kOctopusPayment},
    {.number = "31. ",
     .text = &T::Msg_bi_Shift,
     .source = " SELECT * FROM bi_Shift_Upload ",
     .table = "bi_Shift",
     .perRow = {{{"31.1 ", &T::Msg_bi_ShiftSum_Delete,
                  "DELETE FROM bi_ShiftSum WHERE ShiftID='{ShiftID}'"},
                 {"31.2 ", &T::Msg_bi_ShiftLog_Delete,
                  "DELETE FROM bi_ShiftLog WHERE ShiftID='{ShiftID}'"},
                 {"31.3 ", &T::Msg_bi_Shift_Delete,
                  "DELETE FROM bi_Shift WHERE ShiftID='{ShiftID}'"}}}},
    {.number = "32. ",
     .text = &T::Msg_bi_ShiftSum,
     .source = " SELECT * FROM bi_ShiftSum_Upload ",
     .table = "bi_ShiftSum"},
    {.number = "33. ",
     .text = &T::Msg_bi_ShiftLog,
     .source = " SELECT * FROM bi_ShiftLog_Upload ",
     .table = "bi_ShiftLog"},
}};

}  // namespace

cUploadBillEx::cUploadBillEx() : mTexts(ReadUploadBillTexts()) {}

std::string cUploadBillEx::BranchID() const {
  return ExchangeContext::Instance().Settings().GetSetting(kSettingBranchID, 0);
}

std::string cUploadBillEx::BranchName() const {
  return ExchangeContext::Instance().Settings().GetSetting(kSettingBranchName, 0);
}

void cUploadBillEx::DropTables() {
  DropStagingTables(kStagingTables);
  storage::DropTable(kOctopusIdentity);
}

bool cUploadBillEx::LoadData() noexcept {
  return StageSet(
      [&](db::Connection& connection) {
        // The identities must be those of exactly the staged transactions:
        // one transaction with their copy.
        FillStagingTables(connection, kStagingTables, BranchID(), {},
                          [&](const StagingTable& table) {
                            if (table.name != kOctopusStaging) return;
                            if (storage::TableExists(connection, kOctopusIdentity)) {
                              storage::DropTable(connection, kOctopusIdentity);
                            }
                            connection.Execute(" SELECT " + RowIdentity() +
                                               " AS LiveRowID,BillID,CardID,DeviceID INTO " +
                                               std::string(kOctopusIdentity) +
                                               "    FROM bi_OctopusPayment   WHERE IsUploaded=0 ");
                          });
        return true;
      },
      [this] { DropTables(); }, mFailure);
}

bool cUploadBillEx::LoadPackag(engine::Package& vPackage) {
  AddUploadSteps(vPackage, kSteps, mTexts, [&](const UploadStep& step, engine::ExData& added) {
    if (step.table != kOctopusPayment) return;
    // Only the staged transactions: a POS terminal may have written more
    // since the upload set was built, even for the same bill, card and
    // device, and the package does not carry those.
    const std::string staged = std::string(kOctopusIdentity) + ".";
    std::string sameRow = "bi_OctopusPayment." + RowIdentity() + "=" + staged + "LiveRowID";
    for (const char* column : {"BillID", "CardID", "DeviceID"}) {
      sameRow += std::string(" AND bi_OctopusPayment.") + column + " IS NOT DISTINCT FROM " +
                 staged + column;
    }
    added.Statements().Add("28.2  " + mTexts.Msg_bi_OctopusPayment_Update,
                           " UPDATE bi_OctopusPayment SET IsUploaded=1    FROM bi_OctopusPayment," +
                               std::string(kOctopusIdentity) +
                               "   WHERE bi_OctopusPayment.IsUploaded=0 AND " + sameRow + " ",
                           engine::kKindSource, 0);
  });
  // Every staged copy came through the id list, so the copies alone say
  // which bills to mark. Each copy finds its live bill through bi_Bill's key
  // (the staged key without the prefix): the embedded database then reads
  // the staged bills once instead of indexing all their columns first.
  vPackage.Actions().Add("28. " + mTexts.Msg_bi_Bill_Update,
                         " UPDATE bi_Bill SET IsUploaded=1    FROM bi_Bill,bi_Bill_Upload   WHERE "
                         "bi_Bill.BillID=" +
                             BranchUnprefixed(BranchID(), "bi_Bill_Upload.BillID") + " AND " +
                             SameAsStagedBill(),
                         engine::kKindSource);
  return true;
}

std::string cUploadBillEx::SameAsStagedBill() const {
  // A bill settled again while the run sends the package (a reversed
  // checkout) must stay unsent: the package carries its earlier state.
  const std::shared_ptr<db::Connection> connection = RequireHostConnection();
  const std::string branchId = BranchID();
  std::string same = "bi_Bill_Upload.BillID=" + BranchPrefixed(branchId, "bi_Bill.BillID") +
                     " AND bi_Bill_Upload.ShiftID IS NOT DISTINCT FROM " +
                     BranchPrefixed(branchId, "bi_Bill.ShiftID");
  for (const db::Column& column : engine::TableColumns(*connection, "bi_Bill")) {
    if (EqualsNoCase(column.name, "BillID") || EqualsNoCase(column.name, "ShiftID") ||
        EqualsNoCase(column.name, "IsUploaded")) {
      continue;
    }
    const std::string name = engine::QuoteName(column.name);
    same += " AND bi_Bill." + name + " IS NOT DISTINCT FROM bi_Bill_Upload." + name;
  }
  return same + " ";
}

}  // namespace tavex

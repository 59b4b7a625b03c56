#include "upload/cUploadBill.h"

#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "storage/DatabaseHelpers.h"
#include "upload/BillDeletes.h"

namespace tavex {

namespace {

using T = UploadBillTexts;

constexpr std::string_view kUnCheckBill = "bi_UnCheckBill";
constexpr std::string_view kOctopusPayment = "bi_OctopusPayment";
constexpr std::string_view kRangeHasBills =
    " SELECT TOP 1 BillID FROM bi_Bill  WHERE BillDate>=? AND BillDate<? ";

constexpr std::array<UploadStep, 8> kSteps = {{
    {.number = "21. ",
     .text = &T::Msg_bi_Bill,
     .source = " SELECT * FROM bi_Bill_Upload_Date ",
     .table = "bi_Bill",
     .perRow = kBillDeletes},
    {.number = "22. ",
     .text = &T::Msg_bi_BillPayment,
     .source = " SELECT * FROM bi_BillPayment_Upload_Date ",
     .table = "bi_BillPayment"},
    {.number = "23. ",
     .text = &T::Msg_bi_BillItem,
     .source = " SELECT * FROM bi_BillItem_Upload_Date ",
     .table = "bi_BillItem"},
    {.number = "24. ",
     .text = &T::Msg_bi_SubBill,
     .source = " SELECT * FROM bi_SubBill_Upload_Date ",
     .table = "bi_SubBill"},
    {.number = "25. ",
     .text = &T::Msg_bi_UnCheckBill,
     .source = " SELECT * FROM bi_UnCheckBill_Upload_Date ",
     .table = "bi_UnCheckBill",
     .perRow = kUnCheckBillDeletes,
     .onlyWith = kUnCheckBill},
    {.number = "26. ",
     .text = &T::Msg_bi_UnCheckBillPayment,
     .source = " SELECT * FROM bi_UnCheckBillPayment_Upload_Date ",
     .table = "bi_UnCheckBillPayment",
     .onlyWith = kUnCheckBill},
    {.number = "27. ",
     .text = &T::Msg_bi_UnCheckBillItem,
     .source = " SELECT * FROM bi_UnCheckBillItem_Upload_Date ",
     .table = "bi_UnCheckBillItem",
     .onlyWith = kUnCheckBill},
    {.number = "28. ",
     .text = &T::Msg_bi_OctopusPayment,
     .source = " SELECT * FROM bi_OctopusPayment_Upload_Date ",
     .table = "bi_OctopusPayment",
     .perRow = kOctopusDeletes,
     .onlyWith = kOctopusPayment},
}};

}  // namespace

cUploadBill::cUploadBill() : mTexts(ReadUploadBillTexts()) {}

std::string cUploadBill::BranchID() const {
  return ExchangeContext::Instance().Settings().GetSetting(kSettingBranchID, 0);
}

std::string cUploadBill::BranchName() const {
  return ExchangeContext::Instance().Settings().GetSetting(kSettingBranchName, 0);
}

void cUploadBill::DropTables() { DropStagingTables(kStagingTables); }

bool cUploadBill::LoadData(std::chrono::year_month_day begin,
                           std::chrono::year_month_day end) noexcept {
  return StageSet(
      [&](db::Connection& connection) {
        const db::Params range{storage::DayParam(begin), storage::DayParam(storage::RangeEnd(end))};
        // A range without bills makes no set and leaves the earlier one as
        // it was.
        if (!connection.Query(std::string(kRangeHasBills), range)->Next()) return false;
        if (FillStagingTables(connection, kStagingTables, BranchID(), range)) return true;
        // The range's bills went meanwhile.
        DropTables();
        return false;
      },
      [this] { DropTables(); }, mFailure);
}

bool cUploadBill::LoadPackag(engine::Package& vPackage) {
  AddUploadSteps(vPackage, kSteps, mTexts, {});
  return true;
}

}  // namespace tavex

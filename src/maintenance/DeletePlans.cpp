#include "maintenance/DeletePlans.h"

#include <algorithm>

#include "i18n/TextTable.h"
#include "storage/DatabaseHelpers.h"

namespace tavex {

namespace {

// The open bills live in twins of the settled bills' tables: "bi_Bill" is
// "bi_TempBill", and so on.
std::string OpenBillTwin(std::string sql) {
  for (std::size_t at = sql.find("bi_"); at != std::string::npos; at = sql.find("bi_", at + 7)) {
    sql.replace(at, 3, "bi_Temp");
  }
  return sql;
}

}  // namespace

std::optional<DateRange> DeleteDays(std::chrono::year_month_day first,
                                    std::chrono::year_month_day last) {
  if (first > last) return std::nullopt;
  return DateRange{first, storage::RangeEnd(last)};
}

namespace {

constexpr TextRow<BusinessDeleteTexts> kBusinessDeleteRows[] = {
    {"Msg_DateTimeOutOfRange", "开始时间不能大于结束时间！",
     &BusinessDeleteTexts::Msg_DateTimeOutOfRange},
    {"Msg_prn_PrintJob", "打印任务表", &BusinessDeleteTexts::Msg_prn_PrintJob},
    {"Msg_prn_PrintJobItem", "打印任务明细表", &BusinessDeleteTexts::Msg_prn_PrintJobItem},
    {"Msg_bi_Bill", "消费账单表", &BusinessDeleteTexts::Msg_bi_Bill},
    {"Msg_bi_BillPayment", "支付明细表", &BusinessDeleteTexts::Msg_bi_BillPayment},
    {"Msg_bi_BillItem", "消费明细表", &BusinessDeleteTexts::Msg_bi_BillItem},
    {"Msg_bi_SubBill", "分单明细表", &BusinessDeleteTexts::Msg_bi_SubBill},
    {"Msg_bi_SubItem", "做法明细表", &BusinessDeleteTexts::Msg_bi_SubItem},
    {"Msg_bi_BillLog", "操作明细表", &BusinessDeleteTexts::Msg_bi_BillLog},
    {"Msg_Unsent", "有 ", &BusinessDeleteTexts::Msg_Unsent_Left, "Left"},
    {"Msg_Unsent", " 张账单尚未上传到总部，确定要删除吗？", &BusinessDeleteTexts::Msg_Unsent_Right,
     "Right"},
};

const TextTable<BusinessDeleteTexts> kBusinessDeleteTexts({"frmDelete"}, kBusinessDeleteRows);

}  // namespace

BusinessDeleteTexts ReadBusinessDeleteTexts() { return kBusinessDeleteTexts.Read(); }

DeletePlan BusinessDeletePlan(const BusinessDeleteTexts& texts, BusinessDeleteKind kind) {
  DeletePlan plan;
  if (kind == BusinessDeleteKind::PrintJobs) {
    plan.tables = {{texts.Msg_prn_PrintJob, "DELETE FROM prn_PrintJob"},
                   {texts.Msg_prn_PrintJobItem, "DELETE FROM prn_PrintJobItem"}};
    return plan;
  }
  const bool ranged = kind == BusinessDeleteKind::SettledInRange;
  std::string items, bills, dates;
  if (ranged) {
    items = std::string(" WHERE BillItemID IN ") +
            "(SELECT BI.BillItemID FROM bi_Bill AS BL, bi_BillItem AS BI " +
            " WHERE BL.BillID=BI.BillID AND BL.BillDate>=? AND BL.BillDate<?) ";
    bills = std::string(" WHERE BillID IN (SELECT BillID FROM bi_Bill ") +
            " WHERE BillDate>=? AND BillDate<?) ";
    dates = " WHERE BillDate>=? AND BillDate<? ";
  }
  plan.tables = {
      {texts.Msg_bi_SubBill, "DELETE FROM bi_SubBill" + items, ranged},
      {texts.Msg_bi_SubItem, "DELETE FROM bi_SubItem" + items, ranged},
      {texts.Msg_bi_BillLog, "DELETE FROM bi_BillLog" + bills, ranged},
      {texts.Msg_bi_BillItem, "DELETE FROM bi_BillItem" + bills, ranged},
      {texts.Msg_bi_BillPayment, "DELETE FROM bi_BillPayment" + bills, ranged},
      {texts.Msg_bi_Bill, " DELETE FROM bi_Bill " + dates, ranged},
  };
  if (kind == BusinessDeleteKind::AllOpen) {
    for (TableDeletion& table : plan.tables) table.sql = OpenBillTwin(table.sql);
    plan.afterwards = {"UPDATE tb_Table SET TableState=0"};
    return plan;
  }
  // Settled bills that head office has not received would be lost with them.
  plan.unsentCount = "SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0" +
                     std::string(ranged ? " AND BillDate>=? AND BillDate<?" : "");
  plan.unsentCountRanged = ranged;
  return plan;
}

DeletePlan BaseDataDeletePlan(const BaseDataTexts& catalogue, const std::vector<int>& groups) {
  DeletePlan plan;
  plan.barMax = 0;
  for (int group = 1; group <= kBaseDataGroupCount; ++group) {
    if (std::find(groups.begin(), groups.end(), group) == groups.end()) continue;
    ++plan.barMax;
    for (std::size_t i = 0; i < kBaseDataTables.size(); ++i) {
      const BaseDataTable& table = kBaseDataTables[i];
      if (table.group != group) continue;
      // The built-in payment subject and its type stay: the tills need them.
      std::string keep;
      if (std::string_view(table.table) == "dd_Subject") keep = " where SubjectID     <> '10101' ";
      if (std::string_view(table.table) == "dd_SubjectType") {
        keep = " where SubjectTypeID <> '101'   ";
      }
      plan.tables.push_back(
          {catalogue.TableCaption(i), " DELETE FROM [" + std::string(table.table) + "] " + keep});
    }
  }
  return plan;
}

namespace {

constexpr TextRow<BaseDataDeleteTexts> kBaseDataDeleteRows[] = {
    {"Msg_ToSelect", "请选择要删除的基础数据类型！", &BaseDataDeleteTexts::Msg_ToSelect},
};

const TextTable<BaseDataDeleteTexts> kBaseDataDeleteTexts({"frmDDDelete"}, kBaseDataDeleteRows);

}  // namespace

BaseDataDeleteTexts ReadBaseDataDeleteTexts() {
  BaseDataDeleteTexts texts = kBaseDataDeleteTexts.Read();
  texts.catalogue = ReadBaseDataTexts("frmDDDelete");
  return texts;
}

namespace {

constexpr TextRow<StockDeleteTexts> kStockDeleteRows[] = {
    {"Msg_DateTimeOutOfRange", "开始时间不能大于结束时间！",
     &StockDeleteTexts::Msg_DateTimeOutOfRange},
    {"Msg_st_Bill", "进销存单据", &StockDeleteTexts::Msg_st_Bill},
    {"Msg_st_BillItem", "进销存明细", &StockDeleteTexts::Msg_st_BillItem},
    {"Msg_Unsent", "有 ", &StockDeleteTexts::Msg_Unsent_Left, "Left"},
    {"Msg_Unsent", " 张单据尚未上传到总部，确定要删除吗？", &StockDeleteTexts::Msg_Unsent_Right,
     "Right"},
};

const TextTable<StockDeleteTexts> kStockDeleteTexts({"frmStDelete"}, kStockDeleteRows);

}  // namespace

StockDeleteTexts ReadStockDeleteTexts() {
  StockDeleteTexts texts = kStockDeleteTexts.Read();
  texts.masterTables = ReadStockMasterTexts("frmStDelete");
  return texts;
}

bool StockBillsHaveUploadFlag(db::Connection& host) {
  return host.Query("SELECT * FROM st_Bill WHERE 1=0")->FindColumn("Uploaded").has_value();
}

DeletePlan StockDeletePlan(const StockDeleteTexts& texts, StockBackupKind kind, bool uploadFlag) {
  DeletePlan plan;
  if (kind == StockBackupKind::MasterTables) {
    for (std::size_t i = 0; i < kStockMasterTables.size(); ++i) {
      plan.tables.push_back(
          {texts.masterTables.at(i), "DELETE FROM " + std::string(kStockMasterTables[i])});
    }
    return plan;
  }
  const bool ranged = kind == StockBackupKind::DocumentsInRange;
  std::string lines, dates;
  if (ranged) {
    lines = std::string(" WHERE BillID IN (SELECT BillID FROM st_Bill ") +
            " WHERE BillDate>=? AND BillDate<?) ";
    dates = " WHERE BillDate>=? AND BillDate<? ";
  }
  plan.tables = {{texts.Msg_st_BillItem, "DELETE FROM st_BillItem" + lines, ranged},
                 {texts.Msg_st_Bill, " DELETE FROM st_Bill " + dates, ranged}};
  if (uploadFlag) {
    // A boolean on some hosts, an integer on others; never set is not sent.
    plan.unsentCount = "SELECT COUNT(*) FROM st_Bill WHERE (Uploaded IS NULL OR NOT Uploaded)" +
                       std::string(ranged ? " AND BillDate>=? AND BillDate<?" : "");
    plan.unsentCountRanged = ranged;
  }
  return plan;
}

}  // namespace tavex

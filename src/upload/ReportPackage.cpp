#include "upload/ReportPackage.h"

#include <chrono>
#include <variant>

#include "database/StatementRewriter.h"
#include "database/Values.h"
#include "i18n/HostConnection.h"
#include "storage/DatabaseHelpers.h"
#include "storage/LocalTime.h"
#include "upload/cUploadBill.h"

namespace tavex {

namespace {

namespace chrono = std::chrono;
using storage::EscapeText;

// A day as "yyyymmdd": the only thing that goes into a day table's name.
std::string DayStem(chrono::year_month_day day) { return DayText(day, "%Y%m%d"); }

// Every day of `range`, in order.
std::vector<chrono::year_month_day> Days(const DayRange& range) {
  std::vector<chrono::year_month_day> days;
  for (chrono::sys_days day = range.first; day <= chrono::sys_days(range.last);
       day += chrono::days(1)) {
    days.emplace_back(day);
  }
  return days;
}

// A stored business date as "yyyy-mm-dd HH:MM:SS".
std::string DateTimeText(const db::Value& value) {
  const std::string text = db::ValueText(value);
  return db::IsDateOnlyText(text) ? text + " 00:00:00" : text;
}

// Rebuilds a daily report's working table from the bills of `range`; false
// when that fails (silently) or finds nothing (after `none`).
bool BuildDailyReport(std::string_view table, std::string_view sql, const DayRange& range,
                      const std::string& none, const AddLineFn& addLine) {
  storage::DropTable(table);
  std::int64_t rows = 0;
  try {
    rows = RequireHostConnection()->Execute(
        sql, {storage::DayParam(range.first), storage::DayParam(storage::RangeEnd(range.last))});
  } catch (const db::DbError&) {
    return false;
  }
  if (rows == 0) {
    addLine(none);
    return false;
  }
  return true;
}

// Adds a daily report's step over its working table, with one statement
// per branch and day in it that drops the receiving side's earlier copy.
void AddDailyReportStep(engine::Package& package, const std::string& number,
                        const std::string& caption, const std::string& deleteCaption,
                        const std::string& table, const std::string& target) {
  engine::ExData& step = package.ExDatas().Add(
      number + ". " + caption, " SELECT * FROM [" + table + "] ", target, false, false);
  const auto days = RequireHostConnection()->Query(
      " SELECT DISTINCT BranchID,BranchName,BillDate FROM [" + table + "] ");
  for (int k = 1; days->Next(); ++k) {
    step.Statements().Add(
        number + "." + std::to_string(k) + " " + deleteCaption,
        " DELETE FROM [" + target + "]  WHERE BillDate =   '" +
            EscapeText(DateTimeText(days->Get("BillDate"))) + "' AND        BranchID =   '" +
            EscapeText(db::ValueText(days->Get("BranchID"))) + "'  AND        BranchName = '" +
            EscapeText(db::ValueText(days->Get("BranchName"))) + "'  ",
        engine::kKindBeforeStep, 0);
  }
}

constexpr std::string_view kSalesSql =
    " SELECT      BI.MenuID,BI.MenuName,      BI.MenuUnitID,BI.MenuUnitName,      "
    "BI.MenuTypeID,BI.MenuTypeName,      BI.DepartTypeID,BI.DepartTypeName,      "
    "BI.DepartID,BI.DepartName,      SUM(BI.AmountOrder-BI.AmountCancel) AS theAmount,      "
    "SUM(BI.SumOfConsume) AS theConsume,SUM(BI.SumOfService) AS theService,      "
    "SUM(BI.SumForDiscount) AS theDiscount,      BranchID,BranchName,BL.BillDate  INTO "
    "[rp_BillItem_Temp]  FROM bi_Bill AS BL, bi_BillItem AS BI  WHERE BL.BillID = BI.BillID AND "
    "BL.BillDate>=? AND BL.BillDate<?  GROUP BY      BI.MenuID,BI.MenuName,      "
    "BI.MenuUnitID,BI.MenuUnitName,      BI.MenuTypeID,BI.MenuTypeName,      "
    "BI.DepartTypeID,BI.DepartTypeName,      BI.DepartID,BI.DepartName,      "
    "BranchID,BranchName,BL.BillDate ";

constexpr std::string_view kCashierSql =
    " SELECT      BP.SubjectID,BP.SubjectName,BP.ExchangeRate,      SUM(BP.PaySum) AS "
    "thePaySum,SUM(BP.SumPaid) AS theSumPaid,      BranchID,BranchName,BL.BillDate  INTO "
    "[rp_BillPayment_Temp]  FROM bi_Bill AS BL, bi_BillPayment AS BP  WHERE BL.BillID=BP.BillID "
    "AND BL.BillDate>=? AND BL.BillDate<?  GROUP BY      BP.SubjectID,BP.SubjectName,"
    "BP.ExchangeRate,      BranchID,BranchName,BL.BillDate ";

void AddDailyReports(engine::Package& package, const ReportChoice& choice, const ReportTexts& texts,
                     const AddLineFn& addLine) {
  if (BuildDailyReport("rp_BillItem_Temp", kSalesSql, choice.reports, texts.Msg_rp_BillItem_None,
                       addLine)) {
    AddDailyReportStep(package, "11", texts.Msg_rp_BillItem, texts.Msg_rp_BillItem_Delete,
                       "rp_BillItem_Temp", "rp_BillItem_Upload");
  }
  if (BuildDailyReport("rp_BillPayment_Temp", kCashierSql, choice.reports,
                       texts.Msg_rp_BillPayment_None, addLine)) {
    AddDailyReportStep(package, "12", texts.Msg_rp_BillPayment, texts.Msg_rp_BillPayment_Delete,
                       "rp_BillPayment_Temp", "rp_BillPayment_Upload");
  }
  if (choice.withBills) {
    cUploadBill bills;
    if (bills.LoadData(choice.reports.first, choice.reports.last)) {
      bills.LoadPackag(package);
    } else if (!bills.Failure().empty()) {
      // The package would silently lack the bills it was asked to carry.
      throw db::DbError(bills.Failure());
    }
  }
}

// The number of stock items on hand; a table that cannot be read has none.
std::int64_t InventoryCount() {
  try {
    return db::CountOf(*RequireHostConnection(), " SELECT COUNT(*) FROM st_Inventory_Full ");
  } catch (const db::DbError&) {
    return 0;
  }
}

void AddInventory(engine::Package& package, const ReportTexts& texts, const std::string& id,
                  const std::string& name) {
  package.ExDatas()
      .Add("31. " + texts.Msg_st_Inventory,
           " SELECT *,        '" + id + "' AS BranchID,        '" + name +
               "' AS BranchName  FROM st_Inventory_Full ",
           "rp_Inventory_Upload", false, false)
      .Statements()
      .Add("31.1 " + texts.Msg_st_Inventory_Delete,
           " DELETE FROM [rp_Inventory_Upload]  WHERE BranchID =   '" + id +
               "'  AND        BranchName = '" + name + "'  ",
           engine::kKindBeforeStep, 0);
}

void AddStockDocuments(engine::Package& package, const DayRange& range, const ReportTexts& texts,
                       const std::string& id, const std::string& name) {
  const std::string provider = storage::GetProvider();
  const std::string d1 = storage::DayText(range.first);
  const std::string d2 = storage::DayText(storage::RangeEnd(range.last));
  const std::string documents = storage::ForProvider(
      " WHERE BillDate >= #" + d1 + "#      AND BillDate <  #" + d2 + "# ", provider);
  engine::ExData& step = package.ExDatas().Add(
      "41. " + texts.Msg_st_Bill,
      " SELECT       ('" + id + "-' + BL.BillID) AS BillID,         BillIDEx,BillTypeID,        '" +
          name +
          "' AS StockName,         [From],[Into],Summary,         "
          "InOutFlag,TotalQty,TotalSum,ReferFlag,ReferBillID,BillYear,         "
          "BillMonth,BillDay,BillDate,CreatePerson,CreateTime,Audited,         "
          "AuditPerson,AuditTime,Archived,ArchivePerson,ArchiveTime,         "
          "Deleted,DeletePerson,DeleteTime,         Uploaded,UploadPerson,UploadTime,Remark  FROM "
          "st_Bill AS BL " +
          documents,
      "st_Bill", false, false);
  step.Statements().Add("41.1 " + texts.Msg_st_Bill_Delete,
                        "DELETE FROM st_Bill WHERE BillID='{BillID}'", engine::kKindPerRow, 0);
  step.Statements().Add("41.2 " + texts.Msg_st_BillItem_Delete,
                        "DELETE FROM st_BillItem WHERE BillID='{BillID}'", engine::kKindPerRow, 0);
  const std::string lines =
      storage::ForProvider(" WHERE BI.BillID = BL.BillID    AND BL.BillDate >= #" + d1 +
                               "#      AND BL.BillDate <  #" + d2 + "# ",
                           provider);
  package.ExDatas().Add("42. " + texts.Msg_st_BillItem,
                        " SELECT       ('" + id +
                            "-' + BI.BillID) AS BillID,         BI.RowNum,BI.ItemID,BI.ItemName,"
                            "BI.Spec,         BI.ItemTypeID,BI.ItemTypeName,BI.StockType,         "
                            "BI.Unit,BI.UnitPrice,BI.TotalQty,BI.TotalSum,         "
                            "BI.BalanceQty,BI.BalanceSum,BI.Remark  FROM st_BillItem AS BI, "
                            "st_Bill AS BL " +
                            lines,
                        "st_BillItem", false, false);
}

// One of a day table's two quantities: `selected` gives it per ItemID from
// `from`, whose "?" is the day.
struct DayQuantity {
  const char* column;
  const char* selected;
  const char* from;
};

constexpr DayQuantity kActualUse = {
    "QtyUse", "ItemID,sum(theQty) as QtyUse",
    "st_BillItem_ByDepartment     where BillDate=?  group by ItemID"};
constexpr DayQuantity kBomUse = {
    "QtyBom", "mb.ItemID,           sum(mb.UseAmount*(bi.AmountOrder-bi.AmountCancel)) as QtyBom",
    "mn_BOM as mb,bi_BillItem as bi, bi_Bill as bl     where mb.MenuID=bi.MenuID and "
    "bi.BillID=bl.BillID and           bl.BillDate=?  group by mb.ItemID"};

// Fills `quantity` of the day table, as the backend's UPDATE takes it: on
// the file database through a work table, on the server database from a
// derived table. False when the statement reading the quantities fails.
bool FillDayQuantity(db::Connection& host, int kind, const std::string& dayTable,
                     const std::string& workTable, const DayQuantity& quantity,
                     const db::Params& day) {
  const std::string column = quantity.column;
  if (kind == storage::kKindAccess) {
    storage::DropTable(host, workTable);
    if (!storage::ExecuteCommand(host,
                                 "   select " + std::string(quantity.selected) + "      into " +
                                     workTable + "     from " + quantity.from + " ",
                                 day)) {
      return false;
    }
    host.Execute(" update " + dayTable + " as t,         " + workTable + "  as v       set t." +
                 column + "=v." + column + "       where t.ItemID=v.ItemID  ");
    storage::DropTable(host, workTable);
    return true;
  }
  return storage::ExecuteCommand(
      host,
      " update " + dayTable + "     set " + column + "=theView." + column + "  from (    select " +
          quantity.selected + "      from " + quantity.from + " ) as theView,           " +
          dayTable + " as theBOM     where theBOM.ItemID=theView.ItemID ",
      day);
}

// Builds the day table of `day`: every stock item with what was used of it
// that day and what the day's bills should have used by their menus' bills
// of materials. False, with the table dropped, when that fails.
bool BuildDayTable(chrono::year_month_day day, const std::string& id, const std::string& name) {
  const std::string dayTable = "st_BOM_" + DayStem(day);
  const std::string workTable = "st_View_" + DayStem(day);
  const db::Params dayParam{storage::DayParam(day)};
  try {
    const std::shared_ptr<db::Connection> host = RequireHostConnection();
    storage::DropTable(dayTable);
    host->Execute(
        "   select b.BillDate, d.BranchID, d.BranchName,           "
        "s.ItemID,s.ItemName,s.Unit,s.Spec,           s.ItemTypeID,s.ItemTypeName,           "
        "b.TotalQty AS QtyUse, b.TotalQty AS QtyBom      into " +
        dayTable + "     from st_Bill as b, dd_Branch as d, st_StockItem as s     where 1<>1 ");
    host->Execute(" insert into " + dayTable +
                  "   select 0 as BillDate,'' as BranchID,'' as BranchName,           "
                  "ItemID,ItemName,Unit,Spec,           ItemTypeID,ItemTypeName,           0 AS "
                  "QtyUse, 0 AS QtyBom      from st_StockItem  order by ItemID ");
    const int kind = storage::GetDatabaseKind(host);
    const bool built =
        storage::ExecuteCommand(" update " + dayTable + "   set BillDate=?,        BranchID='" +
                                    id + "',        BranchName='" + name + "' ",
                                dayParam) &&
        FillDayQuantity(*host, kind, dayTable, workTable, kActualUse, dayParam) &&
        FillDayQuantity(*host, kind, dayTable, workTable, kBomUse, dayParam);
    if (!built) storage::DropTable(dayTable);
    return built;
  } catch (const db::DbError&) {
    return false;
  }
}

bool AddConsumption(engine::Package& package, const DayRange& range, const ReportTexts& texts,
                    const std::string& id, const std::string& name, const AddLineFn& addLine) {
  const std::vector<chrono::year_month_day> days = Days(range);
  for (const chrono::year_month_day day : days) {
    addLine(texts.Msg_st_BOM_Loading + "st_BOM_" + DayStem(day));
    if (!BuildDayTable(day, id, name)) return false;
  }
  std::string source;
  for (const chrono::year_month_day day : days) {
    source += (source.empty() ? "" : " UNION ALL ") + std::string(" SELECT * FROM st_BOM_") +
              DayStem(day);
  }
  if (source.empty()) return true;
  engine::ExData& step =
      package.ExDatas().Add("43. " + texts.Msg_st_BOM, source, "st_BOM", false, false);
  for (const chrono::year_month_day day : days) {
    step.Statements().Add("43." + DayStem(day) + " " + texts.Msg_st_BOM_Delete,
                          " DELETE FROM st_BOM  WHERE BillDate='" + storage::DayText(day) +
                              "'  AND BranchID='" + id + "' ",
                          engine::kKindBeforeStep, 0);
  }
  return true;
}

}  // namespace

bool DefineReportPackage(engine::Package& package, const ReportChoice& choice,
                         const ReportTexts& texts, const std::string& branchId,
                         const std::string& branchName, const AddLineFn& addLine) {
  package.PackageID(texts.Msg_PackageName_Left + branchName + texts.Msg_PackageName_Right +
                    NowText());
  package.Description(branchName);
  // The branch identity goes into statement texts as literals only.
  const std::string id = EscapeText(branchId);
  const std::string name = EscapeText(branchName);
  if (choice.dailyReports) AddDailyReports(package, choice, texts, addLine);
  if (choice.inventory) {
    if (InventoryCount() == 0) {
      addLine(texts.Msg_st_Inventory_None);
      return false;
    }
    AddInventory(package, texts, id, name);
  }
  if (choice.stockDocuments) AddStockDocuments(package, choice.stock, texts, id, name);
  if (choice.consumption && !AddConsumption(package, choice.stock, texts, id, name, addLine)) {
    return false;
  }
  return true;
}

}  // namespace tavex

#include "maintenance/BackupDefinitions.h"

#include <algorithm>

#include "i18n/TextTable.h"
#include "storage/DatabaseHelpers.h"
#include "storage/LocalTime.h"

namespace tavex {

namespace {

// A table step copying every row, emptied on restore before its rows arrive.
void AddWholeTable(engine::Package& package, const std::string& caption, const std::string& table,
                   const std::string& deleteSuffix) {
  package.ExDatas()
      .Add(caption, " SELECT * FROM [" + table + "] ", table, false, false)
      .Statements()
      .Add(caption + deleteSuffix, " DELETE   FROM [" + table + "] ", engine::kKindBeforeStep, 0);
}

}  // namespace

namespace {

constexpr TextRow<BusinessBackupTexts> kBusinessBackupRows[] = {
    {"Msg_ExportData", "导出数据失败!", &BusinessBackupTexts::Msg_ExportData_Fault, "Fault"},
    {"Msg_PackageName", "业务数据备份", &BusinessBackupTexts::Msg_PackageName},
    {"Msg_bi_Bill", "消费账单表", &BusinessBackupTexts::Msg_bi_Bill},
    {"Msg_bi_Bill", "删除重复的消费账单", &BusinessBackupTexts::Msg_bi_Bill_Delete, "Delete"},
    {"Msg_bi_BillPayment", "支付明细表", &BusinessBackupTexts::Msg_bi_BillPayment},
    {"Msg_bi_BillPayment", "删除重复的支付明细", &BusinessBackupTexts::Msg_bi_BillPayment_Delete,
     "Delete"},
    {"Msg_bi_BillItem", "消费明细表", &BusinessBackupTexts::Msg_bi_BillItem},
    {"Msg_bi_BillItem", "删除重复的消费明细", &BusinessBackupTexts::Msg_bi_BillItem_Delete,
     "Delete"},
    {"Msg_bi_SubBill", "分单明细表", &BusinessBackupTexts::Msg_bi_SubBill},
    {"Msg_bi_SubBill", "删除重复的分单明细", &BusinessBackupTexts::Msg_bi_SubBill_Delete, "Delete"},
};

const TextTable<BusinessBackupTexts> kBusinessBackupTexts({"frmBackup"}, kBusinessBackupRows);

}  // namespace

BusinessBackupTexts ReadBusinessBackupTexts() { return kBusinessBackupTexts.Read(); }

std::unique_ptr<engine::Package> DefineBusinessBackup(const BusinessBackupTexts& texts,
                                                      const std::optional<DateRange>& range,
                                                      std::string_view provider) {
  auto package = std::make_unique<engine::Package>();
  package->PackageID(texts.Msg_PackageName);
  // The filters keep their established spacing: " WHERE BillDate>= #..# AND ...".
  std::string f1, f2, f3;
  if (range) {
    const std::string b = storage::DateLiteral(range->begin, provider);
    const std::string e = storage::DateLiteral(range->end, provider);
    f1 = " WHERE BillDate>= " + b + " AND BillDate<" + e;
    f2 = " WHERE BillID IN (SELECT BillID FROM bi_Bill " + std::string(" WHERE BillDate>= ") + b +
         " AND BillDate<" + e + ")";
    f3 = " WHERE BillItemID IN " +
         std::string("(SELECT BI.BillItemID FROM bi_Bill AS BL, bi_BillItem AS BI ") +
         " WHERE BL.BillID=BI.BillID " + " AND BL.BillDate>=" + b + " AND BL.BillDate<" + e + ") ";
  }
  engine::ExData& bills = package->ExDatas().Add(
      "1. " + texts.Msg_bi_Bill, " SELECT * FROM bi_Bill " + f1, "bi_Bill", false, false);
  bills.Statements().Add("11. " + texts.Msg_bi_Bill_Delete,
                         "DELETE FROM bi_Bill WHERE BillID='{BillID}'", engine::kKindPerRow, 0);
  bills.Statements().Add("12. " + texts.Msg_bi_BillPayment_Delete,
                         "DELETE FROM bi_BillPayment WHERE BillID='{BillID}'", engine::kKindPerRow,
                         0);
  package->ExDatas().Add("2. " + texts.Msg_bi_BillPayment, " SELECT * FROM bi_BillPayment " + f2,
                         "bi_BillPayment", false, false);
  engine::ExData& items =
      package->ExDatas().Add("3. " + texts.Msg_bi_BillItem, " SELECT * FROM bi_BillItem " + f2,
                             "bi_BillItem", false, false);
  items.Statements().Add("31. " + texts.Msg_bi_BillItem_Delete,
                         "DELETE FROM bi_BillItem WHERE BillItemID='{BillItemID}'",
                         engine::kKindPerRow, 0);
  items.Statements().Add("32. " + texts.Msg_bi_SubBill_Delete,
                         "DELETE FROM bi_SubBill WHERE BillItemID='{BillItemID}'",
                         engine::kKindPerRow, 0);
  package->ExDatas().Add("4. " + texts.Msg_bi_SubBill, " SELECT * FROM bi_SubBill " + f3,
                         "bi_SubBill", false, false);
  return package;
}

namespace {

constexpr TextRow<BaseDataBackupTexts> kBaseDataBackupRows[] = {
    {"Msg_PackageName", "基础数据备份", &BaseDataBackupTexts::Msg_PackageName},
    {"Msg_ExportData", "导出数据失败!", &BaseDataBackupTexts::Msg_ExportData_Fault, "Fault"},
    {"Msg_ToSelect", "请选择要备份的基础数据类型！", &BaseDataBackupTexts::Msg_ToSelect},
    {"Msg_Delete", "(删除)", &BaseDataBackupTexts::Msg_Delete},
};

const TextTable<BaseDataBackupTexts> kBaseDataBackupTexts({"frmDDBackup"}, kBaseDataBackupRows);

}  // namespace

BaseDataBackupTexts ReadBaseDataBackupTexts() {
  BaseDataBackupTexts texts = kBaseDataBackupTexts.Read();
  texts.catalogue = ReadBaseDataTexts("frmDDBackup");
  return texts;
}

std::unique_ptr<engine::Package> DefineBaseDataBackup(const BaseDataBackupTexts& texts,
                                                      const std::vector<int>& groups) {
  auto package = std::make_unique<engine::Package>();
  package->PackageID(texts.Msg_PackageName);
  for (std::size_t i = 0; i < kBaseDataTables.size(); ++i) {
    const BaseDataTable& table = kBaseDataTables[i];
    if (std::find(groups.begin(), groups.end(), table.group) == groups.end()) continue;
    AddWholeTable(*package, texts.catalogue.TableCaption(i), table.table, texts.Msg_Delete);
  }
  return package;
}

std::string DefaultBaseDataPath(const std::string& folder, const std::string& packageName,
                                std::chrono::year_month_day day) {
  const std::string date = DayText(day, "%Y%m%d");
  const bool endsWithSlash = !folder.empty() && folder.back() == '/';
  return folder + (endsWithSlash ? "" : "/") + packageName + date + ".pkg";
}

namespace {

constexpr TextRow<StockBackupTexts> kStockBackupRows[] = {
    {"Msg_ExportData_Fault", "导出数据失败!", &StockBackupTexts::Msg_ExportData_Fault},
    {"Msg_PackageName", "业务数据备份", &StockBackupTexts::Msg_PackageName},
    {"Msg_Delete", "(删除)", &StockBackupTexts::Msg_Delete},
    {"Msg_st_Bill", "进销存单据", &StockBackupTexts::Msg_st_Bill},
    {"Msg_st_BillItem", "进销存明细", &StockBackupTexts::Msg_st_BillItem},
    {"Msg_st_Bill_Delete", "删除重复的进销存单据", &StockBackupTexts::Msg_st_Bill_Delete},
    {"Msg_st_BillItem_Delete", "删除重复的进销存明细", &StockBackupTexts::Msg_st_BillItem_Delete},
};

const TextTable<StockBackupTexts> kStockBackupTexts({"frmStBackup"}, kStockBackupRows);

}  // namespace

StockBackupTexts ReadStockBackupTexts() {
  StockBackupTexts texts = kStockBackupTexts.Read();
  texts.masterTables = ReadStockMasterTexts("frmStBackup");
  return texts;
}

namespace {

// The master tables' own texts, which differ from the base data catalogue's.
const TextList kMasterTables({"frmStBackup", "frmStDelete"},
                             {
                                 {"Msg_st_Location", "", "仓位表"},
                                 {"Msg_st_Department", "", "领料部门表"},
                                 {"Msg_st_ItemType", "", "物品类别表"},
                                 {"Msg_st_Item", "", "库存物品表"},
                                 {"Msg_dd_SupplierType", "", "供应商类别表"},
                                 {"Msg_dd_Supplier", "", "供应商表"},
                             });

}  // namespace

std::vector<std::string> ReadStockMasterTexts(const std::string& section) {
  return kMasterTables.Read(section);
}

std::unique_ptr<engine::Package> DefineStockBackup(const StockBackupTexts& texts,
                                                   StockBackupKind kind, const DateRange& range,
                                                   std::string_view provider) {
  auto package = std::make_unique<engine::Package>();
  package->PackageID(texts.Msg_PackageName);
  if (kind == StockBackupKind::MasterTables) {
    for (std::size_t i = 0; i < kStockMasterTables.size(); ++i) {
      AddWholeTable(*package, texts.masterTables.at(i), kStockMasterTables[i], texts.Msg_Delete);
    }
    return package;
  }
  std::string f1, f2;
  if (kind == StockBackupKind::DocumentsInRange) {
    const std::string b = storage::DateLiteral(range.begin, provider);
    const std::string e = storage::DateLiteral(range.end, provider);
    f1 = " WHERE BillDate>= " + b + " AND BillDate<" + e;
    f2 = " WHERE BillID IN (SELECT BillID FROM st_Bill " + std::string(" WHERE BillDate>= ") + b +
         " AND BillDate<" + e + ")";
  }
  engine::ExData& bills = package->ExDatas().Add(
      "1. " + texts.Msg_st_Bill, " SELECT * FROM st_Bill " + f1, "st_Bill", false, false);
  bills.Statements().Add("11. " + texts.Msg_st_Bill_Delete,
                         "DELETE FROM st_Bill WHERE BillID='{BillID}'", engine::kKindPerRow, 0);
  bills.Statements().Add("12. " + texts.Msg_st_BillItem_Delete,
                         "DELETE FROM st_BillItem WHERE BillID='{BillID}'", engine::kKindPerRow, 0);
  package->ExDatas().Add("2. " + texts.Msg_st_BillItem, " SELECT * FROM st_BillItem " + f2,
                         "st_BillItem", false, false);
  return package;
}

}  // namespace tavex

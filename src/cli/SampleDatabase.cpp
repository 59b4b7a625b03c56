#include "cli/SampleDatabase.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>

#include "cli/SampleSchemaText.h"
#include "cli/SampleWriter.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "framework/UserRights.h"

namespace tavex::cli {

namespace {

using sample::BranchUniqueId;
using sample::Code;
using sample::Day;
using sample::Inserter;
using sample::Random;
using sample::RowCounts;

constexpr int kMenus = 40;
constexpr int kStockItems = 30;
constexpr int kDiningTables = 20;
constexpr int kOpenBills = 5;

db::Value I(long long n) { return std::int64_t{n}; }

struct Subject {
  const char* id;
  const char* name;
};
constexpr std::array<Subject, 4> kSubjects{
    {{"10101", "现金"}, {"10201", "信用卡"}, {"10301", "八达通"}, {"10401", "会员卡"}}};
constexpr int kCash = 0;
constexpr int kOctopus = 2;
constexpr int kMemberCard = 3;

struct Menu {
  std::string id, name, unitId, unitName, typeId, typeName;
  std::string departTypeId, departTypeName, departId, departName;
  double price = 0;
  std::vector<std::pair<int, double>> bom;  // stock item index, use per portion
};

struct StockItem {
  std::string id, name, unit, packing, typeId, typeName;
  double price = 0;
};

struct Card {
  std::string memberId, cardId;
  double consumed = 0;
};

// Tables of the base data that the sample fills with a few plain rows.
constexpr std::array<const char*, 40> kPlainBaseTables{"sys_WorkStation",
                                                       "dd_Discount",
                                                       "dd_DiscountItem",
                                                       "dd_Period",
                                                       "dd_Reason",
                                                       "ac_Account",
                                                       "ac_AccountType",
                                                       "mn_SentType",
                                                       "mn_SentMenu",
                                                       "mn_CancelType",
                                                       "mn_CancelMenu",
                                                       "mn_CookwayType",
                                                       "mn_CookwaySet",
                                                       "mn_Depart_Area",
                                                       "mn_Depart_Place",
                                                       "mn_MenuPart",
                                                       "mn_MenuSet",
                                                       "mn_Place",
                                                       "mn_Request",
                                                       "mn_RequestType",
                                                       "mn_TasteType",
                                                       "mn_SpecailMenu",
                                                       "mn_SpecailType",
                                                       "mn_MenuPrice",
                                                       "mn_MenuPriceItem",
                                                       "tb_TableArea",
                                                       "tb_TableType",
                                                       "tb_TableMenu",
                                                       "tb_BookType",
                                                       "prn_Printer",
                                                       "prn_PrinterList",
                                                       "prn_PrinterList_Department",
                                                       "prn_PrinterList_Place",
                                                       "prn_PrinterQueue",
                                                       "prn_Setting",
                                                       "st_ItemUnit",
                                                       "dd_SupplierType",
                                                       "pv_DiscountPV",
                                                       "pv_SentMenuPV",
                                                       "pv_CancelMenuPV"};

// The table a "CREATE TABLE name (" statement creates, "" for others.
std::string CreatedTable(const std::string& statement) {
  constexpr std::string_view kCreate = "CREATE TABLE ";
  if (statement.compare(0, kCreate.size(), kCreate) != 0) return "";
  const auto end = statement.find_first_of(" (", kCreate.size());
  return statement.substr(kCreate.size(), end - kCreate.size());
}

class Generator {
 public:
  Generator(const std::shared_ptr<db::Connection>& connection, const SampleOptions& options)
      : mConnection(connection),
        mDb(*connection),
        mOptions(options),
        mRandom(options.seed),
        mFirstDay(std::chrono::sys_days(std::chrono::year_month_day(
            std::chrono::year(2024), std::chrono::month(3), std::chrono::day(1)))) {}

  void Run() {
    for (const auto& statement : SampleSchemaStatements(mDb.GetBackend(), mOptions)) {
      mDb.Execute(statement);
    }
    WriteBranch();
    WriteDictionaries();
    WriteMenus();
    WriteStockMasters();
    WriteUsers();
    WriteDiningTables();
    for (const char* table : kPlainBaseTables) WritePlainRows(table, 3);
    WriteMembers();
    WriteBills();
    WriteShifts();
    WriteOpenBills();
    WriteStockDocuments();
    WriteMemberInfo();
  }

  const RowCounts& Counts() const { return mCounts; }

 private:
  void Done(const Inserter& inserter) { mCounts.Add(inserter.Table(), inserter.Count()); }

  void WriteBranch() {
    Inserter branch(mDb, "dd_Branch", {"BranchID", "BranchName", "Address", "Phone"});
    branch.Insert(
        {mOptions.branchId, SampleBranchName(mOptions.branchId), "1 Harbour Road", "2345 6789"});
    Done(branch);
    SettingsStore settings(mConnection);
    settings.SetSetting(kSettingBranchID, mOptions.branchId);
    settings.SetSetting(kSettingBranchName, SampleBranchName(mOptions.branchId));
  }

  void WriteDictionaries() {
    Inserter types(mDb, "dd_SubjectType", {"SubjectTypeID", "SubjectTypeName"});
    types.Insert({"101", "现金类"});
    types.Insert({"102", "卡类"});
    types.Insert({"103", "会员类"});
    Done(types);
    Inserter subjects(mDb, "dd_Subject",
                      {"SubjectID", "SubjectName", "SubjectTypeID", "ExchangeRate"});
    const std::array<const char*, 4> typeOf{"101", "102", "102", "103"};
    for (std::size_t i = 0; i < kSubjects.size(); ++i) {
      subjects.Insert({kSubjects[i].id, kSubjects[i].name, typeOf[i], 1.0});
    }
    Done(subjects);
  }

  void WriteMenus() {
    const std::array<const char*, 5> typeNames{"热菜", "凉菜", "汤羹", "点心", "饮品"};
    const std::array<const char*, 3> unitNames{"例", "份", "杯"};
    const std::array<const char*, 4> departNames{"厨房", "冷菜间", "点心部", "水吧"};
    Inserter types(mDb, "mn_MenuType", {"MenuTypeID", "MenuTypeName"});
    for (std::size_t i = 0; i < typeNames.size(); ++i)
      types.Insert({Code("T", i + 1, 2), typeNames[i]});
    Done(types);
    Inserter units(mDb, "mn_MenuUnit", {"MenuUnitID", "MenuUnitName"});
    for (std::size_t i = 0; i < unitNames.size(); ++i)
      units.Insert({Code("U", i + 1, 2), unitNames[i]});
    Done(units);
    Inserter departTypes(mDb, "mn_DepartType", {"DepartTypeID", "DepartTypeName"});
    departTypes.Insert({"DT1", "出品"});
    departTypes.Insert({"DT2", "酒水"});
    Done(departTypes);
    Inserter departs(mDb, "mn_Depart", {"DepartID", "DepartName", "DepartTypeID"});
    for (std::size_t i = 0; i < departNames.size(); ++i) {
      departs.Insert({Code("D", i + 1, 2), departNames[i], i == 3 ? "DT2" : "DT1"});
    }
    Done(departs);

    Inserter menus(
        mDb, "mn_Menu",
        {"MenuID", "MenuName", "MenuTypeID", "MenuUnitID", "DepartID", "Price", "Remark"});
    Inserter bom(mDb, "mn_BOM", {"MenuID", "ItemID", "UseAmount", "Remark"});
    for (int i = 0; i < kMenus; ++i) {
      Menu menu;
      const int type = i % 5;
      const int unit = type == 4 ? 2 : i % 2;
      const int depart = type == 4 ? 3 : (type == 1 ? 1 : (type == 3 ? 2 : 0));
      menu.id = Code("", 10001 + i, 5);
      menu.name = std::string(typeNames[type]) + " " + std::to_string(i + 1);
      menu.unitId = Code("U", unit + 1, 2);
      menu.unitName = unitNames[unit];
      menu.typeId = Code("T", type + 1, 2);
      menu.typeName = typeNames[type];
      menu.departId = Code("D", depart + 1, 2);
      menu.departName = departNames[depart];
      menu.departTypeId = depart == 3 ? "DT2" : "DT1";
      menu.departTypeName = depart == 3 ? "酒水" : "出品";
      menu.price = mRandom.Amount(18, 188);
      menus.Insert({menu.id, menu.name, menu.typeId, menu.unitId, menu.departId, menu.price, ""});
      const int parts = 1 + mRandom.Below(3);
      for (int p = 0; p < parts; ++p) {
        const int item = (i * 7 + p * 11) % kStockItems;
        const double use = mRandom.Amount(0.05, 0.5);
        menu.bom.emplace_back(item, use);
        bom.Insert({menu.id, Code("I", item + 1, 4), use, ""});
      }
      mMenus.push_back(std::move(menu));
    }
    Done(menus);
    Done(bom);
  }

  void WriteStockMasters() {
    const std::array<const char*, 4> typeNames{"肉类", "蔬菜", "干货", "酒水"};
    const std::array<const char*, 4> units{"斤", "斤", "包", "瓶"};
    Inserter types(mDb, "st_ItemType", {"ItemTypeID", "ItemTypeName", "Remark"});
    for (std::size_t i = 0; i < typeNames.size(); ++i)
      types.Insert({Code("IT", i + 1, 2), typeNames[i], ""});
    Done(types);
    Inserter items(mDb, "st_Item",
                   {"ItemID", "ItemName", "ItemTypeID", "Unit", "Spec", "Price", "Remark"});
    Inserter stockItems(
        mDb, "st_StockItem",
        {"ItemID", "ItemName", "Unit", "Spec", "ItemTypeID", "ItemTypeName", "Price"});
    Inserter inventory(mDb, "st_Inventory_Full",
                       {"ItemID", "ItemName", "Unit", "Spec", "ItemTypeID", "ItemTypeName",
                        "LocationID", "Qty", "Amount", "LastInTime"});
    for (int i = 0; i < kStockItems; ++i) {
      StockItem item;
      const int type = i % 4;
      item.id = Code("I", i + 1, 4);
      item.name = std::string(typeNames[type]) + "原料 " + std::to_string(i + 1);
      item.unit = units[type];
      item.packing = type == 3 ? "500ml" : "";
      item.typeId = Code("IT", type + 1, 2);
      item.typeName = typeNames[type];
      item.price = mRandom.Amount(2, 80);
      items.Insert({item.id, item.name, item.typeId, item.unit, item.packing, item.price, ""});
      stockItems.Insert(
          {item.id, item.name, item.unit, item.packing, item.typeId, item.typeName, item.price});
      const double qty = mRandom.Amount(10, 200);
      inventory.Insert({item.id, item.name, item.unit, item.packing, item.typeId, item.typeName,
                        "L01", qty, qty * item.price, mFirstDay.At(9 * 60)});
      mStockItems.push_back(std::move(item));
    }
    Done(items);
    Done(stockItems);
    Done(inventory);
    Inserter locations(mDb, "st_Location", {"LocationID", "LocationName", "Remark"});
    locations.Insert({"L01", "主仓", ""});
    locations.Insert({"L02", "酒水仓", ""});
    Done(locations);
    Inserter departments(mDb, "st_Department", {"DepartmentID", "DepartmentName", "Remark"});
    departments.Insert({"SD1", "中厨", ""});
    departments.Insert({"SD2", "西厨", ""});
    Done(departments);
    Inserter suppliers(mDb, "dd_Supplier",
                       {"SupplierID", "SupplierName", "SupplierTypeID", "Phone", "Address"});
    suppliers.Insert({"SP1", "鲜货供应", "01", "2111 0001", "Market Street 1"});
    suppliers.Insert({"SP2", "酒水批发", "02", "2111 0002", "Market Street 2"});
    Done(suppliers);
  }

  void WriteUsers() {
    Inserter groups(mDb, "pv_UserGroup", {"UserGroupID", "UserGroupName", "Remark"});
    groups.Insert({"01", "管理员", ""});
    groups.Insert({"02", "收银员", ""});
    Done(groups);
    Inserter privileges(mDb, "pv_Privilege", {"UserGroupID", "PrivilegeID", "Remark"});
    for (int id : {1, 2, 3, 10, 20, kPrivilegeDeleteData, 99}) privileges.Insert({"01", I(id), ""});
    for (int id : {1, 2, 3}) privileges.Insert({"02", I(id), ""});
    Done(privileges);
    Inserter users(mDb, "pv_User",
                   {"UserID", "UserName", "UserGroupID", "PasswordHash", "Disabled", "Remark"});
    const auto addUser = [&](std::string_view id, const char* name, const char* group, int off) {
      const std::string account(id);
      users.Insert({account, name, group, UserRights::HashPassword(account), I(off), ""});
    };
    addUser(kSampleAdmin, "经理", "01", 0);
    addUser(kSampleCashier, "收银员", "02", 0);
    addUser(kSampleDisabled, "离职员工", "01", 1);
    Done(users);
  }

  void WriteDiningTables() {
    Inserter tables(mDb, "tb_Table",
                    {"TableID", "TableName", "TableAreaID", "TableTypeID", "Seats", "TableState"});
    for (int i = 0; i < kDiningTables; ++i) {
      tables.Insert({Code("T", i + 1, 2), Code("台 ", i + 1, 2), Code("A", i / 10 + 1, 2),
                     Code("TT", i % 3 + 1, 2), I(2 + 2 * (i % 4)), I(i < kOpenBills ? 1 : 0)});
    }
    Done(tables);
  }

  // A few rows whose values follow the column types: "<table-ish>01" keys,
  // names, small numbers, the first sample day.
  void WritePlainRows(const std::string& table, int rows) {
    std::vector<db::Column> columns;
    {
      auto probe = mDb.Query("SELECT * FROM " + table + " WHERE 1<>1");
      columns = probe->Columns();
    }
    std::vector<std::string> names;
    for (const auto& column : columns) names.push_back(column.name);
    Inserter inserter(mDb, table, names);
    for (int n = 1; n <= rows; ++n) {
      db::Params values;
      for (const auto& column : columns) {
        switch (column.kind) {
          case db::ColumnKind::Integer:
          case db::ColumnKind::Boolean:
            values.push_back(I(n));
            break;
          case db::ColumnKind::Real:
          case db::ColumnKind::Numeric:
            values.push_back(1.5 * n);
            break;
          case db::ColumnKind::DateTime:
            values.push_back(mFirstDay.Plus(n - 1).Midnight());
            break;
          default:
            values.push_back(Code(column.name + "-", n, 2));
            break;
        }
      }
      inserter.Insert(values);
    }
    Done(inserter);
  }

  void WriteMembers() {
    const int members = std::max(10, mOptions.bills / 20);
    Inserter memberRows(mDb, "mb_Member",
                        {"MemberID", "MemberName", "Sex", "Birthday", "MobileNumber",
                         "MemberTypeID", "JoinDate", "Remark", "IsUploaded"});
    Inserter cards(mDb, "mb_MemberCard",
                   {"MemberCardID", "MemberID", "IssueDate", "ExpireDate", "Balance", "IntegralSum",
                    "CardState", "IsUploaded"});
    Inserter summaries(mDb, "mb_Summary",
                       {"SummaryID", "MemberID", "MemberCardID", "OperateType", "OperateTime",
                        "Amount", "IsUploaded"});
    Inserter gifts(mDb, "mb_GiftSend",
                   {"GiftSendID", "MemberID", "MemberCardID", "GiftID", "Quantity", "IntegralUsed",
                    "SendTime", "IsUploaded"});
    Inserter types(mDb, "mb_MemberType", {"MemberTypeID", "MemberTypeName", "DiscountRate"});
    types.Insert({"MT1", "普通卡", 1.0});
    types.Insert({"MT2", "金卡", 0.9});
    Done(types);
    Inserter giftTypes(mDb, "mb_Gift", {"GiftID", "GiftName", "Integral"});
    giftTypes.Insert({"G01", "餐券", 500.0});
    giftTypes.Insert({"G02", "纪念杯", 300.0});
    Done(giftTypes);
    for (int m = 0; m < members; ++m) {
      const std::string memberId = Code("M", m + 1, 6);
      const int uploaded = m < members / 2 ? 1 : 0;
      const Day joined = mFirstDay.Plus(-30 + m % 30);
      memberRows.Insert(
          {memberId, "会员 " + std::to_string(m + 1), m % 2 ? "女" : "男",
           Day(std::chrono::sys_days(std::chrono::year_month_day(std::chrono::year(1970 + m % 30),
                                                                 std::chrono::month(1 + m % 12),
                                                                 std::chrono::day(1 + m % 28))))
               .Midnight(),
           Code("9", 1000000 + m, 7), m % 3 ? "MT1" : "MT2", joined.Midnight(), "", I(uploaded)});
      const int cardCount = m % 5 == 0 ? 2 : 1;
      for (int c = 0; c < cardCount; ++c) {
        Card card{memberId, Code("C", (m + 1) * 10 + c, 8), 0};
        const double balance = mRandom.Amount(0, 2000);
        cards.Insert({card.cardId, memberId, joined.At(12 * 60), joined.Plus(730).Midnight(),
                      balance, 0.0, I(1), I(uploaded)});
        summaries.Insert({"SU" + card.cardId, memberId, card.cardId, "充值", joined.At(12 * 60 + 5),
                          balance, I(uploaded)});
        mCards.push_back(std::move(card));
      }
      if (m % 4 == 3) {
        gifts.Insert({Code("GS", m + 1, 6), memberId, mCards.back().cardId, "G02", I(1), 300.0,
                      mFirstDay.At(13 * 60), I(0)});
      }
    }
    Done(memberRows);
    Done(cards);
    Done(summaries);
    Done(gifts);
  }

  int BillsBefore(int day) const {
    return static_cast<int>((static_cast<long long>(day) * mOptions.bills + mOptions.days - 1) /
                            mOptions.days);
  }

  // The bill tables, one inserter each; the optional ones only when the
  // sample asks for them.
  struct BillTables {
    Inserter bills, items, payments, subBills, subItems, logs, consumes, jobs;
    std::optional<Inserter> unCheck, unCheckPayments, unCheckItems, octopus;
  };

  // One bill while its rows are written: where it falls, what its lines add
  // up to and how the first payment went.
  struct Bill {
    int dayIndex;
    Day day;
    int number;  // across all days
    int minute;
    std::string id;
    int shift = 0;
    std::string shiftId{};  // empty for a bill without a shift
    int uploaded = 0;
    double consume = 0;
    double service = 0;
    double discount = 0;
    std::string firstItemId{};
    int subject = kCash;
    double firstPart = 0;

    double Total() const { return consume + service - discount; }
  };

  BillTables OpenBillTables() {
    BillTables tables{
        Inserter(
            mDb, "bi_Bill",
            {"BillID", "BillIDEx", "ShiftID", "BillDate", "BranchID", "BranchName", "TableID",
             "TableName", "Persons", "OpenTime", "CheckTime", "CashierID", "CashierName",
             "SumOfConsume", "SumOfService", "SumForDiscount", "SumPaid", "Remark", "IsUploaded"}),
        Inserter(mDb, "bi_BillItem", ItemColumns()),
        Inserter(mDb, "bi_BillPayment", PaymentColumns()),
        Inserter(mDb, "bi_SubBill",
                 {"SubBillID", "BillItemID", "SubBillNo", "Amount", "SumOfConsume", "Remark"}),
        Inserter(mDb, "bi_SubItem",
                 {"SubItemID", "BillItemID", "CookwayID", "CookwayName", "Price"}),
        Inserter(mDb, "bi_BillLog",
                 {"BillLogID", "BillID", "LogTime", "UserID", "Operation", "Remark"}),
        Inserter(mDb, "mb_Consume",
                 {"ConsumeID", "MemberID", "MemberCardID", "BillID", "ConsumeTime", "ConsumeSum",
                  "Integral", "IsUploaded"}),
        Inserter(mDb, "prn_PrintJob",
                 {"PrintJobID", "BillID", "PrinterID", "CreateTime", "JobState", "Content"}),
        std::nullopt,
        std::nullopt,
        std::nullopt,
        std::nullopt};
    if (mOptions.withUnCheck) {
      tables.unCheck.emplace(
          mDb, "bi_UnCheckBill",
          std::vector<std::string>{"UnCheckBillID", "BillID", "ShiftID", "BillDate", "UnCheckTime",
                                   "UserID", "Reason", "SumOfConsume", "IsUploaded"});
      tables.unCheckPayments.emplace(
          mDb, "bi_UnCheckBillPayment",
          std::vector<std::string>{"UnCheckBillPaymentID", "UnCheckBillID", "BillID", "SubjectID",
                                   "SubjectName", "PaySum"});
      tables.unCheckItems.emplace(
          mDb, "bi_UnCheckBillItem",
          std::vector<std::string>{"UnCheckBillItemID", "UnCheckBillID", "BillID", "BillItemID",
                                   "MenuID", "MenuName", "AmountOrder", "SumOfConsume"});
    }
    if (mOptions.withOctopus) {
      tables.octopus.emplace(
          mDb, "bi_OctopusPayment",
          std::vector<std::string>{"BillID", "CardID", "DeviceID", "BillDate", "TransTime",
                                   "TransNo", "Amount", "RemainValue", "IsUploaded"});
    }
    return tables;
  }

  void WriteBills() {
    BillTables tables = OpenBillTables();
    const int uploadedDays = mOptions.days / 2;
    int octopusCount = 0;
    for (int d = 0; d < mOptions.days; ++d) {
      const Day day = mFirstDay.Plus(d);
      const int first = BillsBefore(d);
      const int inDay = BillsBefore(d + 1) - first;
      for (int s = 0; s < inDay; ++s) {
        Bill bill{d, day, first + s, 11 * 60 + s * 600 / std::max(1, inDay),
                  Code(day.Stem(), s + 1, 6)};
        bill.shift = bill.minute < 16 * 60 ? 1 : 2;
        bill.shiftId = bill.number % 50 == 49 ? "" : ShiftIdOf(day, bill.shift);
        bill.uploaded = d < uploadedDays ? 1 : 0;
        const int table = mRandom.Below(kDiningTables);
        WriteBillItems(tables, bill);
        WriteBillPayments(tables.payments, bill);
        if (bill.subject == kOctopus) WriteOctopusPayment(*tables.octopus, bill, octopusCount++);
        if (bill.subject == kMemberCard) WriteCardConsume(tables.consumes, bill);
        WriteBillRow(tables.bills, bill, table);
        tables.logs.Insert({bill.id + "L1", bill.id, day.At(bill.minute), "cashier", "结账", ""});
        if (bill.number % 25 == 0) {
          tables.jobs.Insert(
              {"PJ" + bill.id, bill.id, "P01", day.At(bill.minute - 40), I(1), "厨房单"});
        }
        if (tables.unCheck && bill.number % 40 == 17) WriteUnCheck(tables, bill);
      }
    }
    for (const Inserter* done : {&tables.bills, &tables.items, &tables.payments, &tables.subBills,
                                 &tables.subItems, &tables.logs, &tables.consumes, &tables.jobs}) {
      Done(*done);
    }
    for (const auto* done :
         {&tables.unCheck, &tables.unCheckPayments, &tables.unCheckItems, &tables.octopus}) {
      if (done->has_value()) Done(**done);
    }
  }

  // The bill's lines, with their split lines and cookways; adds them up.
  void WriteBillItems(BillTables& tables, Bill& bill) {
    const int lines = 1 + mRandom.Below(5);
    for (int l = 0; l < lines; ++l) {
      const Menu& menu = mMenus[mRandom.Below(kMenus)];
      const int ordered = 1 + mRandom.Below(3);
      const int cancelled = ordered > 1 && mRandom.OneIn(20) ? 1 : 0;
      const double sum = menu.price * (ordered - cancelled);
      const double fee = sum / 10;
      const double off = mRandom.OneIn(4) ? sum / 20 : 0;
      bill.consume += sum;
      bill.service += fee;
      bill.discount += off;
      const std::string itemId = bill.id + Code("", l + 1, 2);
      if (l == 0) bill.firstItemId = itemId;
      tables.items.Insert(ItemRow(itemId, bill.id, menu, ordered, cancelled, sum, fee, off,
                                  bill.day.At(bill.minute - 40)));
      for (const auto& [stock, use] : menu.bom) {
        mBomUse[bill.dayIndex][stock] += use * (ordered - cancelled);
      }
      if (mRandom.OneIn(8)) {
        for (int n = 1; n <= 2; ++n) {
          tables.subBills.Insert(
              {itemId + "S" + std::to_string(n), itemId, I(n), ordered / 2.0, sum / 2, ""});
        }
      }
      if (mRandom.OneIn(6)) tables.subItems.Insert({itemId + "C1", itemId, "CW01", "少辣", 0.0});
    }
  }

  // One payment, or two when a card payment is split with cash; the first
  // one's subject and amount stay with the bill.
  void WriteBillPayments(Inserter& payments, Bill& bill) {
    const double total = bill.Total();
    int subject = mRandom.Below(10) < 6 ? kCash : 1 + mRandom.Below(3);
    if (subject == kOctopus && !mOptions.withOctopus) subject = kCash;
    const bool split = mRandom.OneIn(4) && subject != kCash;
    const double firstPart = split ? static_cast<long long>(total / 2) : total;
    const std::string checkTime = bill.day.At(bill.minute);
    const std::string shiftId = ShiftIdOf(bill.day, bill.shift);
    payments.Insert(PaymentRow(Unique(bill.id + "P1"), bill.id, subject, firstPart, checkTime));
    mShiftTakings[shiftId][subject] += firstPart;
    if (split) {
      payments.Insert(
          PaymentRow(Unique(bill.id + "P2"), bill.id, kCash, total - firstPart, checkTime));
      mShiftTakings[shiftId][kCash] += total - firstPart;
    }
    bill.subject = subject;
    bill.firstPart = firstPart;
  }

  // Every seventh Octopus payment of the uploaded days is left not uploaded.
  void WriteOctopusPayment(Inserter& octopus, const Bill& bill, int octopusCount) {
    const int flag = bill.uploaded == 1 && octopusCount % 7 == 0 ? 0 : bill.uploaded;
    octopus.Insert({bill.id, Code("", 10000000 + mRandom.Below(90000000), 8),
                    Code("DEV", 1 + mRandom.Below(3), 2), bill.day.Midnight(),
                    bill.day.At(bill.minute), Code("TX", bill.number + 1, 8), bill.firstPart,
                    mRandom.Amount(0, 500), I(flag)});
  }

  void WriteCardConsume(Inserter& consumes, const Bill& bill) {
    Card& card = mCards[mRandom.Below(static_cast<int>(mCards.size()))];
    card.consumed += bill.firstPart;
    consumes.Insert({"CS" + bill.id, card.memberId, card.cardId, bill.id, bill.day.At(bill.minute),
                     bill.firstPart, static_cast<double>(static_cast<long long>(bill.firstPart)),
                     I(bill.uploaded)});
  }

  void WriteBillRow(Inserter& bills, const Bill& bill, int table) {
    bills.Insert({bill.id, "", bill.shiftId, bill.day.Midnight(), mOptions.branchId,
                  SampleBranchName(mOptions.branchId), Code("T", table + 1, 2),
                  Code("台 ", table + 1, 2), I(1 + mRandom.Below(8)), bill.day.At(bill.minute - 60),
                  bill.day.At(bill.minute), "cashier", "收银员", bill.consume, bill.service,
                  bill.discount, bill.Total(), "", I(bill.uploaded)});
  }

  void WriteUnCheck(BillTables& tables, const Bill& bill) {
    const std::string unCheckId = Unique("U" + bill.id);
    tables.unCheck->Insert({unCheckId, bill.id, bill.shiftId, bill.day.Midnight(),
                            bill.day.At(bill.minute + 5), "admin", "客人要求更改付款方式",
                            bill.consume, I(bill.uploaded)});
    tables.unCheckPayments->Insert({Unique(unCheckId + "P1"), unCheckId, bill.id,
                                    kSubjects[bill.subject].id, kSubjects[bill.subject].name,
                                    bill.firstPart});
    tables.unCheckItems->Insert({Unique(unCheckId + "I1"), unCheckId, bill.id, bill.firstItemId,
                                 mMenus[0].id, mMenus[0].name, 1.0, mMenus[0].price});
  }

  static std::string ShiftIdOf(const Day& day, int shift) {
    return Code("S" + day.Stem(), shift, 2);
  }

  static std::vector<std::string> ItemColumns() {
    return {"BillItemID",   "BillID",       "MenuID",         "MenuName",     "MenuUnitID",
            "MenuUnitName", "MenuTypeID",   "MenuTypeName",   "DepartTypeID", "DepartTypeName",
            "DepartID",     "DepartName",   "Price",          "AmountOrder",  "AmountCancel",
            "SumOfConsume", "SumOfService", "SumForDiscount", "OrderTime",    "Remark"};
  }

  static db::Params ItemRow(const std::string& itemId, const std::string& billId, const Menu& menu,
                            int ordered, int cancelled, double sum, double fee, double off,
                            const std::string& time) {
    return {itemId,
            billId,
            menu.id,
            menu.name,
            menu.unitId,
            menu.unitName,
            menu.typeId,
            menu.typeName,
            menu.departTypeId,
            menu.departTypeName,
            menu.departId,
            menu.departName,
            menu.price,
            I(ordered),
            I(cancelled),
            sum,
            fee,
            off,
            time,
            ""};
  }

  std::string Unique(const std::string& localId) const {
    return BranchUniqueId(mOptions.branchId, localId);
  }

  static std::vector<std::string> PaymentColumns() {
    return {"BillPaymentID", "BillID",  "SubjectID", "SubjectName", "ExchangeRate",
            "PaySum",        "SumPaid", "PayTime",   "Remark"};
  }

  static db::Params PaymentRow(const std::string& id, const std::string& billId, int subject,
                               double amount, const std::string& time) {
    return {id,   billId, kSubjects[subject].id, kSubjects[subject].name, 1.0, amount, amount,
            time, ""};
  }

  void WriteShifts() {
    Inserter shifts(mDb, "bi_Shift",
                    {"ShiftID", "ShiftDate", "BeginTime", "EndTime", "UserID", "UserName",
                     "CashBegin", "CashEnd", "Remark"});
    Inserter sums(mDb, "bi_ShiftSum",
                  {"ShiftSumID", "ShiftID", "SubjectID", "SubjectName", "SumPaid", "SumCounted"});
    Inserter logs(mDb, "bi_ShiftLog",
                  {"ShiftLogID", "ShiftID", "LogTime", "UserID", "Amount", "Remark"});
    for (int d = 0; d < mOptions.days; ++d) {
      const Day day = mFirstDay.Plus(d);
      for (int shift = 1; shift <= 2; ++shift) {
        const std::string shiftId = ShiftIdOf(day, shift);
        const auto& takings = mShiftTakings[shiftId];
        const int begin = shift == 1 ? 10 * 60 : 16 * 60;
        shifts.Insert({shiftId, day.Midnight(), day.At(begin), day.At(begin + 6 * 60), "cashier",
                       "收银员", 500.0, 500.0 + (takings.count(kCash) ? takings.at(kCash) : 0.0),
                       ""});
        for (const auto& [subject, amount] : takings) {
          sums.Insert({Unique(shiftId + Code("-", subject + 1, 2)), shiftId, kSubjects[subject].id,
                       kSubjects[subject].name, amount, amount});
        }
        const int withdrawals = 1 + mRandom.Below(2);
        for (int w = 1; w <= withdrawals; ++w) {
          logs.Insert({shiftId + Code("W", w, 2), shiftId, day.At(begin + 60 * (2 * w)), "admin",
                       mRandom.Amount(100, 1000), "中途取钱"});
        }
      }
    }
    Done(shifts);
    Done(sums);
    Done(logs);
  }

  // Open bills of the last day, on the first dining tables, with their
  // kitchen print jobs.
  void WriteOpenBills() {
    const Day day = mFirstDay.Plus(mOptions.days - 1);
    Inserter bills(mDb, "bi_TempBill",
                   {"BillID", "ShiftID", "BillDate", "BranchID", "BranchName", "TableID",
                    "TableName", "Persons", "OpenTime", "SumOfConsume", "IsUploaded"});
    Inserter items(mDb, "bi_TempBillItem", ItemColumns());
    Inserter payments(mDb, "bi_TempBillPayment", PaymentColumns());
    Inserter subBills(mDb, "bi_TempSubBill",
                      {"SubBillID", "BillItemID", "SubBillNo", "Amount", "SumOfConsume", "Remark"});
    Inserter subItems(mDb, "bi_TempSubItem",
                      {"SubItemID", "BillItemID", "CookwayID", "CookwayName", "Price"});
    Inserter logs(mDb, "bi_TempBillLog",
                  {"BillLogID", "BillID", "LogTime", "UserID", "Operation", "Remark"});
    Inserter jobs(mDb, "prn_PrintJob",
                  {"PrintJobID", "BillID", "PrinterID", "CreateTime", "JobState", "Content"});
    Inserter jobItems(mDb, "prn_PrintJobItem",
                      {"PrintJobItemID", "PrintJobID", "BillItemID", "MenuName", "Amount"});
    for (int o = 0; o < kOpenBills; ++o) {
      const std::string billId = Code("O" + day.Stem(), o + 1, 4);
      const int minute = 20 * 60 + o * 10;
      double consume = 0;
      for (int l = 0; l < 2; ++l) {
        const Menu& menu = mMenus[mRandom.Below(kMenus)];
        const std::string itemId = billId + Code("", l + 1, 2);
        consume += menu.price;
        items.Insert(
            ItemRow(itemId, billId, menu, 1, 0, menu.price, menu.price / 10, 0, day.At(minute)));
        subBills.Insert({itemId + "S1", itemId, I(1), 1.0, menu.price, ""});
        subItems.Insert({itemId + "C1", itemId, "CW02", "走葱", 0.0});
        jobItems.Insert({"PJ" + itemId, "PJ" + billId, itemId, menu.name, 1.0});
      }
      bills.Insert({billId, ShiftIdOf(day, 2), day.Midnight(), mOptions.branchId,
                    SampleBranchName(mOptions.branchId), Code("T", o + 1, 2), Code("台 ", o + 1, 2),
                    I(2 + o), day.At(minute), consume, I(0)});
      payments.Insert(PaymentRow(Unique(billId + "P1"), billId, kCash, 100.0, day.At(minute + 5)));
      logs.Insert({billId + "L1", billId, day.At(minute), "cashier", "开台", ""});
      jobs.Insert({"PJ" + billId, billId, "P01", day.At(minute), I(0), "厨房单"});
    }
    for (const Inserter* done :
         {&bills, &items, &payments, &subBills, &subItems, &logs, &jobs, &jobItems}) {
      Done(*done);
    }
  }

  // A purchase into the store and a requisition out of it on every day, and
  // the stock used per department from the day's sales.
  void WriteStockDocuments() {
    Inserter documents(
        mDb, "st_Bill",
        {"BillID",   "BillIDEx",     "BillTypeID", "StockName", "From",          "Into",
         "Summary",  "InOutFlag",    "TotalQty",   "TotalSum",  "ReferFlag",     "ReferBillID",
         "BillYear", "BillMonth",    "BillDay",    "BillDate",  "CreatePerson",  "CreateTime",
         "Audited",  "AuditPerson",  "AuditTime",  "Archived",  "ArchivePerson", "ArchiveTime",
         "Deleted",  "DeletePerson", "DeleteTime", "Uploaded",  "UploadPerson",  "UploadTime",
         "Remark"});
    Inserter lines(mDb, "st_BillItem",
                   {"BillID", "RowNum", "ItemID", "ItemName", "Spec", "ItemTypeID", "ItemTypeName",
                    "StockType", "Unit", "UnitPrice", "TotalQty", "TotalSum", "BalanceQty",
                    "BalanceSum", "Remark"});
    Inserter used(mDb, "st_BillItem_ByDepartment",
                  {"BillDate", "ItemID", "DepartmentID", "DepartmentName", "theQty"});
    for (int d = 0; d < mOptions.days; ++d) {
      const Day day = mFirstDay.Plus(d);
      for (int kind = 0; kind < 2; ++kind) {
        const std::string billId = Code("ST" + day.Stem(), kind + 1, 2);
        const int rows = kind == 0 ? 4 : 3;
        double qty = 0;
        double sum = 0;
        for (int r = 1; r <= rows; ++r) {
          const StockItem& item = mStockItems[mRandom.Below(kStockItems)];
          const double q = mRandom.Amount(1, 40);
          qty += q;
          sum += q * item.price;
          lines.Insert({billId, I(r), item.id, item.name, item.packing, item.typeId, item.typeName,
                        kind == 0 ? "入库" : "出库", item.unit, item.price, q, q * item.price,
                        mRandom.Amount(0, 100), 0.0, ""});
        }
        documents.Insert({billId,
                          Code(kind == 0 ? "RK" : "LL", d + 1, 4),
                          kind == 0 ? "01" : "02",
                          "主仓",
                          kind == 0 ? "鲜货供应" : "主仓",
                          kind == 0 ? "主仓" : "中厨",
                          kind == 0 ? "采购入库" : "领料出库",
                          I(kind == 0 ? 1 : -1),
                          qty,
                          sum,
                          I(0),
                          "",
                          I(day.Year()),
                          I(day.Month()),
                          I(day.DayOfMonth()),
                          day.Midnight(),
                          "admin",
                          day.At(9 * 60),
                          I(1),
                          "admin",
                          day.At(9 * 60 + 30),
                          I(0),
                          "",
                          db::Value{},
                          I(0),
                          "",
                          db::Value{},
                          I(0),
                          "",
                          db::Value{},
                          ""});
      }
      for (const auto& [stock, amount] : mBomUse[d]) {
        const double actual = amount * (0.9 + mRandom.Below(21) / 100.0);
        used.Insert({day.Midnight(), mStockItems[stock].id, "SD1", "中厨", actual * 0.75});
        used.Insert({day.Midnight(), mStockItems[stock].id, "SD2", "西厨", actual * 0.25});
      }
    }
    Done(documents);
    Done(lines);
    Done(used);
  }

  void WriteMemberInfo() {
    Inserter info(mDb, "mb_MemberInfo",
                  {"MemberCardID", "MemberID", "MemberName", "MemberTypeName", "MobileNumber",
                   "ConsumeSum", "IntegralSum"});
    for (const Card& card : mCards) {
      const long long number = std::stoll(card.memberId.substr(1));
      info.Insert({card.cardId, card.memberId, "会员 " + std::to_string(number),
                   number % 3 == 1 ? "金卡" : "普通卡", Code("9", 1000000 + number - 1, 7),
                   card.consumed, static_cast<double>(static_cast<long long>(card.consumed))});
    }
    Done(info);
  }

  std::shared_ptr<db::Connection> mConnection;
  db::Connection& mDb;
  SampleOptions mOptions;
  Random mRandom;
  Day mFirstDay;
  RowCounts mCounts;
  std::vector<Menu> mMenus;
  std::vector<StockItem> mStockItems;
  std::vector<Card> mCards;
  std::map<std::string, std::map<int, double>> mShiftTakings;  // shift -> subject -> amount
  std::map<int, std::map<int, double>> mBomUse;                // day -> stock item -> qty
};

}  // namespace

std::string SampleBranchName(const std::string& branchId) { return "分店 " + branchId; }

std::vector<std::string> SampleSchemaStatements(db::Backend backend, const SampleOptions& options) {
  const std::string_view script =
      backend == db::Backend::Sqlite ? SqliteSchemaScript() : PostgresSchemaScript();
  std::vector<std::string> statements;
  std::string current;
  std::size_t start = 0;
  while (start < script.size()) {
    auto end = script.find('\n', start);
    if (end == std::string_view::npos) end = script.size();
    const std::string_view line = script.substr(start, end - start);
    start = end + 1;
    if (line.starts_with("--")) continue;
    current.append(line);
    if (!line.ends_with(";")) {
      if (!current.empty()) current += '\n';
      continue;
    }
    current.pop_back();
    const std::string table = CreatedTable(current);
    const bool skipped = (!options.withUnCheck && table.starts_with("bi_UnCheckBill")) ||
                         (!options.withOctopus && table == "bi_OctopusPayment");
    if (!skipped) statements.push_back(current);
    current.clear();
  }
  return statements;
}

std::vector<std::pair<std::string, std::int64_t>> CreateSampleDatabase(
    const std::shared_ptr<db::Connection>& connection, const SampleOptions& options) {
  if (options.bills < 0 || options.days < 1) {
    throw std::invalid_argument("the sample needs at least one day and no negative bill count");
  }
  Generator generator(connection, options);
  connection->BeginTrans();
  try {
    generator.Run();
    connection->CommitTrans();
  } catch (...) {
    if (connection->InTransaction()) connection->RollbackTrans();
    throw;
  }
  return generator.Counts().Tables();
}

}  // namespace tavex::cli

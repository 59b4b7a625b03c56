#include "maintenance/BaseDataCatalogue.h"

#include "i18n/TextTable.h"

namespace tavex {

const std::array<BaseDataGroup, kBaseDataGroupCount> kBaseDataGroups = {{
    {"Msg_dd", "辅助类基础数据"},
    {"Msg_mn", "菜品类基础数据"},
    {"Msg_tb", "台区类基础数据"},
    {"Msg_prn", "分单类基础数据"},
    {"Msg_st", "库存类基础数据"},
    {"Msg_mb", "会员类基础数据"},
    {"Msg_pv", "权限类基础数据"},
}};

const std::array<BaseDataTable, 59> kBaseDataTables = {{
    {1, "1.01 ", "sys_WorkStation", "Msg_sys_WorkStation", "工作站点设置表"},
    {1, "1.02 ", "dd_Discount", "Msg_dd_Discount", "打折方式表"},
    {1, "1.03 ", "dd_DiscountItem", "Msg_dd_DiscountItem", "打折方式明细表"},
    {1, "1.04 ", "dd_Period", "Msg_dd_Period", "餐段设置表"},
    {1, "1.05 ", "dd_Reason", "Msg_dd_Reason", "退菜原因字典表"},
    {1, "1.06 ", "dd_Subject", "Msg_dd_Subject", "支付方式表"},
    {1, "1.07 ", "dd_SubjectType", "Msg_dd_SubjectType", "支付类别表"},
    {1, "1.08 ", "ac_Account", "Msg_ac_Account", "挂账账户表"},
    {1, "1.09 ", "ac_AccountType", "Msg_ac_AccountType", "挂账账户类别表"},
    {2, "2.01 ", "mn_SentType", "Msg_mn_SentType", "赠送方式"},
    {2, "2.02 ", "mn_SentMenu", "Msg_mn_SentMenu", "赠送方式菜列表"},
    {2, "2.03 ", "mn_CancelType", "Msg_mn_CancelType", "退菜范围"},
    {2, "2.04 ", "mn_CancelMenu", "Msg_mn_CancelMenu", "退菜范围菜列表"},
    {2, "2.05 ", "mn_BOM", "Msg_mn_BOM", "菜物料清单"},
    {2, "2.06 ", "mn_CookwayType", "Msg_mn_CookwayType", "菜做法表"},
    {2, "2.07 ", "mn_CookwaySet", "Msg_mn_CookwaySet", "做法组合表"},
    {2, "2.08 ", "mn_Depart", "Msg_mn_Depart", "出品部门"},
    {2, "2.09 ", "mn_Depart_Area", "Msg_mn_Depart_Area", "台区_出品部门_配置表"},
    {2, "2.10 ", "mn_Depart_Place", "Msg_mn_Depart_Place", "出品部门_划菜间_配置表"},
    {2, "2.11 ", "mn_DepartType", "Msg_mn_DepartType", "部门类别表"},
    {2, "2.12 ", "mn_Menu", "Msg_mn_Menu", "菜名表"},
    {2, "2.13 ", "mn_MenuPart", "Msg_mn_MenuPart", "菜类形状表"},
    {2, "2.14 ", "mn_MenuSet", "Msg_mn_MenuSet", "套餐定义表"},
    {2, "2.15 ", "mn_MenuType", "Msg_mn_MenuType", "菜类表"},
    {2, "2.16 ", "mn_MenuUnit", "Msg_mn_MenuUnit", "菜品单位表"},
    {2, "2.17 ", "mn_Place", "Msg_mn_Place", "划菜间表"},
    {2, "2.18 ", "mn_Request", "Msg_mn_Request", "特别要求表"},
    {2, "2.19 ", "mn_RequestType", "Msg_mn_RequestType", "特别要求类别表"},
    {2, "2.20 ", "mn_TasteType", "Msg_mn_TasteType", "口味类型字典表"},
    {2, "2.21 ", "mn_SpecailMenu", "Msg_mn_SpecailMenu", "特别菜品表"},
    {2, "2.22 ", "mn_SpecailType", "Msg_mn_SpecailType", "特别菜类表"},
    {2, "2.23 ", "mn_MenuPrice", "Msg_mn_MenuPrice", "菜品特价类别表"},
    {2, "2.24 ", "mn_MenuPriceItem", "Msg_mn_MenuPriceItem", "菜品特价明细表"},
    {3, "3.01 ", "tb_Table", "Msg_tb_Table", "台号表"},
    {3, "3.02 ", "tb_TableArea", "Msg_tb_TableArea", "台区表"},
    {3, "3.03 ", "tb_TableType", "Msg_tb_TableType", "台类型表"},
    {3, "3.04 ", "tb_TableMenu", "Msg_tb_TableMenu", "自动点菜表"},
    {3, "3.05 ", "tb_BookType", "Msg_tb_BookType", "预定类型"},
    {4, "4.01 ", "prn_Printer", "Msg_prn_Printer", "打印机表"},
    {4, "4.02 ", "prn_PrinterList", "Msg_prn_PrinterList", "打印机队列-打印机"},
    {4, "4.03 ", "prn_PrinterList_Department", "Msg_prn_PrinterList_Department",
     "打印机队列-出品部门"},
    {4, "4.04 ", "prn_PrinterList_Place", "Msg_prn_PrinterList_Place", "打印机队列-划菜间"},
    {4, "4.05 ", "prn_PrinterQueue", "Msg_prn_PrinterQueue", "打印机队列"},
    {4, "4.06 ", "prn_Setting", "Msg_prn_Setting", "打印样式配置表"},
    {5, "5.01 ", "dd_SupplierType", "Msg_dd_SupplierType", "供应商类型"},
    {5, "5.02 ", "dd_Supplier", "Msg_dd_Supplier", "供应商"},
    {5, "5.03 ", "st_Location", "Msg_st_Location", "仓位"},
    {5, "5.04 ", "st_Department", "Msg_st_Department", "领料部门"},
    {5, "5.05 ", "st_ItemType", "Msg_st_ItemType", "库存物品类别表"},
    {5, "5.06 ", "st_Item", "Msg_st_Item", "库存物品表"},
    {5, "5.07 ", "st_ItemUnit", "Msg_st_ItemUnit", "库存物品多单位表"},
    {6, "6.01 ", "mb_Gift", "Msg_mb_Gift", "会员兑分物品表"},
    {6, "6.02 ", "mb_MemberType", "Msg_mb_MemberType", "会员类型表"},
    {7, "7.01 ", "pv_UserGroup", "Msg_pv_UserGroup", "用户组表"},
    {7, "7.02 ", "pv_User", "Msg_pv_User", "用户表"},
    {7, "7.03 ", "pv_Privilege", "Msg_pv_Privilege", "权限表"},
    {7, "7.04 ", "pv_DiscountPV", "Msg_pv_DiscountPV", "打折权限表"},
    {7, "7.05 ", "pv_SentMenuPV", "Msg_pv_SentMenuPV", "赠送菜权限表"},
    {7, "7.06 ", "pv_CancelMenuPV", "Msg_pv_CancelMenuPV", "退菜权限表"},
}};

std::string BaseDataTexts::GroupEntry(int group) const {
  return std::to_string(group) + ". " + groups.at(static_cast<std::size_t>(group - 1));
}

std::string BaseDataTexts::TableCaption(std::size_t index) const {
  return kBaseDataTables.at(index).prefix + tables.at(index);
}

namespace {

// The groups' texts, then the tables', in catalogue order.
std::vector<TextKey> CatalogueKeys() {
  std::vector<TextKey> keys;
  for (const BaseDataGroup& group : kBaseDataGroups)
    keys.push_back({group.key, "", group.defaultText});
  for (const BaseDataTable& table : kBaseDataTables)
    keys.push_back({table.key, "", table.defaultText});
  return keys;
}

const TextList kCatalogueTexts({"frmDDBackup", "frmDDDelete"}, CatalogueKeys());

}  // namespace

BaseDataTexts ReadBaseDataTexts(const std::string& section) {
  std::vector<std::string> read = kCatalogueTexts.Read(section);
  BaseDataTexts texts;
  texts.groups.assign(read.begin(), read.begin() + kBaseDataGroupCount);
  texts.tables.assign(read.begin() + kBaseDataGroupCount, read.end());
  return texts;
}

}  // namespace tavex

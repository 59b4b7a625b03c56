#include "upload/ReportTexts.h"

#include "i18n/TextTable.h"

namespace tavex {

namespace {

using Row = TextRow<ReportTexts>;

using T = ReportTexts;

constexpr Row kTextRows[] = {
    {"Msg_rp_BillItem", "销售日报表", &T::Msg_rp_BillItem},
    {"Msg_rp_BillItem", "删除重复的销售日报表", &T::Msg_rp_BillItem_Delete, "Delete"},
    {"Msg_rp_BillItem", "没有需要上传的销售日报表！", &T::Msg_rp_BillItem_None, "None"},
    {"Msg_rp_BillPayment", "收银日报表", &T::Msg_rp_BillPayment},
    {"Msg_rp_BillPayment", "删除重复的收银日报表", &T::Msg_rp_BillPayment_Delete, "Delete"},
    {"Msg_rp_BillPayment", "没有需要上传的收银日报表！", &T::Msg_rp_BillPayment_None, "None"},
    {"Msg_st_Inventory", "库存日报表", &T::Msg_st_Inventory},
    {"Msg_st_Inventory", "删除重复的库存日报表", &T::Msg_st_Inventory_Delete, "Delete"},
    {"Msg_st_Inventory", "没有需要上传的库存日报表！", &T::Msg_st_Inventory_None, "None"},
    {"Msg_st_Bill", "进销存单据", &T::Msg_st_Bill},
    {"Msg_st_Bill_Delete", "删除重复的进销存单据", &T::Msg_st_Bill_Delete},
    {"Msg_st_BillItem", "进销存明细", &T::Msg_st_BillItem},
    {"Msg_st_BillItem_Delete", "删除重复的进销存明细", &T::Msg_st_BillItem_Delete},
    {"Msg_st_BOM", "原材料耗量表", &T::Msg_st_BOM},
    {"Msg_st_BOM_Delete", "删除重复的原材料耗量表", &T::Msg_st_BOM_Delete},
    {"Msg_st_BOM_Loading", "正在生成原材料耗量表：", &T::Msg_st_BOM_Loading},
    {"Msg_PackageName", "分店【", &T::Msg_PackageName_Left, "Left"},
    {"Msg_PackageName", "】上传数据 ：", &T::Msg_PackageName_Right, "Right"},
};

const TextTable<ReportTexts> kTextTable({"frmUpload"}, kTextRows);

}  // namespace

ReportTexts ReadReportTexts() noexcept { return kTextTable.Read(); }

}  // namespace tavex

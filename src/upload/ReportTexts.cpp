#include "upload/ReportTexts.h"

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

struct TextRow {
  const char* key;
  const char* property;
  const char* defaultText;
  std::string ReportTexts::*text;
};

using T = ReportTexts;

constexpr TextRow kTextRows[] = {
    {"Msg_rp_BillItem", "", "销售日报表", &T::Msg_rp_BillItem},
    {"Msg_rp_BillItem", "Delete", "删除重复的销售日报表", &T::Msg_rp_BillItem_Delete},
    {"Msg_rp_BillItem", "None", "没有需要上传的销售日报表！", &T::Msg_rp_BillItem_None},
    {"Msg_rp_BillPayment", "", "收银日报表", &T::Msg_rp_BillPayment},
    {"Msg_rp_BillPayment", "Delete", "删除重复的收银日报表", &T::Msg_rp_BillPayment_Delete},
    {"Msg_rp_BillPayment", "None", "没有需要上传的收银日报表！", &T::Msg_rp_BillPayment_None},
    {"Msg_st_Inventory", "", "库存日报表", &T::Msg_st_Inventory},
    {"Msg_st_Inventory", "Delete", "删除重复的库存日报表", &T::Msg_st_Inventory_Delete},
    {"Msg_st_Inventory", "None", "没有需要上传的库存日报表！", &T::Msg_st_Inventory_None},
    {"Msg_st_Bill", "", "进销存单据", &T::Msg_st_Bill},
    {"Msg_st_Bill_Delete", "", "删除重复的进销存单据", &T::Msg_st_Bill_Delete},
    {"Msg_st_BillItem", "", "进销存明细", &T::Msg_st_BillItem},
    {"Msg_st_BillItem_Delete", "", "删除重复的进销存明细", &T::Msg_st_BillItem_Delete},
    {"Msg_st_BOM", "", "原材料耗量表", &T::Msg_st_BOM},
    {"Msg_st_BOM_Delete", "", "删除重复的原材料耗量表", &T::Msg_st_BOM_Delete},
    {"Msg_st_BOM_Loading", "", "正在生成原材料耗量表：", &T::Msg_st_BOM_Loading},
    {"Msg_PackageName", "Left", "分店【", &T::Msg_PackageName_Left},
    {"Msg_PackageName", "Right", "】上传数据 ：", &T::Msg_PackageName_Right},
};

}  // namespace

ReportTexts ReadReportTexts() noexcept {
  ReportTexts texts;
  for (const TextRow& row : kTextRows) texts.*row.text = row.defaultText;
  IgnoreFailure([&] {
    cLanguage& language = gLanguage();
    const std::string section = language.Section();
    language.SetSection("frmUpload");
    for (const TextRow& row : kTextRows) {
      IgnoreFailure(
          [&] { texts.*row.text = language.getValue(row.key, row.property, row.defaultText); });
    }
    language.SetSection(section);
  });
  return texts;
}

}  // namespace tavex

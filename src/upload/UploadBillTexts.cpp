#include "upload/UploadBillTexts.h"

#include "i18n/TextTable.h"

namespace tavex {

namespace {

using Row = TextRow<UploadBillTexts>;

constexpr Row kTextRows[] = {
    {"Msg_bi_Bill", "消费账单表", &UploadBillTexts::Msg_bi_Bill},
    {"Msg_bi_Bill_Delete", "删除重复的消费账单", &UploadBillTexts::Msg_bi_Bill_Delete},
    {"Msg_bi_Bill_Update", "更新消费账单记录为已上传", &UploadBillTexts::Msg_bi_Bill_Update},
    {"Msg_bi_BillPayment", "支付明细表", &UploadBillTexts::Msg_bi_BillPayment},
    {"Msg_bi_BillPayment_Delete", "删除重复的支付明细",
     &UploadBillTexts::Msg_bi_BillPayment_Delete},
    {"Msg_bi_BillItem", "消费明细表", &UploadBillTexts::Msg_bi_BillItem},
    {"Msg_bi_BillItem_Delete", "删除重复的消费明细", &UploadBillTexts::Msg_bi_BillItem_Delete},
    {"Msg_bi_SubBill", "分单明细表", &UploadBillTexts::Msg_bi_SubBill},
    {"Msg_bi_SubBill_Delete", "删除重复的分单明细", &UploadBillTexts::Msg_bi_SubBill_Delete},
    {"Msg_bi_UnCheckBill", "反结账消费账单表", &UploadBillTexts::Msg_bi_UnCheckBill},
    {"Msg_bi_UnCheckBill_Delete", "删除重复的反结账消费账单",
     &UploadBillTexts::Msg_bi_UnCheckBill_Delete},
    {"Msg_bi_UnCheckBillPayment", "反结账支付明细表", &UploadBillTexts::Msg_bi_UnCheckBillPayment},
    {"Msg_bi_UnCheckBillPayment_Delete", "删除重复的反结账支付明细",
     &UploadBillTexts::Msg_bi_UnCheckBillPayment_Delete},
    {"Msg_bi_UnCheckBillItem", "反结账消费明细表", &UploadBillTexts::Msg_bi_UnCheckBillItem},
    {"Msg_bi_UnCheckBillItem_Delete", "删除重复的反结账消费明细",
     &UploadBillTexts::Msg_bi_UnCheckBillItem_Delete},
    {"Msg_bi_OctopusPayment", "八达通交易记录", &UploadBillTexts::Msg_bi_OctopusPayment},
    {"Msg_bi_OctopusPayment_Delete", "删除重复的八达通交易记录",
     &UploadBillTexts::Msg_bi_OctopusPayment_Delete},
    {"Msg_bi_OctopusPayment_Update", "更新八达通交易记录为已上传",
     &UploadBillTexts::Msg_bi_OctopusPayment_Update},
    {"Msg_bi_Shift", "交班记录", &UploadBillTexts::Msg_bi_Shift},
    {"Msg_bi_Shift_Delete", "删除重复的交班记录", &UploadBillTexts::Msg_bi_Shift_Delete},
    {"Msg_bi_ShiftSum", "银头记录", &UploadBillTexts::Msg_bi_ShiftSum},
    {"Msg_bi_ShiftSum_Delete", "删除重复的银头记录", &UploadBillTexts::Msg_bi_ShiftSum_Delete},
    {"Msg_bi_ShiftLog", "中途取钱记录", &UploadBillTexts::Msg_bi_ShiftLog},
    {"Msg_bi_ShiftLog_Delete", "删除重复的中途取钱记录", &UploadBillTexts::Msg_bi_ShiftLog_Delete},
};

const TextTable<UploadBillTexts> kTextTable({"cUploadBill"}, kTextRows);

}  // namespace

UploadBillTexts ReadUploadBillTexts() noexcept { return kTextTable.Read(); }

}  // namespace tavex

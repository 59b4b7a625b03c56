#pragma once

#include <array>

#include "upload/UploadSet.h"

namespace tavex {

// What the receiving side deletes before a bill package's parent rows are
// written: the whole earlier copy of each incoming record, children first,
// so the child steps that follow only add rows. Both bill builders send
// these, whatever rows they stage.

// Step 21, for each incoming bill: its split-bill lines, items, payments
// and the bill itself.
inline constexpr std::array<PerRowStatement, 4> kBillDeletes = {{
    {"21.1 ", &UploadBillTexts::Msg_bi_SubBill_Delete,
     "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID FROM bi_BillItem "
     "WHERE BillID='{BillID}')"},
    {"21.2 ", &UploadBillTexts::Msg_bi_BillItem_Delete,
     "DELETE FROM bi_BillItem WHERE BillID='{BillID}'"},
    {"21.3 ", &UploadBillTexts::Msg_bi_BillPayment_Delete,
     "DELETE FROM bi_BillPayment WHERE BillID='{BillID}'"},
    {"21.4 ", &UploadBillTexts::Msg_bi_Bill_Delete, "DELETE FROM bi_Bill WHERE BillID='{BillID}'"},
}};

// Step 25, for each incoming reversed checkout: the record, its items and
// its payments.
inline constexpr std::array<PerRowStatement, 4> kUnCheckBillDeletes = {{
    {"25.1 ", &UploadBillTexts::Msg_bi_UnCheckBill_Delete,
     "DELETE FROM bi_UnCheckBill WHERE UnCheckBillID='{UnCheckBillID}'"},
    {"25.2 ", &UploadBillTexts::Msg_bi_UnCheckBillItem_Delete,
     "DELETE FROM bi_UnCheckBillItem WHERE UnCheckBillID='{UnCheckBillID}'"},
    {"25.3 ", &UploadBillTexts::Msg_bi_UnCheckBillPayment_Delete,
     "DELETE FROM bi_UnCheckBillPayment WHERE UnCheckBillID='{UnCheckBillID}'"},
}};

// Step 28, for each incoming Octopus transaction: the earlier copy of the
// same bill, card and device.
inline constexpr std::array<PerRowStatement, 4> kOctopusDeletes = {{
    {"28.1 ", &UploadBillTexts::Msg_bi_OctopusPayment_Delete,
     "DELETE FROM bi_OctopusPayment WHERE BillID='{BillID}' AND CardID='{CardID}' AND "
     "DeviceID='{DeviceID}' "},
}};

}  // namespace tavex

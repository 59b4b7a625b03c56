#pragma once

#include "maintenance/DeletePlans.h"
#include "wizards/DeleteWizard.h"

namespace tavex {

// The stock data delete wizard: the stock documents of a date range or all
// of them, lines first, or every row of the stock master tables.
class frmStDelete : public DatedDeleteWizard<StockDeleteTexts> {
 public:
  explicit frmStDelete(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  void ReadWizardTexts() override { mTexts = ReadStockDeleteTexts(); }
  DeletePlan Plan(db::Connection& host) override;
  void OpenBackup(int left, int top) override;
};

}  // namespace tavex

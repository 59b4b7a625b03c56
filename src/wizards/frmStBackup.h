#pragma once

#include "maintenance/BackupDefinitions.h"
#include "wizards/PackageFileWizard.h"

namespace tavex {

// The stock data backup wizard: the stock documents of a date range or all
// of them, or the stock master tables, into a package file.
class frmStBackup : public PackageFileWizard {
 public:
  explicit frmStBackup(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  void ReadTexts() override { mTexts = ReadStockBackupTexts(); }
  bool DefinePackage() override;
  std::string FaultText() const override { return mTexts.Msg_ExportData_Fault; }

 private:
  std::vector<QRadioButton*> optDeleteType;
  StockBackupTexts mTexts;
};

}  // namespace tavex

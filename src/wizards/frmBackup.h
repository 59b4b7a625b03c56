#pragma once

#include "maintenance/BackupDefinitions.h"
#include "wizards/PackageFileWizard.h"

namespace tavex {

// The business data backup wizard: the bills of a date range, or all of
// them, into a package file.
class frmBackup : public PackageFileWizard {
 public:
  explicit frmBackup(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  void ReadTexts() override { mTexts = ReadBusinessBackupTexts(); }
  bool DefinePackage() override;
  std::string FaultText() const override { return mTexts.Msg_ExportData_Fault; }

 private:
  std::vector<QRadioButton*> optDeleteType;
  BusinessBackupTexts mTexts;
};

}  // namespace tavex

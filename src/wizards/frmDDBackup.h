#pragma once

#include <memory>

#include "maintenance/BackupDefinitions.h"
#include "wizards/BaseDataGroupList.h"
#include "wizards/PackageFileWizard.h"

namespace tavex {

// The base data backup wizard: every row of the chosen groups of the base
// data catalogue into a package file.
class frmDDBackup : public PackageFileWizard {
 public:
  explicit frmDDBackup(ui::UiServices& ui, QWidget* parent = nullptr);

  void cmdSelectAll_Click() { mGroups->SelectAll(true); }
  void cmdSelectNone_Click() { mGroups->SelectAll(false); }

 protected:
  // Reads the texts and fills the group list, every group selected.
  void ReadTexts() override;
  bool DefinePackage() override;
  std::string FaultText() const override { return mTexts.Msg_ExportData_Fault; }

 private:
  std::unique_ptr<BaseDataGroupList> mGroups;
  BaseDataBackupTexts mTexts;
};

}  // namespace tavex

#pragma once

#include "framework/ExchangeContext.h"
#include "maintenance/MemberExport.h"
#include "wizards/PackageFileWizard.h"

namespace tavex {

// The member export wizard: writes the member list into a database file (or
// CSV) with the column names of the language file. Step 0 welcomes and
// defines the export, step 1 takes the file and runs it, step 2 shows the
// written file.
class frmExport : public PackageFileWizard {
 public:
  explicit frmExport(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  void ReadTexts() override { mTexts = ReadMemberExportTexts(); }
  bool DefinePackage() override {
    mPackage = DefineMemberExport(mTexts, Today());
    return true;
  }
  RunOutcome Write(const std::string& path) override {
    return RunMemberExport(*mPackage, mTexts, ExchangeContext::Instance().Connection(), path);
  }
  std::string FaultText() const override { return mTexts.Msg_ExportData_Fault; }

 private:
  MemberExportTexts mTexts;
};

}  // namespace tavex

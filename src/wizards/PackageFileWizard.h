#pragma once

#include <QLabel>
#include <memory>
#include <string>
#include <vector>

#include "engine/Package.h"
#include "maintenance/MaintenanceRuns.h"
#include "ui/WizardFrame.h"

namespace tavex {

// What the wizards that write a file through a package share (the three
// backups and the member export): step 0 defines the package from the
// user's choices, step 1 writes it to the file the user names with its
// progress, step 2 shows the written file.
class PackageFileWizard : public ui::WizardFrame {
 public:
  using WizardFrame::WizardFrame;

 protected:
  // A backup's step 0 so far: the welcome title and lblNotice_0 and _1.
  QWidget* AddBackupWelcomeStep(const std::string& welcome, const std::string& notice0,
                                const std::string& notice1);
  // The business and stock backups' steps: step 0 welcomes and offers the
  // choices `options` (optDeleteType_0, ...) and the date range; steps 1 and
  // 2 as below. Returns the choices.
  std::vector<QRadioButton*> AddDatedBackupSteps(const std::vector<std::string>& options,
                                                 const char* pathField);
  // The backups' step 1: the package path field `pathField` with its
  // chooser and the progress panel.
  void AddBackupRunStep(const char* pathField);
  // The backups' step 2: the written file and the success texts.
  void AddBackupFinishedStep();
  // lblFileName, which shows the written file.
  void AddFileNameLabel(QWidget* step);

  bool StepAction(int step) override;
  // Defines mPackage from the choices of step 0; false stays there.
  virtual bool DefinePackage() = 0;
  // Writes the file at `path` from the host database: by default the
  // backup package that mPackage defines.
  virtual RunOutcome Write(const std::string& path);
  // The failure message of the run.
  virtual std::string FaultText() const = 0;

  // "MSACCESS" or "SQLOLEDB": how the host database takes dates.
  static std::string Provider();
  // Today on this machine's clock.
  static std::chrono::year_month_day Today();

  std::unique_ptr<engine::Package> mPackage;

 private:
  bool RunStep();

  QLabel* lblFileName = nullptr;
};

}  // namespace tavex

#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <memory>
#include <string>

#include "upload/ReportRun.h"
#include "wizards/ExchangeWizard.h"

namespace tavex {

// The upload wizard's own lines and message (section frmUpload).
struct UploadWizardTexts {
  std::string Msg_SynData_Begin;
  std::string Msg_SynData_Success;
  std::string Msg_SynData_Fault;
  std::string Msg_ToSelect;
};

// The upload wizard: sends the daily sales and cashier reports (with the
// bills of their days when asked), the stock on hand, the stock documents
// and the raw-material use of the chosen days to the FTP server as one
// package, or keeps that package in the month's backup folder. Step 0 takes
// the data types and the two date ranges, step 1 the way out (send or keep)
// and runs, step 2 shows the outcome (and the kept copy). The two option
// choices are kept per user between openings; the package file left in the
// temporary folder goes when the wizard closes.
class frmUpload : public ExchangeWizard {
 public:
  explicit frmUpload(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  void ReadTexts() override;
  // At least one data type is chosen.
  bool CheckChoice() override;
  const std::string& StartText() const override { return mTexts.Msg_SynData_Begin; }
  // A run on the progress panel: true when the package was sent or kept.
  bool Run() override;
  // A fresh run object: the old one deletes the package files it left.
  void ReleaseRunFiles() override { mRun = NewRun(); }

 private:
  std::unique_ptr<ReportRun> NewRun();

  std::array<QCheckBox*, 4> chkDataType;
  std::array<QRadioButton*, 2> optDataType;
  std::array<QRadioButton*, 2> optUploadType;
  QLabel* lblNotice_4;
  QLineEdit* txtFileName;
  std::unique_ptr<ReportRun> mRun;
  UploadWizardTexts mTexts;
};

}  // namespace tavex

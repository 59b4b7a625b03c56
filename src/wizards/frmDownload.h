#pragma once

#include <string>

#include "engine/FSComprFile.h"
#include "transfer/PrepareExchange.h"
#include "ui/WizardFrame.h"

namespace tavex {

// The download wizard's own lines (section frmDownload).
struct DownloadWizardTexts {
  std::string Msg_SynData_Begin;
  std::string Msg_SynData_Success;
};

// The download wizard: fetches and merges, on its own progress panel, every
// package waiting for the branch on the FTP server. Step 0 welcomes, step 1
// runs the download (again and again while it fails, each run appending its
// lines), step 2 reports success and on "完成" closes, opening the
// synchronisation log when asked to.
class frmDownload : public ui::WizardFrame {
 public:
  explicit frmDownload(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  bool StepAction(int step) override;
  void ReadTexts() override;

 private:
  // Prepares the exchange and runs the download loop on the progress panel;
  // true when both succeed.
  bool RunDownload();

  engine::FSComprFile FSComprFile1;
  ExchangeSettings mSettings;
  DownloadWizardTexts mTexts;
};

}  // namespace tavex

#pragma once

#include <string>

#include "engine/FSComprFile.h"
#include "transfer/PrepareExchange.h"
#include "wizards/ExchangeWizard.h"

namespace tavex {

// The download wizard's own lines (section frmDownload).
struct DownloadWizardTexts {
  std::string Msg_SynData_Begin;
  std::string Msg_SynData_Success;
};

// The download wizard: fetches and merges, on its own progress panel, every
// package waiting for the branch on the FTP server. Step 0 only welcomes;
// step 2 reports success.
class frmDownload : public ExchangeWizard {
 public:
  explicit frmDownload(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  void ReadTexts() override;
  const std::string& StartText() const override { return mTexts.Msg_SynData_Begin; }
  // Prepares the exchange and runs the download loop on the progress panel;
  // true when both succeed. A failed run leaves the start text standing.
  bool Run() override;

 private:
  engine::FSComprFile FSComprFile1;
  ExchangeSettings mSettings;
  DownloadWizardTexts mTexts;
};

}  // namespace tavex

#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>
#include <string>
#include <vector>

#include "ui/CaptionBar.h"
#include "ui/UiServices.h"
#include "ui/WidgetControl.h"
#include "wizards/FtpSettings.h"

class QFrame;
class QGridLayout;

namespace tavex {

// The synchronisation settings dialog: branch identity, how the FTP server
// is found (a fixed address or a Tavlink lookup, with a test) and the FTP
// account, kept in the settings store; and, read only, the transfer
// protocol that Octopus/MAIN.INI chose.
class frmFTP : public QDialog {
 public:
  explicit frmFTP(ui::UiServices& ui, QWidget* parent = nullptr);

  // Shows the dialog modally; true when cmdOK saved the settings. `left` and
  // `top` are in twips; with both 0 the dialog is centred.
  bool ShowMe(int left = 0, int top = 0);
  // Everything ShowMe does before showing: place, localise, set the help
  // context, fill the fields from the settings store.
  void Prepare(int left = 0, int top = 0);

  void cmdOK_Click();
  void cmdCancel_Click();
  void cmdDDNS_Click();

  bool Saved() const { return mSaved; }
  int HelpContextID() const { return mHelpContextID; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The parts of the dialog, made in the order the keyboard walks them.
  // Each Add...Rows fills `form` from `row` on and gives the next free row.
  QGridLayout* MakeForm();
  int AddBranchRows(QGridLayout& form, int row);
  int AddConnectionRows(QGridLayout& form, int row);
  int AddLoginRows(QGridLayout& form, int row);
  QFrame* MakeButtonBar();
  QLineEdit* AddField(const char* name);
  QLabel* AddLabel(const char* name, const std::string& caption);
  void Localize();
  void ShowFields(const FtpSettingsFields& fields);
  FtpSettingsFields Fields() const;
  // Enables the fields of the chosen connection kind.
  void ApplyConnectionKind();

  ui::UiServices& mUi;
  ui::CaptionBar* mCaption;
  QRadioButton* mDirect;
  QRadioButton* mTavlink;
  QLabel* mTestResult;
  QLabel* mProtocol;
  QPushButton* mTest;
  std::vector<std::unique_ptr<ui::WidgetControl>> mControls;
  FtpSettingsTexts mTexts;
  bool mSaved = false;
  int mHelpContextID = 0;
};

}  // namespace tavex

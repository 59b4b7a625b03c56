#pragma once

#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ProgressEvents.h"
#include "ui/FractionalProgressBar.h"
#include "ui/ProgressListWidget.h"
#include "ui/UiServices.h"
#include "ui/WidgetControl.h"

namespace tavex::ui {

// The frame every wizard stands on: a side picture, a stack of step panels
// (fraStep_0, fraStep_1, ...) of which one shows at a time, and the
// navigation buttons cmdPrev, cmdNext and cmdClose below them. A wizard
// builds its steps in its constructor with the Add... helpers (which name
// every control by its established name, its language-file key) and
// implements StepAction for each step; the frame does the rest: showing,
// localisation, navigation, the busy state and the refusal to close while
// busy, the cancel flag, the package progress event, progress lines, the
// file chooser and the date range.
class WizardFrame : public QDialog {
 public:
  // `name` is the dialog's established name (its section in the language
  // file); `caption` its designer caption, the default of its title.
  WizardFrame(const std::string& name, const std::string& caption, UiServices& ui,
              QWidget* parent = nullptr);
  ~WizardFrame() override;

  // Shows the wizard modally and returns when it closes. `left` and `top`
  // are in twips; with both 0 the wizard is centred on the screen.
  void ShowMe(int left = 0, int top = 0);
  // Everything ShowMe does before showing: place, load (localise, read the
  // wizard's texts), lay out the steps and prepare the first step's data.
  void Prepare(int left = 0, int top = 0);

  // Navigation, as the buttons do it.
  void cmdNext_Click();
  void cmdPrev_Click();
  void cmdClose_Click();
  void cmdCancel_Click();
  void cmdOpen_Click();
  // Opens the log file written last in the desktop's viewer when chkViewLog
  // is checked; does nothing otherwise. Failures are ignored.
  void cmdViewLog_Click();

  // The index of the first visible step panel.
  int CurrentStep() const;
  int StepCount() const { return mSteps->count(); }
  // True between entering and leaving the busy state.
  bool IsBusy() const { return mBusy; }
  bool CancelFlag() const { return mCancel; }
  // The help context of the wizard's help topic, set at load; 0 without
  // help file or topic.
  int HelpContextID() const { return mHelpContextID; }

  // The handler of the package object's Proccess event: the cancel
  // question, the copy lines, lblInfo, the bar, and pending events.
  void Proccess(std::int32_t totalCount, std::int32_t totalFinished,
                const std::string& currentExData, std::int32_t currentCount,
                std::int32_t currentFinished, bool& cancel, bool newExData);
  // Proccess as the handler of a package object's event:
  // mPackage.OnProccess(ProgressHandler()).
  engine::ProccessHandler ProgressHandler();
  // The progress list and bar with the wizard's event pump, for a run.
  RunView View();
  // Adds a progress line, selects it and lets pending events run.
  void AddLine(const std::string& text);

 protected:
  // The action of `step`, run by cmdNext: true goes on to the next step,
  // false stays. The last step's action calls CloseWizard.
  virtual bool StepAction(int step) = 0;
  // Reads the wizard's own texts after the captions are localised.
  virtual void ReadTexts() {}

  // Builders, for the constructor of a wizard. Each returns the new control.
  QWidget* AddStep();
  QLabel* AddWelcome(QWidget* step, const std::string& caption);
  QLabel* AddNotice(QWidget* step, int index, const std::string& caption);
  QLabel* AddLabel(QWidget* step, const char* name, const std::string& caption);
  // txtFileName (or another name) and cmdOpen beside it; `filter` is the
  // chooser's "description|pattern"; `forSaving` for a file the wizard writes.
  QLineEdit* AddFileField(QWidget* step, const char* name, const std::string& filter,
                          bool forSaving = false);
  // lstProgress, lblInfo, ProgressBar and cmdCancel with its caption.
  void AddProgress(QWidget* step, const std::string& cancelCaption);
  // llbBegin, dtpBegin, lblEnd, dtpEnd. A wizard with a second range adds
  // it with a suffix ("1": llbBegin1, dtpBegin1, lblEnd1, dtpEnd1). Every
  // picker starts at today when the wizard is prepared.
  void AddDateRange(QWidget* step, const std::string& suffix = "");
  // optDeleteType_0, _1, ... with these captions; the first is selected.
  std::vector<QRadioButton*> AddOptions(QWidget* step, const std::vector<std::string>& captions);
  // lblUID "账号:" with txtUID and lblPSW "密码:" with txtPSW, whose text
  // never shows. `localised`: the labels take their captions from the
  // wizard's section; otherwise the wizard sets them.
  struct LoginFields {
    QLabel* lblUID;
    QLineEdit* txtUID;
    QLabel* lblPSW;
    QLineEdit* txtPSW;
  };
  LoginFields AddLoginFields(QWidget* step, bool localised = true);
  // chkViewLog (unchecked, "查看数据同步日志") on `step`, and the hidden
  // cmdViewLog, never shown or localised, whose click is cmdViewLog_Click.
  void AddViewLogChoice(QWidget* step);

  // Has the localisation step caption a control the wizard made itself (an
  // option array, a check box); `isArrayElement` as for WidgetControl.
  void Register(QWidget& widget, bool isArrayElement);

  // The help topic ("050602_MemberSyn") whose context the wizard takes at
  // load; for the constructor of a wizard.
  void SetHelpTopic(std::string topic) { mHelpTopic = std::move(topic); }

  // A run that appends its lines to those of an earlier run enters with
  // `emptyList` false.
  // Empties the progress list, the bar and lblInfo: the first step's action
  // of a wizard that runs something.
  void ResetProgress();
  // Shows `text` in lblInfo; a failure is ignored.
  void ShowInfo(const std::string& text) noexcept;
  // The last step's action of a wizard with a view-log choice: closes,
  // lets pending events run, then opens the log when chosen.
  void CloseAndViewLog();

  void EnterBusy(bool emptyList = true);
  void LeaveBusy();
  void ClearCancelFlag() { mCancel = false; }
  // Closes the wizard (refused while busy).
  void CloseWizard();
  // The path field's text; when it is blank, the file chooser's answer; when
  // that is blank too, nullopt with the focus in the field.
  std::optional<std::string> PathOrChooser();

  // The first day of the range and the day after its last day.
  std::chrono::year_month_day RangeBegin() const;
  std::chrono::year_month_day RangeEnd() const;
  // The day shown by the date picker named `pickerName` ("dtpEnd1").
  std::chrono::year_month_day PickedDay(const char* pickerName) const;

  UiServices& Ui() { return mUi; }
  QLineEdit* FileField() const { return mFileField; }
  ProgressListWidget* ProgressList() const { return mProgressList; }
  FractionalProgressBar* Bar() const { return mBar; }
  QLabel* InfoLabel() const { return mInfo; }
  QPushButton* CancelButton() const { return mCancelButton; }

  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Localize();
  void LayOutSteps();
  void ShowStep(int step);
  void UpdateNavigation();

  UiServices& mUi;
  std::string mName;
  QStackedWidget* mSteps = nullptr;
  QLabel* mPicture = nullptr;
  QPushButton* mPrev = nullptr;
  QPushButton* mNext = nullptr;
  QPushButton* mClose = nullptr;
  QPushButton* mCancelButton = nullptr;
  QPushButton* mOpen = nullptr;
  QLineEdit* mFileField = nullptr;
  QCheckBox* mViewLog = nullptr;
  ProgressListWidget* mProgressList = nullptr;
  QLabel* mInfo = nullptr;
  FractionalProgressBar* mBar = nullptr;
  QDateEdit* mBegin = nullptr;
  QDateEdit* mEnd = nullptr;
  std::vector<QDateEdit*> mPickers;
  std::string mFilter;
  bool mForSaving = false;
  std::string mHelpTopic;
  int mHelpContextID = 0;
  std::vector<std::unique_ptr<WidgetControl>> mControls;
  bool mCancel = false;
  bool mBusy = false;
  bool mClosed = false;
};

}  // namespace tavex::ui

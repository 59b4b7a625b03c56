#include "ui/WizardFrame.h"

#include <QCloseEvent>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "engine/RunProgress.h"
#include "framework/PluginFolder.h"
#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "storage/SyncLog.h"
#include "ui/DialogPlacement.h"
#include "ui/HelpFile.h"
#include "ui/Theme.h"

namespace tavex::ui {

namespace {

constexpr int kPictureWidth = 168;
constexpr int kStepWidth = 500;
constexpr int kStepHeight = 360;

QString Text(const std::string& text) { return QString::fromStdString(text); }

QLabel* WrappingLabel(QWidget* parent, const QString& name, const std::string& caption) {
  auto* label = new QLabel(Text(caption), parent);
  label->setObjectName(name);
  label->setWordWrap(true);
  return label;
}

QVBoxLayout* StepLayout(QWidget* step) { return static_cast<QVBoxLayout*>(step->layout()); }

std::chrono::year_month_day DayOf(const QDate& date) {
  return std::chrono::year_month_day{std::chrono::year{date.year()},
                                     std::chrono::month{static_cast<unsigned>(date.month())},
                                     std::chrono::day{static_cast<unsigned>(date.day())}};
}

}  // namespace

WizardFrame::WizardFrame(const std::string& name, const std::string& caption, UiServices& ui,
                         QWidget* parent)
    : QDialog(parent), mUi(ui), mName(name) {
  setObjectName(Text(name));
  setWindowTitle(Text(caption));
  setStyleSheet(DialogStyleSheet());

  mPicture = new QLabel(this);
  mPicture->setObjectName("picLeft");
  mPicture->setFixedWidth(kPictureWidth);
  mPicture->setScaledContents(true);

  mSteps = new QStackedWidget(this);
  mSteps->setFixedSize(kStepWidth, kStepHeight);

  auto* bar = new QFrame(this);
  bar->setObjectName("barButton");
  auto* buttons = new QHBoxLayout(bar);
  buttons->setContentsMargins(16, 12, 16, 12);
  buttons->setSpacing(10);
  buttons->addStretch();
  mPrev = new QPushButton(QStringLiteral("上一步"), bar);
  mNext = new QPushButton(QStringLiteral("下一步"), bar);
  mClose = new QPushButton(QStringLiteral("取消"), bar);
  for (const auto& [button, buttonName] :
       {std::pair{mPrev, "cmdPrev"}, std::pair{mNext, "cmdNext"}, std::pair{mClose, "cmdClose"}}) {
    button->setObjectName(buttonName);
    button->setAutoDefault(false);
    buttons->addWidget(button);
    Register(*button, false);
  }
  connect(mPrev, &QPushButton::clicked, this, [this] { cmdPrev_Click(); });
  connect(mNext, &QPushButton::clicked, this, [this] { cmdNext_Click(); });
  connect(mClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });

  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 24, 0);
  body->setSpacing(24);
  body->addWidget(mPicture);
  body->addWidget(mSteps, 0, Qt::AlignTop);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addLayout(body);
  outer->addWidget(bar);
  outer->setSizeConstraint(QLayout::SetFixedSize);
}

WizardFrame::~WizardFrame() = default;

void WizardFrame::Register(QWidget& widget, bool isArrayElement) {
  mControls.push_back(std::make_unique<WidgetControl>(widget, isArrayElement));
}

QWidget* WizardFrame::AddStep() {
  auto* step = new QWidget(mSteps);
  step->setObjectName(QStringLiteral("fraStep_%1").arg(mSteps->count()));
  auto* layout = new QVBoxLayout(step);
  layout->setContentsMargins(0, 28, 0, 12);
  layout->setSpacing(12);
  mSteps->addWidget(step);
  return step;
}

QLabel* WizardFrame::AddWelcome(QWidget* step, const std::string& caption) {
  return AddLabel(step, "lblWelcome", caption);
}

QLabel* WizardFrame::AddNotice(QWidget* step, int index, const std::string& caption) {
  QLabel* label = WrappingLabel(step, QStringLiteral("lblNotice_%1").arg(index), caption);
  StepLayout(step)->addWidget(label);
  Register(*label, true);
  return label;
}

QLabel* WizardFrame::AddLabel(QWidget* step, const char* name, const std::string& caption) {
  QLabel* label = WrappingLabel(step, name, caption);
  StepLayout(step)->addWidget(label);
  Register(*label, false);
  return label;
}

QLineEdit* WizardFrame::AddFileField(QWidget* step, const char* name, const std::string& filter,
                                     bool forSaving) {
  mFilter = filter;
  mForSaving = forSaving;
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  mFileField = new QLineEdit(step);
  mFileField->setObjectName(name);
  mOpen = new QPushButton(QStringLiteral("..."), step);
  mOpen->setObjectName("cmdOpen");
  mOpen->setAutoDefault(false);
  mOpen->setStyleSheet(QStringLiteral("min-width: 36px; padding: 2px 8px;"));
  Register(*mOpen, false);
  row->addWidget(mFileField, 1);
  row->addWidget(mOpen);
  StepLayout(step)->addLayout(row);
  connect(mOpen, &QPushButton::clicked, this, [this] { cmdOpen_Click(); });
  return mFileField;
}

void WizardFrame::AddProgress(QWidget* step, const std::string& cancelCaption) {
  mProgressList = new ProgressListWidget(step);
  mProgressList->setObjectName("lstProgress");
  mInfo = new QLabel(step);
  mInfo->setObjectName("lblInfo");
  mBar = new FractionalProgressBar(step);
  mBar->setObjectName("ProgressBar");
  mCancelButton = new QPushButton(Text(cancelCaption), step);
  mCancelButton->setObjectName("cmdCancel");
  mCancelButton->setAutoDefault(false);
  mCancelButton->setEnabled(false);
  Register(*mCancelButton, false);
  auto* row = new QHBoxLayout;
  row->addWidget(mInfo, 1);
  row->addWidget(mCancelButton);
  QVBoxLayout* layout = StepLayout(step);
  layout->addWidget(mProgressList, 1);
  layout->addWidget(mBar);
  layout->addLayout(row);
  connect(mCancelButton, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

std::vector<QRadioButton*> WizardFrame::AddOptions(QWidget* step,
                                                   const std::vector<std::string>& captions) {
  std::vector<QRadioButton*> options;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    auto* option = new QRadioButton(Text(captions[i]), step);
    option->setObjectName(QStringLiteral("optDeleteType_%1").arg(i));
    option->setChecked(i == 0);
    StepLayout(step)->addWidget(option);
    Register(*option, true);
    options.push_back(option);
  }
  return options;
}

WizardFrame::LoginFields WizardFrame::AddLoginFields(QWidget* step, bool localised) {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  LoginFields fields{};
  int row = 0;
  for (const auto& [label, field, labelName, fieldName, caption] :
       {std::tuple{&fields.lblUID, &fields.txtUID, "lblUID", "txtUID", "账号:"},
        std::tuple{&fields.lblPSW, &fields.txtPSW, "lblPSW", "txtPSW", "密码:"}}) {
    *label = WrappingLabel(step, labelName, caption);
    (*label)->setWordWrap(false);
    *field = new QLineEdit(step);
    (*field)->setObjectName(fieldName);
    if (localised) Register(**label, false);
    grid->addWidget(*label, row, 0);
    grid->addWidget(*field, row, 1);
    ++row;
  }
  fields.txtPSW->setEchoMode(QLineEdit::Password);
  StepLayout(step)->addLayout(grid);
  return fields;
}

void WizardFrame::AddViewLogChoice(QWidget* step) {
  mViewLog = new QCheckBox(QStringLiteral("查看数据同步日志"), step);
  mViewLog->setObjectName("chkViewLog");
  step->layout()->addWidget(mViewLog);
  Register(*mViewLog, false);
  auto* button = new QPushButton(QStringLiteral("查看日志"), this);
  button->setObjectName("cmdViewLog");
  button->hide();
  connect(button, &QPushButton::clicked, this, [this] { cmdViewLog_Click(); });
}

void WizardFrame::ResetProgress() {
  mProgressList->clear();
  mBar->SetValue(0);
  mInfo->clear();
}

void WizardFrame::ShowInfo(const std::string& text) noexcept {
  IgnoreFailure([&] { mInfo->setText(QString::fromStdString(text)); });
}

void WizardFrame::CloseAndViewLog() {
  CloseWizard();
  mUi.ProcessEvents();
  cmdViewLog_Click();
  mUi.ProcessEvents();
}

void WizardFrame::cmdViewLog_Click() {
  if (mViewLog == nullptr || !mViewLog->isChecked()) return;
  IgnoreFailure([&] {
    const std::string log = GetLastLogFile();
    if (!log.empty()) mUi.OpenInViewer(log);
  });
}

void WizardFrame::AddDateRange(QWidget* step, const std::string& suffix) {
  auto* row = new QHBoxLayout;
  row->setSpacing(8);
  QLabel* from = WrappingLabel(step, Text("llbBegin" + suffix), "从");
  QLabel* to = WrappingLabel(step, Text("lblEnd" + suffix), "到");
  from->setWordWrap(false);
  to->setWordWrap(false);
  auto* begin = new QDateEdit(step);
  begin->setObjectName(Text("dtpBegin" + suffix));
  auto* end = new QDateEdit(step);
  end->setObjectName(Text("dtpEnd" + suffix));
  for (QDateEdit* picker : {begin, end}) {
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("yyyy年MM月dd日"));
    mPickers.push_back(picker);
  }
  if (mBegin == nullptr) {
    mBegin = begin;
    mEnd = end;
  }
  row->addWidget(from);
  row->addWidget(begin, 1);
  row->addWidget(to);
  row->addWidget(end, 1);
  StepLayout(step)->addLayout(row);
  for (QWidget* widget : std::initializer_list<QWidget*>{from, begin, to, end}) {
    Register(*widget, false);
  }
}

std::chrono::year_month_day WizardFrame::RangeBegin() const { return DayOf(mBegin->date()); }

std::chrono::year_month_day WizardFrame::RangeEnd() const { return DayOf(mEnd->date().addDays(1)); }

std::chrono::year_month_day WizardFrame::PickedDay(const char* pickerName) const {
  return DayOf(findChild<QDateEdit*>(pickerName)->date());
}

void WizardFrame::Localize() { LocalizeWidgets(*this, mControls); }

void WizardFrame::LayOutSteps() {
  mPicture->setPixmap(SidePicture(kPictureWidth, kStepHeight + 60));
  ShowStep(0);
  mPrev->setEnabled(false);
}

void WizardFrame::Prepare(int left, int top) {
  mClosed = false;
  IgnoreFailure([&] { PlaceDialog(*this, left, top); });
  IgnoreFailure([&] { Localize(); });
  IgnoreFailure([&] { ReadTexts(); });
  if (!mHelpTopic.empty()) IgnoreFailure([&] { mHelpContextID = HelpContext(mHelpTopic); });
  IgnoreFailure([&] { LayOutSteps(); });
  IgnoreFailure([&] {
    for (QDateEdit* picker : mPickers) picker->setDate(QDate::currentDate());
  });
}

void WizardFrame::ShowMe(int left, int top) {
  Prepare(left, top);
  if (!isVisible()) exec();
}

int WizardFrame::CurrentStep() const { return mSteps->currentIndex(); }

void WizardFrame::ShowStep(int step) { mSteps->setCurrentIndex(step); }

void WizardFrame::UpdateNavigation() {
  const int current = CurrentStep();
  mPrev->setEnabled(current > 0);
  const MessageTexts& texts = Messages();
  mNext->setText(Text(current == StepCount() - 1 ? texts.Msg_Step_Finished : texts.Msg_Step_Next));
}

void WizardFrame::cmdNext_Click() {
  const int current = CurrentStep();
  bool goOn = false;
  try {
    goOn = StepAction(current);
  } catch (const std::exception& failure) {
    // The step stays, and says why: in a message box and in the log.
    WriteSyncLog(failure.what());
    IgnoreFailure([&] { Ui().MessageBox(failure.what(), Messages().Msg_Title); });
  } catch (...) {
  }
  if (!goOn || mClosed) return;
  if (current < StepCount() - 1) ShowStep(current + 1);
  IgnoreFailure([&] { UpdateNavigation(); });
}

void WizardFrame::cmdPrev_Click() {
  const int current = CurrentStep();
  if (current > 0) ShowStep(current - 1);
  IgnoreFailure([&] { UpdateNavigation(); });
}

void WizardFrame::cmdClose_Click() { CloseWizard(); }

void WizardFrame::cmdCancel_Click() { mCancel = true; }

void WizardFrame::cmdOpen_Click() {
  IgnoreFailure([&] {
    const FileChoice choice{PluginFolder(), mFileField->text().toStdString(), mFilter, mForSaving};
    if (std::optional<std::string> chosen = mUi.ChooseFile(choice)) {
      mFileField->setText(Text(*chosen));
    }
    mUi.ProcessEvents();
  });
}

std::optional<std::string> WizardFrame::PathOrChooser() {
  const auto blank = [this] {
    return mFileField->text().toStdString().find_first_not_of(' ') == std::string::npos;
  };
  if (blank()) cmdOpen_Click();
  if (blank()) {
    mFileField->setFocus();
    return std::nullopt;
  }
  return mFileField->text().toStdString();
}

void WizardFrame::CloseWizard() {
  if (!mClose->isEnabled()) return;
  mClosed = true;
  done(QDialog::Accepted);
}

void WizardFrame::closeEvent(QCloseEvent* event) {
  if (!mClose->isEnabled()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void WizardFrame::reject() {
  if (!mClose->isEnabled()) return;
  QDialog::reject();
}

void WizardFrame::EnterBusy(bool emptyList) {
  mBusy = true;
  mCancel = false;
  if (mOpen != nullptr) mOpen->setEnabled(false);
  mPrev->setEnabled(false);
  mNext->setEnabled(false);
  mClose->setEnabled(false);
  if (mCancelButton != nullptr) mCancelButton->setEnabled(true);
  IgnoreFailure([&] {
    if (mProgressList != nullptr && emptyList) mProgressList->clear();
    if (mBar != nullptr) mBar->SetValue(0);
  });
}

void WizardFrame::LeaveBusy() {
  if (mOpen != nullptr) mOpen->setEnabled(true);
  mPrev->setEnabled(true);
  mNext->setEnabled(true);
  mClose->setEnabled(true);
  if (mCancelButton != nullptr) mCancelButton->setEnabled(false);
  mBusy = false;
}

RunView WizardFrame::View() {
  return {.list = mProgressList, .bar = mBar, .processEvents = [this] { mUi.ProcessEvents(); }};
}

void WizardFrame::AddLine(const std::string& text) {
  IgnoreFailure([&] {
    mProgressList->AddItem(text);
    mProgressList->SetListIndex(mProgressList->ListCount() - 1);
  });
  mUi.ProcessEvents();
}

engine::ProccessHandler WizardFrame::ProgressHandler() {
  return [this](const std::string& /*packageName*/, std::int32_t totalCount,
                std::int32_t totalFinished, const std::string& currentExData,
                std::int32_t currentCount, std::int32_t currentFinished, bool& cancel,
                bool newExData) {
    Proccess(totalCount, totalFinished, currentExData, currentCount, currentFinished, cancel,
             newExData);
  };
}

void WizardFrame::Proccess(std::int32_t totalCount, std::int32_t totalFinished,
                           const std::string& currentExData, std::int32_t currentCount,
                           std::int32_t currentFinished, bool& cancel, bool newExData) {
  const MessageTexts& texts = Messages();
  if (mCancel) {
    if (mUi.AskYesNo(texts.Msg_Proc_Cancel, texts.Msg_Title, Answer::Yes)) {
      cancel = true;
      return;
    }
    mCancel = false;
  }
  ShowPackageProgress({.list = mProgressList, .bar = mBar}, totalCount, totalFinished,
                      currentExData, currentCount, currentFinished, newExData);
  IgnoreFailure([&] {
    mInfo->setText(Text(texts.Msg_Proc_Current + std::to_string(currentFinished) + "/" +
                        std::to_string(currentCount) + "  " + texts.Msg_Proc_Total +
                        std::to_string(totalFinished) + "/" + std::to_string(totalCount)));
  });
  mUi.ProcessEvents();
}

}  // namespace tavex::ui

#include "wizards/frmUpload.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGroupBox>
#include <algorithm>

#include "database/AsciiText.h"
#include "i18n/Messages.h"
#include "i18n/TextTable.h"
#include "storage/IgnoreFailure.h"
#include "storage/UserSettings.h"

namespace tavex {

namespace {

constexpr TextRow<UploadWizardTexts> kTextRows[] = {
    {"Msg_SynData", "上传数据已经开始！", &UploadWizardTexts::Msg_SynData_Begin, "Begin"},
    {"Msg_SynData", "上传数据已经完成！", &UploadWizardTexts::Msg_SynData_Success, "Success"},
    {"Msg_SynData", "上传数据尚未完成！", &UploadWizardTexts::Msg_SynData_Fault, "Fault"},
    {"Msg_ToSelect", "至少必须选择一种上传的数据类型！", &UploadWizardTexts::Msg_ToSelect},
};
const TextTable<UploadWizardTexts> kTextTable({"frmUpload"}, kTextRows);

// Where the wizard keeps the user's last option choices.
constexpr const char* kSettingsApplication = "Tavolo";
constexpr const char* kSettingsSection = "tavExDataApp";
constexpr const char* kUploadAll = "UploadAll";
constexpr const char* kUploadType = "UploadType";

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A block of controls inside a step, set in by `indent` pixels and packed
// tighter than the step's own lines.
QWidget* Block(QWidget* step, int indent) {
  auto* block = new QWidget(step);
  auto* layout = new QVBoxLayout(block);
  layout->setContentsMargins(indent, 0, 0, 0);
  layout->setSpacing(4);
  step->layout()->addWidget(block);
  return block;
}

// Two option buttons "<name>_0" and "<name>_1" side by side in `parent`,
// the first one selected.
std::array<QRadioButton*, 2> OptionPair(QWidget* parent, const char* name, const char* first,
                                        const char* second) {
  auto* row = new QHBoxLayout;
  auto* group = new QButtonGroup(parent);
  std::array<QRadioButton*, 2> options{};
  for (int i = 0; i < 2; ++i) {
    options[i] = new QRadioButton(QString::fromUtf8(i == 0 ? first : second), parent);
    options[i]->setObjectName(QStringLiteral("%1_%2").arg(name).arg(i));
    group->addButton(options[i]);
    row->addWidget(options[i]);
  }
  row->addStretch();
  options[0]->setChecked(true);
  static_cast<QBoxLayout*>(parent->layout())->addLayout(row);
  return options;
}

// Selects the second option when the user's setting `key` holds a number
// other than 0, else the first.
void SelectSavedChoice(const std::array<QRadioButton*, 2>& options, const char* key) {
  const bool second =
      LeadingNumber(GetUserSetting(kSettingsApplication, kSettingsSection, key, "0")) != 0;
  options[second ? 1 : 0]->setChecked(true);
}

}  // namespace

frmUpload::frmUpload(ui::UiServices& ui, QWidget* parent)
    : ExchangeWizard("frmUpload", "数据上传向导", ui, parent) {
  QWidget* welcome = AddWelcomeStep(
      "欢迎使用数据上传向导",
      {"本向导将帮助您导出数据，并上传数据到服务器...",
       "提示：如果要上传数据，请选择要上传的数据类型并点击“下一步”继续，否则请单击“取消”"
       "退出本向导。"});
  static constexpr const char* kDataTypes[] = {"上传营业日报表", "上传库存日报表", "上传进销存明细",
                                               "上传原材料耗量汇总表"};
  // Each click on an option stores which one is selected, for the next
  // opening.
  const auto keepChoice = [this](const std::array<QRadioButton*, 2>& options, const char* key) {
    for (QRadioButton* option : options) {
      Register(*option, true);
      connect(option, &QRadioButton::clicked, this, [options, key] {
        SaveUserSetting(kSettingsApplication, kSettingsSection, key,
                        options[1]->isChecked() ? "1" : "0");
      });
    }
  };
  QWidget* types = Block(welcome, 0);
  for (int i = 0; i < 4; ++i) {
    chkDataType[i] = new QCheckBox(QString::fromUtf8(kDataTypes[i]), types);
    chkDataType[i]->setObjectName(QStringLiteral("chkDataType_%1").arg(i));
    types->layout()->addWidget(chkDataType[i]);
    Register(*chkDataType[i], true);
    if (i == 0) {
      // The bills go along with the daily reports and share their days.
      QWidget* reports = Block(types, 24);
      optDataType = OptionPair(reports, "optDataType", "仅上传汇总数据", "同时上传明细数据");
      AddDateRange(reports);
    }
  }
  // The stock documents and the consumption share a range of their own.
  AddDateRange(Block(types, 24), "1");
  keepChoice(optDataType, kUploadAll);
  EndStep(welcome);

  AddRunStep(2, "请单击“下一步”开始导出数据...", "取消导出数据", [&](QWidget* run) {
    auto* fraUploadType = new QGroupBox(QStringLiteral("选项"), run);
    fraUploadType->setObjectName("fraUploadType");
    new QVBoxLayout(fraUploadType);
    optUploadType = OptionPair(fraUploadType, "optUploadType", "导出数据并上传", "仅导出数据");
    run->layout()->addWidget(fraUploadType);
    Register(*fraUploadType, false);
    keepChoice(optUploadType, kUploadType);
  });

  AddFinishedStep("数据已经上传成功", 3, [this](QWidget* finished) {
    lblNotice_4 = AddNotice(finished, 4, "数据已经导出到文件：");
    txtFileName = new QLineEdit(finished);
    txtFileName->setObjectName("txtFileName");
    txtFileName->setReadOnly(true);
    finished->layout()->addWidget(txtFileName);
  });

  mRun = NewRun();
}

void frmUpload::ReadTexts() {
  mTexts = kTextTable.Read();
  // The run reads the report texts of this section when it is made.
  mRun = NewRun();
  SelectSavedChoice(optDataType, kUploadAll);
  SelectSavedChoice(optUploadType, kUploadType);
}

std::unique_ptr<ReportRun> frmUpload::NewRun() {
  return std::make_unique<ReportRun>(ReportRunView{
      .run = View(),
      .showFailure =
          [this](const std::string& text) { Ui().MessageBox(text, Messages().Msg_Title); },
      .onProgress = ProgressHandler()});
}

bool frmUpload::CheckChoice() {
  if (std::any_of(chkDataType.begin(), chkDataType.end(),
                  [](const QCheckBox* box) { return box->isChecked(); })) {
    return true;
  }
  Ui().MessageBox(mTexts.Msg_ToSelect, Messages().Msg_Title);
  return false;
}

bool frmUpload::Run() {
  const ReportChoice choice{
      .dailyReports = chkDataType[0]->isChecked(),
      .withBills = optDataType[1]->isChecked(),
      .inventory = chkDataType[1]->isChecked(),
      .stockDocuments = chkDataType[2]->isChecked(),
      .consumption = chkDataType[3]->isChecked(),
      .reports = {PickedDay("dtpBegin"), PickedDay("dtpEnd")},
      .stock = {PickedDay("dtpBegin1"), PickedDay("dtpEnd1")},
  };
  const bool exportOnly = optUploadType[1]->isChecked();
  const bool result = mRun->Run(choice, exportOnly);
  if (result) {
    IgnoreFailure([&] {
      lblNotice_4->setVisible(exportOnly);
      txtFileName->setVisible(exportOnly);
      if (exportOnly) txtFileName->setText(Text(mRun->BackupFile()));
    });
  }
  ShowInfo(result ? mTexts.Msg_SynData_Success : mTexts.Msg_SynData_Fault);
  return result;
}

}  // namespace tavex

#include "wizards/frmFTP.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "database/Connection.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "ui/DialogPlacement.h"
#include "ui/HelpFile.h"
#include "ui/Theme.h"

namespace tavex {

namespace {

constexpr const char* kFieldNames[] = {"txtID",  "txtName", "txtHost",     "txtUID",
                                       "txtPSW", "txtPort", "txtClientID", "txtPassword"};

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A numbered section heading of the form.
QLabel* Heading(QLabel* label) {
  label->setStyleSheet(QStringLiteral("font-weight: 600; color: #123F5C; margin-top: 6px;"));
  label->setWordWrap(true);
  return label;
}

}  // namespace

frmFTP::frmFTP(ui::UiServices& ui, QWidget* parent) : QDialog(parent), mUi(ui) {
  setObjectName("frmFTP");
  setWindowTitle(QStringLiteral("数据同步设置"));
  setStyleSheet(ui::DialogStyleSheet());

  mCaption = new ui::CaptionBar(this);
  QGridLayout* form = MakeForm();
  QFrame* bar = MakeButtonBar();

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(mCaption);
  outer->addLayout(form);
  outer->addStretch();
  outer->addWidget(bar);
  setFixedWidth(640);

  connect(mTest, &QPushButton::clicked, this, [this] { cmdDDNS_Click(); });
  connect(mDirect, &QRadioButton::toggled, this, [this] { ApplyConnectionKind(); });
}

QGridLayout* frmFTP::MakeForm() {
  auto* form = new QGridLayout;
  form->setContentsMargins(24, 12, 24, 8);
  form->setHorizontalSpacing(12);
  form->setVerticalSpacing(8);
  form->setColumnStretch(1, 1);
  form->setColumnStretch(3, 1);
  int row = AddBranchRows(*form, 0);
  row = AddConnectionRows(*form, row);
  AddLoginRows(*form, row);
  findChild<QLineEdit*>("txtPSW")->setEchoMode(QLineEdit::Password);
  findChild<QLineEdit*>("txtPassword")->setEchoMode(QLineEdit::Password);
  return form;
}

int frmFTP::AddBranchRows(QGridLayout& form, int row) {
  form.addWidget(
      Heading(AddLabel("lblBranch",
                       "1. 请设置分店编码和名称，分店编码必须是字母，建议是两个到四个字母:")),
      row++, 0, 1, 4);
  form.addWidget(AddLabel("lblID", "分店编码:"), row, 0);
  form.addWidget(AddField("txtID"), row, 1);
  form.addWidget(AddLabel("lblName", "分店名称:"), row, 2);
  form.addWidget(AddField("txtName"), row++, 3);
  return row;
}

int frmFTP::AddConnectionRows(QGridLayout& form, int row) {
  form.addWidget(Heading(AddLabel("lblConnectType", "2. 请设置连接方式:")), row++, 0, 1, 4);
  mDirect = new QRadioButton(QStringLiteral("直接连接"), this);
  mDirect->setObjectName("optType_0");
  mControls.push_back(std::make_unique<ui::WidgetControl>(*mDirect, true));
  form.addWidget(mDirect, row, 0);
  form.addWidget(AddLabel("lblHost", "服务器地址:"), row, 1, Qt::AlignRight);
  form.addWidget(AddField("txtHost"), row++, 2, 1, 2);
  mTavlink = new QRadioButton(QStringLiteral("通过“Tavlink”连接"), this);
  mTavlink->setObjectName("optType_1");
  mControls.push_back(std::make_unique<ui::WidgetControl>(*mTavlink, true));
  form.addWidget(mTavlink, row++, 0, 1, 4);
  form.addWidget(AddLabel("lblClientID", "Tavlink账号:"), row, 0);
  form.addWidget(AddField("txtClientID"), row, 1);
  form.addWidget(AddLabel("lblPassword", "Tavlink密码:"), row, 2);
  form.addWidget(AddField("txtPassword"), row++, 3);
  mTest = new QPushButton(QStringLiteral("“Tavlink”测试"), this);
  mTest->setObjectName("cmdDDNS");
  mTest->setAutoDefault(false);
  mControls.push_back(std::make_unique<ui::WidgetControl>(*mTest, false));
  mTestResult = new QLabel(this);
  mTestResult->setObjectName("lblDDNS");
  mTestResult->setWordWrap(true);
  mTestResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
  mTestResult->setMinimumHeight(mTestResult->fontMetrics().lineSpacing() * 3);
  mTestResult->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  form.addWidget(mTest, row, 0, Qt::AlignTop);
  form.addWidget(mTestResult, row++, 1, 1, 3);
  return row;
}

int frmFTP::AddLoginRows(QGridLayout& form, int row) {
  form.addWidget(Heading(AddLabel("lblLogin", "3. 请输入登录服务器的账号和密码:")), row++, 0, 1, 4);
  form.addWidget(AddLabel("lblUID", "FTP账号:"), row, 0);
  form.addWidget(AddField("txtUID"), row, 1);
  form.addWidget(AddLabel("lblPSW", "FTP密码:"), row, 2);
  form.addWidget(AddField("txtPSW"), row++, 3);
  form.addWidget(AddLabel("lblPort", "服务端口:"), row, 0);
  form.addWidget(AddField("txtPort"), row, 1);
  // Shown, not chosen here: MAIN.INI is where an administrator sets it.
  form.addWidget(AddLabel("lblProtocol", "传输协议:"), row, 2);
  mProtocol = new QLabel(this);
  mProtocol->setObjectName("lblProtocolName");
  mProtocol->setWordWrap(true);
  mProtocol->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form.addWidget(mProtocol, row++, 3);
  return row;
}

QFrame* frmFTP::MakeButtonBar() {
  auto* bar = new QFrame(this);
  bar->setObjectName("barButton");
  auto* buttons = new QHBoxLayout(bar);
  buttons->setContentsMargins(16, 12, 16, 12);
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("确定"), bar);
  ok->setObjectName("cmdOK");
  auto* cancel = new QPushButton(QStringLiteral("取消"), bar);
  cancel->setObjectName("cmdCancel");
  for (QPushButton* button : {ok, cancel}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
    mControls.push_back(std::make_unique<ui::WidgetControl>(*button, false));
  }
  connect(ok, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  return bar;
}

QLineEdit* frmFTP::AddField(const char* name) {
  auto* field = new QLineEdit(this);
  field->setObjectName(name);
  field->installEventFilter(this);
  return field;
}

QLabel* frmFTP::AddLabel(const char* name, const std::string& caption) {
  auto* label = new QLabel(Text(caption), this);
  label->setObjectName(name);
  mControls.push_back(std::make_unique<ui::WidgetControl>(*label, false));
  return label;
}

bool frmFTP::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (auto* field = qobject_cast<QLineEdit*>(watched)) {
      // After the click that gave the focus has placed the cursor.
      QTimer::singleShot(0, field, [field] { field->selectAll(); });
    }
  }
  return QDialog::eventFilter(watched, event);
}

void frmFTP::Localize() {
  ui::LocalizeWidgets(*this, mControls);
  mTexts = ReadFtpSettingsTexts();
  mCaption->SetTitle(mTexts.barCaption_Title);
  mCaption->SetPrompt(mTexts.barCaption_Prompt);
}

void frmFTP::Prepare(int left, int top) {
  mSaved = false;
  IgnoreFailure([&] { Localize(); });
  IgnoreFailure([&] { mHelpContextID = ui::HelpContext("050201_SynSetting"); });
  IgnoreFailure([&] { ShowFields(LoadFtpSettings(ExchangeContext::Instance().Settings())); });
  mTestResult->clear();
  mProtocol->clear();
  IgnoreFailure([&] {
    mProtocol->setText(Text(TransferProtocolText(mTexts)));
    mProtocol->setToolTip(Text(mTexts.Msg_Protocol_Hint));
  });
  IgnoreFailure([&] { ui::PlaceDialog(*this, left, top); });
}

bool frmFTP::ShowMe(int left, int top) {
  Prepare(left, top);
  exec();
  return mSaved;
}

void frmFTP::ShowFields(const FtpSettingsFields& fields) {
  const std::string* values[] = {&fields.txtID,       &fields.txtName,    &fields.txtHost,
                                 &fields.txtUID,      &fields.txtPSW,     &fields.txtPort,
                                 &fields.txtClientID, &fields.txtPassword};
  for (std::size_t i = 0; i < std::size(kFieldNames); ++i) {
    findChild<QLineEdit*>(kFieldNames[i])->setText(Text(*values[i]));
  }
  (fields.viaTavlink ? mTavlink : mDirect)->setChecked(true);
  ApplyConnectionKind();
}

FtpSettingsFields frmFTP::Fields() const {
  const auto text = [this](const char* name) {
    return findChild<QLineEdit*>(name)->text().toStdString();
  };
  FtpSettingsFields fields;
  fields.txtID = text("txtID");
  fields.txtName = text("txtName");
  fields.txtHost = text("txtHost");
  fields.txtUID = text("txtUID");
  fields.txtPSW = text("txtPSW");
  fields.txtPort = text("txtPort");
  fields.txtClientID = text("txtClientID");
  fields.txtPassword = text("txtPassword");
  fields.viaTavlink = mTavlink->isChecked();
  return fields;
}

void frmFTP::ApplyConnectionKind() {
  const bool viaTavlink = mTavlink->isChecked();
  findChild<QLineEdit*>("txtHost")->setEnabled(!viaTavlink);
  findChild<QLineEdit*>("txtClientID")->setEnabled(viaTavlink);
  findChild<QLineEdit*>("txtPassword")->setEnabled(viaTavlink);
  mTest->setEnabled(viaTavlink);
  mTestResult->setVisible(viaTavlink);
}

void frmFTP::cmdOK_Click() {
  const FtpSettingsFields fields = Fields();
  if (const auto failure = CheckFtpSettings(fields, mTexts)) {
    mUi.MessageBox(failure->message, Messages().Msg_Title);
    findChild<QLineEdit*>(Text(failure->focus))->setFocus();
    return;
  }
  ExchangeContext& context = ExchangeContext::Instance();
  const std::shared_ptr<db::Connection>& connection = context.Connection();
  try {
    // All nine or none: a half-written account would send the runs astray.
    if (connection != nullptr && connection->IsOpen()) connection->BeginTrans();
    StoreFtpSettings(context.Settings(), fields);
    if (connection != nullptr && connection->InTransaction()) connection->CommitTrans();
  } catch (const std::exception& error) {
    IgnoreFailure([&] {
      if (connection != nullptr && connection->InTransaction()) connection->RollbackTrans();
    });
    mUi.MessageBox(mTexts.Msg_SaveFault + error.what(), Messages().Msg_Title);
    return;
  }
  mSaved = true;
  accept();
}

void frmFTP::cmdCancel_Click() {
  mSaved = false;
  reject();
}

void frmFTP::cmdDDNS_Click() {
  IgnoreFailure([&] {
    const std::string result =
        TavlinkTest(findChild<QLineEdit*>("txtClientID")->text().toStdString(),
                    findChild<QLineEdit*>("txtPassword")->text().toStdString(), mTexts,
                    [this](const std::string& text) {
                      mTestResult->setText(Text(text));
                      mTestResult->repaint();
                    });
    mTestResult->setText(Text(result));
  });
  mUi.ProcessEvents();
}

}  // namespace tavex

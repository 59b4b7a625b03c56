#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDateEdit>
#include <QLabel>
#include <QListWidget>
#include <algorithm>

#include "FakeUiServices.h"
#include "i18n/Messages.h"
#include "support/TempDir.h"
#include "wizards/frmBackup.h"
#include "wizards/frmDDBackup.h"
#include "wizards/frmDDDelete.h"
#include "wizards/frmDelete.h"
#include "wizards/frmDownload.h"
#include "wizards/frmExport.h"
#include "wizards/frmFTP.h"
#include "wizards/frmMemberSyn.h"
#include "wizards/frmRestore.h"
#include "wizards/frmStBackup.h"
#include "wizards/frmStDelete.h"
#include "wizards/frmUpload.h"

namespace tavex {
namespace {

// The shipped English language file, chosen as language 3 in the user's
// settings, for the plug-in folder of the test.
class EnglishTexts : public ::testing::Test {
 protected:
  EnglishTexts() {
    test::WriteFile(mHome / "Languages/tavExDataApp.eng",
                    test::ReadFile(std::string(TAVEX_SOURCE_DIR) + "/languages/tavExDataApp.eng"));
    test::WriteFile(mHome / "config/Tavolo/Tavolo.ini", "[Language]\nLanguage=3\n");
    LoadMessages();
  }
  ~EnglishTexts() override {
    mHomeEnv.reset();
    mConfigEnv.reset();
    LoadMessages();
  }

  static bool HasChinese(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
  }

  // Every label and button text of `dialog` that still holds a Chinese
  // character, with its objectName.
  static std::vector<std::string> ChineseTexts(QWidget& dialog) {
    std::vector<std::string> found;
    const auto check = [&](const QString& name, const QString& text) {
      if (HasChinese(text)) found.push_back(name.toStdString() + ": " + text.toStdString());
    };
    check(dialog.objectName(), dialog.windowTitle());
    for (auto* label : dialog.findChildren<QLabel*>()) check(label->objectName(), label->text());
    for (auto* button : dialog.findChildren<QAbstractButton*>()) {
      check(button->objectName(), button->text());
    }
    return found;
  }

  test::TempDir mHome;
  std::unique_ptr<test::ScopedEnv> mHomeEnv =
      std::make_unique<test::ScopedEnv>("TAVEX_HOME", mHome.Path());
  std::unique_ptr<test::ScopedEnv> mConfigEnv =
      std::make_unique<test::ScopedEnv>("XDG_CONFIG_HOME", mHome / "config");
  test::FakeUiServices mUi;
};

TEST_F(EnglishTexts, NameEveryCaptionOfTheSettingsDialog) {
  frmFTP dialog(mUi);
  dialog.Prepare();
  EXPECT_EQ(ChineseTexts(dialog), std::vector<std::string>{});
  EXPECT_EQ(dialog.windowTitle(), "Synchronisation settings");
  dialog.cmdOK_Click();
  EXPECT_EQ(mUi.shown,
            std::vector<std::string>{
                "box: Notice | The branch code is empty: please enter the branch code!"});
}

TEST_F(EnglishTexts, NameEveryCaptionOfTheRestoreWizardAtEveryStep) {
  frmRestore wizard(mUi);
  wizard.Prepare();
  EXPECT_EQ(ChineseTexts(wizard), std::vector<std::string>{});
  EXPECT_EQ(wizard.findChild<QAbstractButton*>("cmdNext")->text(), "Next >");
}

// The hidden cmdViewLog is never localised.
TEST_F(EnglishTexts, NameEveryCaptionOfTheExchangeWizardsButTheirHiddenButton) {
  frmDownload download(mUi);
  frmMemberSyn members(mUi);
  for (const auto& [wizard, title] :
       {std::pair<ui::WizardFrame*, std::string>{&download, "Data download wizard"},
        {&members, "Data synchronisation wizard"}}) {
    wizard->Prepare();
    EXPECT_EQ(ChineseTexts(*wizard), std::vector<std::string>{"cmdViewLog: 查看日志"}) << title;
    EXPECT_EQ(wizard->windowTitle().toStdString(), title);
  }
  // The run's own texts, read at load.
  const MemberSyncTexts texts = ReadMemberSyncTexts();
  EXPECT_EQ(texts.Msg_SynData_Fault, "The synchronisation is not complete!");
  EXPECT_EQ(texts.Msg_mb_GiftSend_Update, "Mark the gift redemptions as uploaded");
}

TEST_F(EnglishTexts, NameEveryCaptionOfTheBackupAndExportWizards) {
  frmBackup business(mUi);
  frmDDBackup base(mUi);
  frmStBackup stock(mUi);
  frmExport members(mUi);
  for (ui::WizardFrame* wizard :
       std::initializer_list<ui::WizardFrame*>{&business, &base, &stock, &members}) {
    wizard->Prepare();
    EXPECT_EQ(ChineseTexts(*wizard), std::vector<std::string>{});
  }
  EXPECT_EQ(base.findChild<QListWidget*>("lstData")->item(6)->text(), "7. User rights base data");
}

// The run's texts (progress lines, questions, table captions) come from each
// wizard's section too.
TEST_F(EnglishTexts, NameEveryCaptionAndRunTextOfTheDeleteWizards) {
  frmDelete business(mUi);
  frmDDDelete base(mUi);
  frmStDelete stock(mUi);
  std::vector<std::string> texts;
  for (ui::WizardFrame* wizard :
       std::initializer_list<ui::WizardFrame*>{&business, &base, &stock}) {
    wizard->Prepare();
    EXPECT_EQ(ChineseTexts(*wizard), std::vector<std::string>{});
    const DeleteTexts run = ReadDeleteTexts(wizard->objectName().toStdString().c_str());
    texts.insert(texts.end(),
                 {run.Msg_Deleting, run.Msg_Delete_Cancel, run.Msg_Deleted_Left,
                  run.Msg_Deleted_Middle, run.Msg_Deleted_Right, run.Msg_Delete_Fault});
  }
  const BusinessDeleteTexts bills = ReadBusinessDeleteTexts();
  const StockDeleteTexts documents = ReadStockDeleteTexts();
  texts.insert(
      texts.end(),
      {bills.Msg_DateTimeOutOfRange, bills.Msg_prn_PrintJob, bills.Msg_prn_PrintJobItem,
       bills.Msg_bi_Bill, bills.Msg_bi_BillPayment, bills.Msg_bi_BillItem, bills.Msg_bi_SubBill,
       bills.Msg_bi_SubItem, bills.Msg_bi_BillLog, bills.Msg_Unsent_Right,
       documents.Msg_DateTimeOutOfRange, documents.Msg_st_Bill, documents.Msg_st_BillItem,
       documents.Msg_Unsent_Right, ReadBaseDataDeleteTexts().Msg_ToSelect});
  texts.insert(texts.end(), documents.masterTables.begin(), documents.masterTables.end());
  const BaseDataTexts catalogue = ReadBaseDataDeleteTexts().catalogue;
  texts.insert(texts.end(), catalogue.groups.begin(), catalogue.groups.end());
  texts.insert(texts.end(), catalogue.tables.begin(), catalogue.tables.end());
  for (const std::string& text : texts) {
    EXPECT_FALSE(text.empty() || HasChinese(QString::fromStdString(text))) << text;
  }
  EXPECT_EQ(bills.Msg_Unsent_Left + "3" + bills.Msg_Unsent_Right,
            "3 bill(s) have not been uploaded to head office yet. Delete them anyway?");
}

// The report texts the run reads come from the wizard's section too.
TEST_F(EnglishTexts, NameEveryCaptionAndReportTextOfTheUploadWizard) {
  frmUpload wizard(mUi);
  wizard.Prepare();
  EXPECT_EQ(ChineseTexts(wizard), std::vector<std::string>{"cmdViewLog: 查看日志"});
  EXPECT_EQ(wizard.windowTitle(), "Data upload wizard");
  for (const char* picker : {"dtpBegin", "dtpEnd", "dtpBegin1", "dtpEnd1"}) {
    EXPECT_EQ(wizard.findChild<QDateEdit*>(picker)->displayFormat(), "dd MMM yyyy") << picker;
  }
  wizard.cmdNext_Click();
  EXPECT_EQ(mUi.shown,
            std::vector<std::string>{"box: Notice | Choose at least one kind of data to upload!"});
  const ReportTexts texts = ReadReportTexts();
  using T = ReportTexts;
  for (std::string T::*text :
       {&T::Msg_rp_BillItem, &T::Msg_rp_BillItem_Delete, &T::Msg_rp_BillItem_None,
        &T::Msg_rp_BillPayment, &T::Msg_rp_BillPayment_Delete, &T::Msg_rp_BillPayment_None,
        &T::Msg_st_Inventory, &T::Msg_st_Inventory_Delete, &T::Msg_st_Inventory_None,
        &T::Msg_st_Bill, &T::Msg_st_Bill_Delete, &T::Msg_st_BillItem, &T::Msg_st_BillItem_Delete,
        &T::Msg_st_BOM, &T::Msg_st_BOM_Delete, &T::Msg_st_BOM_Loading, &T::Msg_PackageName_Left,
        &T::Msg_PackageName_Right}) {
    EXPECT_FALSE(texts.*text == "" || HasChinese(QString::fromStdString(texts.*text)))
        << texts.*text;
  }
}

}  // namespace
}  // namespace tavex

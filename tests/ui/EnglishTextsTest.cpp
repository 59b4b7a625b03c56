#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>

#include "FakeUiServices.h"
#include "i18n/Messages.h"
#include "support/TempDir.h"
#include "wizards/frmBackup.h"
#include "wizards/frmDDBackup.h"
#include "wizards/frmDownload.h"
#include "wizards/frmExport.h"
#include "wizards/frmFTP.h"
#include "wizards/frmMemberSyn.h"
#include "wizards/frmRestore.h"
#include "wizards/frmStBackup.h"

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

  // Every label and button text of `dialog` that still holds a Chinese
  // character, with its objectName.
  static std::vector<std::string> ChineseTexts(QWidget& dialog) {
    std::vector<std::string> found;
    const auto check = [&](const QString& name, const QString& text) {
      for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) {
          found.push_back(name.toStdString() + ": " + text.toStdString());
          return;
        }
      }
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

}  // namespace
}  // namespace tavex

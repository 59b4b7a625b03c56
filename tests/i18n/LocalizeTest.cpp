#include <gtest/gtest.h>

#include <vector>

#include "LanguageFiles.h"
#include "i18n/Localize.h"
#include "i18n/Messages.h"

namespace tavex {
namespace {

// A control as a dialog would adapt its widget: a name, a caption, maybe an
// array index or the date-picker kind.
class Control : public LocalizableControl {
 public:
  Control(std::string name, std::string caption, std::optional<int> index = std::nullopt,
          Kind kind = Kind::Captioned)
      : mName(std::move(name)), mCaption(std::move(caption)), mIndex(index), mKind(kind) {}

  std::string Name() const override { return mName; }
  std::string Caption() const override { return mCaption; }
  void SetCaption(const std::string& caption) override { mCaption = caption; }
  Kind ControlKind() const override { return mKind; }
  std::optional<int> Index() const override { return mIndex; }

 private:
  std::string mName;
  std::string mCaption;
  std::optional<int> mIndex;
  Kind mKind;
};

class LocalizeTest : public ::testing::Test {
 protected:
  void Localize(Control& dialog, std::vector<Control*> controls) {
    std::vector<LocalizableControl*> list(controls.begin(), controls.end());
    LocalizeDialog(dialog, list);
  }

  test::LanguageHome mFiles;
};

TEST_F(LocalizeTest, TheDialogItsControlsAndItsArrayTakeTheirOwnKeys) {
  mFiles.PutSections(".xml",
                     "<frmRestore>"
                     "<frmRestore Caption=\"Restore data\"/>"
                     "<lblWelcome Caption=\"Welcome\"/>"
                     "<lblNotice_0 Caption=\"n0\"/><lblNotice_1 Caption=\"n1\"/>"
                     "<lblNotice_2 Caption=\"n2\"/><lblNotice_3 Caption=\"n3\"/>"
                     "<lblNotice Caption=\"not an array key\"/>"
                     "</frmRestore>");
  LoadMessages();
  Control dialog("frmRestore", "恢复数据");
  Control welcome("lblWelcome", "欢迎");
  Control untranslated("chkViewLog", "查看日志");
  std::vector<Control> notices;
  for (int i = 0; i <= 3; ++i) notices.emplace_back("lblNotice", "designed", i);
  Localize(dialog, {&welcome, &untranslated, &notices[0], &notices[1], &notices[2], &notices[3]});

  EXPECT_EQ("Restore data", dialog.Caption());
  EXPECT_EQ("Welcome", welcome.Caption());
  EXPECT_EQ("查看日志", untranslated.Caption());
  for (int i = 0; i <= 3; ++i) EXPECT_EQ("n" + std::to_string(i), notices[i].Caption());
  EXPECT_EQ("frmRestore", gLanguage().Section());
}

TEST_F(LocalizeTest, NavigationButtonsAndDatePickersTakeTheSharedTexts) {
  mFiles.PutSections(".xml",
                     "<Main><Msg_Step_Next Default=\"Next &gt;\"/></Main>"
                     "<frmBackup><cmdNext Caption=\"own key is not used\"/></frmBackup>");
  LoadMessages();
  Control dialog("frmBackup", "备份");
  Control previous("cmdPrev", "<");
  Control next("cmdNext", ">");
  Control close("cmdClose", "x");
  Control from("dtpFrom", "", std::nullopt, LocalizableControl::Kind::DatePicker);
  Localize(dialog, {&previous, &next, &close, &from});
  EXPECT_EQ("上一步", previous.Caption());
  EXPECT_EQ("Next >", next.Caption());
  EXPECT_EQ("取消", close.Caption());
  EXPECT_EQ("yyyy年MM月dd日", from.Caption());
}

TEST_F(LocalizeTest, LocalizeCaptionReadsTheCurrentSectionWithTheCaptionAsDefault) {
  mFiles.PutSections(".xml", "<Main><lblTitle_x Caption=\"found\"/></Main>");
  LoadMessages();
  Control label("lblTitle", "designed");
  LocalizeCaption(label, "_x");
  EXPECT_EQ("found", label.Caption());
  LocalizeCaption(label, "");
  EXPECT_EQ("found", label.Caption());
  // The missing key now holds its default in memory: a second dialog
  // instance shows the same caption.
  Control other("lblTitle", "changed design");
  LocalizeCaption(other, "");
  EXPECT_EQ("found", other.Caption());
}

}  // namespace
}  // namespace tavex

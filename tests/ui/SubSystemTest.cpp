#include <gtest/gtest.h>

#include <tuple>

#include "FakeUiServices.h"
#include "ModalCloser.h"
#include "entry/CSubSystem.h"
#include "framework/ExchangeContext.h"
#include "support/HostDatabase.h"
#include "support/ScopedHostConnection.h"
#include "ui/HelpFile.h"
#include "wizards/frmDownload.h"
#include "wizards/frmExport.h"
#include "wizards/frmFTP.h"
#include "wizards/frmMemberSyn.h"
#include "wizards/frmUpload.h"

namespace tavex {
namespace {

constexpr const char* kNotSupported =
    "box: 提示 | "
    "您所使用的软件版本不提供该功能模块!\r如果要升级您的软件版本,请与您的供应商或者我们联系.";

// The help context a dialog takes when it is prepared.
template <typename Dialog>
int HelpContextOf(ui::UiServices& ui) {
  Dialog dialog(ui);
  dialog.Prepare();
  return dialog.HelpContextID();
}

class SubSystem : public ::testing::Test {
 protected:
  SubSystem() {
    MainSystem host(mHost);
    mSubSystem.SetHost(host);
  }

  // SetHost replaces the connection this holds; it is given back at the end.
  test::ScopedHostConnection mHostScope{nullptr};
  test::TempDir mDir;
  test::ScopedEnv mHome{"TAVEX_HOME", mDir.Path()};
  std::shared_ptr<db::Connection> mHost =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir));
  test::FakeUiServices mUi;
  CSubSystem mSubSystem{mUi};
};

TEST_F(SubSystem, SetHostSharesTheHostsConnection) {
  EXPECT_EQ(ExchangeContext::Instance().Connection(), mHost);
  ExchangeContext::Instance().Settings().SetSetting(801, "B01");
  EXPECT_EQ(SettingsStore(mHost).GetSetting(801), "B01");
}

// A name matches only whole, ignoring case alone: no trimming, no prefix.
TEST_F(SubSystem, NamesThatMatchNoActionShowTheNotSupportedBox) {
  const ActionKey keys[] = {std::string(" DoFTP"), std::string("DoFTP "), std::string("DoFTPs"),
                            std::string("DoFT"),   std::int64_t{12},      std::string("")};
  for (const ActionKey& key : keys) mSubSystem.DoAction(key);
  EXPECT_EQ(mUi.shown, std::vector<std::string>(std::size(keys), kNotSupported));
}

TEST_F(SubSystem, MatchingNamesOpenTheirDialogsModally) {
  test::ModalCloser closer;
  for (const char* name :
       {"DOFTP", "dorestore", "DoFTP", "dodownload", "DoMemberSyn", "DoBackup", "doddbackup",
        "DoStBackup", "DoExport", "doupload", "DoDelete", "doDDdelete", "DoStDelete"}) {
    closer.CloseNext();
    mSubSystem.DoAction(std::string(name));
  }
  EXPECT_EQ(closer.closed, (std::vector<std::string>{
                               "frmFTP", "frmRestore", "frmFTP", "frmDownload", "frmMemberSyn",
                               "frmBackup", "frmDDBackup", "frmStBackup", "frmExport", "frmUpload",
                               "frmDelete", "frmDDDelete", "frmStDelete"}));
  EXPECT_TRUE(mUi.shown.empty());
}

// Each dialog's help topic counts only once the help file is there; the
// context is the topic's leading number.
TEST_F(SubSystem, HelpFileAndEachDialogsHelpContextNeedTheFile) {
  const std::tuple<const char*, int (*)(ui::UiServices&), int> dialogs[] = {
      {"frmFTP", &HelpContextOf<frmFTP>, 50201},
      {"frmDownload", &HelpContextOf<frmDownload>, 50602},
      {"frmMemberSyn", &HelpContextOf<frmMemberSyn>, 50602},
      {"frmUpload", &HelpContextOf<frmUpload>, 50602},
      {"frmExport", &HelpContextOf<frmExport>, 50601}};
  EXPECT_EQ(ui::HelpFile(), "");
  for (const auto& [name, context, expected] : dialogs) EXPECT_EQ(context(mUi), 0) << name;
  test::WriteFile(mDir / "help.chm", "help");
  MainSystem host(mHost);
  mSubSystem.SetHost(host);
  EXPECT_EQ(ui::HelpFile(), mDir / "help.chm");
  for (const auto& [name, context, expected] : dialogs) EXPECT_EQ(context(mUi), expected) << name;
  EXPECT_EQ(ui::HelpContext("NoDigits"), 0);
}

TEST_F(SubSystem, AHostWithoutAConnectionStillGetsItsDialogs) {
  MainSystem host(nullptr);
  mSubSystem.SetHost(host);
  EXPECT_EQ(ExchangeContext::Instance().Connection(), nullptr);
  EXPECT_EQ(ExchangeContext::Instance().Settings().GetSetting(801), "");
  test::ModalCloser closer;
  closer.CloseNext();
  mSubSystem.DoAction(std::string("DoFTP"));
  EXPECT_EQ(closer.closed, std::vector<std::string>{"frmFTP"});
}

}  // namespace
}  // namespace tavex

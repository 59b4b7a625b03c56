#include "entry/CSubSystem.h"

#include "entry/ActionNames.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "ui/HelpFile.h"
#include "ui/QtUiServices.h"
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

// Qt keeps references to the arguments for the application's lifetime.
int gArgc = 1;
char gProgramName[] = "tavExDataApp";
char* gArgv[] = {gProgramName, nullptr};

template <typename Wizard>
void Open(ui::UiServices& ui) {
  Wizard dialog(ui);
  dialog.ShowMe();
}

void OpenRestore(ui::UiServices& ui) { Open<frmRestore>(ui); }

void OpenDownload(ui::UiServices& ui) {
  frmDownload dialog(ui);
  dialog.ShowMe();
}

void OpenMemberSyn(ui::UiServices& ui) {
  frmMemberSyn dialog(ui);
  dialog.ShowMe();
}

void OpenFtp(ui::UiServices& ui) {
  frmFTP dialog(ui);
  dialog.ShowMe();
}

// The dialog of each entry of kActionNames.
using Opener = void (*)(ui::UiServices&);
constexpr std::array<Opener, kActionNames.size()> kOpeners = {
    Open<frmDDDelete>, Open<frmDDBackup>, Open<frmStDelete>, Open<frmStBackup>,
    Open<frmDelete>,   Open<frmBackup>,   OpenRestore,       Open<frmUpload>,
    OpenDownload,      OpenMemberSyn,     Open<frmExport>,   OpenFtp};

std::unique_ptr<QApplication> ApplicationIfNone() {
  if (QCoreApplication::instance() != nullptr) return nullptr;
  return std::make_unique<QApplication>(gArgc, gArgv);
}

}  // namespace

CSubSystem::CSubSystem()
    : mOwnUi(std::make_unique<ui::QtUiServices>()),
      mUi(*mOwnUi),
      mApplication(ApplicationIfNone()) {}

CSubSystem::CSubSystem(ui::UiServices& ui) : mUi(ui), mApplication(ApplicationIfNone()) {}

CSubSystem::~CSubSystem() = default;

void CSubSystem::SetHost(MainSystem& mainSystem) {
  IgnoreFailure([&] { ExchangeContext::Instance().SetConnection(mainSystem.Connection()); });
  IgnoreFailure([&] { LoadMessages(); });
  IgnoreFailure([&] { ui::SetupHelpFile(); });
}

void CSubSystem::DoAction(const ActionKey& actionKey) {
  IgnoreFailure([&] {
    const std::optional<std::size_t> action = FindAction(actionKey);
    if (action) {
      kOpeners[*action](mUi);
      return;
    }
    const MessageTexts& texts = Messages();
    mUi.MessageBox(texts.Msg_NotSupport + "\r" + texts.Msg_ToUpgrade, texts.Msg_Title);
  });
}

const VersionInfo& CSubSystem::Version() {
  if (!mVersion) mVersion = CurrentVersion();
  return *mVersion;
}

}  // namespace tavex

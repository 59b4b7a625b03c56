#pragma once

#include <QApplication>
#include <memory>
#include <optional>

#include "framework/ISubSystem.h"
#include "ui/UiServices.h"

namespace tavex {

// The plug-in's entry: the host's ISubSystem. SetHost prepares the
// process-wide state (shared connection, exchange context, message texts,
// help file); DoAction opens the dialog an action names. A host without a Qt
// application of its own gets one for as long as this object lives.
class CSubSystem : public ISubSystem {
 public:
  // The dialogs answer through the desktop's own boxes.
  CSubSystem();
  // The dialogs answer through `ui`, which must outlive the object.
  explicit CSubSystem(ui::UiServices& ui);
  ~CSubSystem() override;

  void SetHost(MainSystem& mainSystem) override;
  void DoAction(const ActionKey& actionKey) override;
  const VersionInfo& Version() override;

 private:
  std::unique_ptr<ui::UiServices> mOwnUi;
  ui::UiServices& mUi;
  std::unique_ptr<QApplication> mApplication;
  std::optional<VersionInfo> mVersion;
};

}  // namespace tavex

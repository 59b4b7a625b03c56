#include "engine/RunProgress.h"

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "storage/SyncLog.h"

namespace tavex {

namespace {

void ProcessEvents(const RunView& view) noexcept {
  if (view.processEvents) IgnoreFailure([&] { view.processEvents(); });
}

}  // namespace

void AddRunLine(const RunView& view, const std::string& text) noexcept {
  if (view.list != nullptr) {
    IgnoreFailure([&] {
      view.list->AddItem(text);
      view.list->SetListIndex(view.list->ListCount() - 1);
    });
  }
  WriteSyncLog(text);
  ProcessEvents(view);
}

void SweepRunBar(const RunView& view, SweepRange range) noexcept {
  for (int k = range.from; k <= range.to; ++k) {
    if (view.bar != nullptr) {
      IgnoreFailure([&] { view.bar->SetValue(static_cast<float>(k / 1000.0 * 100.0)); });
    }
    ProcessEvents(view);
  }
}

void FillRunBar(const RunView& view) noexcept {
  if (view.bar != nullptr) IgnoreFailure([&] { view.bar->SetValue(view.bar->Max()); });
}

void ShowPackageProgress(const RunView& view, std::int32_t totalCount, std::int32_t totalFinished,
                         const std::string& currentExData, std::int32_t currentCount,
                         std::int32_t currentFinished, bool newExData) noexcept {
  const MessageTexts& texts = Messages();
  if (view.list != nullptr) {
    IgnoreFailure([&] {
      ProgressList& list = *view.list;
      if (newExData) {
        list.AddItem(texts.Msg_Proc_Copying + currentExData + " ...");
        list.SetListIndex(list.ListCount() - 1);
      }
      if (currentFinished == currentCount && list.ListCount() > 0) {
        list.SetItem(list.ListCount() - 1,
                     texts.Msg_Proc_Copied_Left + currentExData + texts.Msg_Proc_Copied_Middle +
                         std::to_string(currentCount) + texts.Msg_Proc_Copied_Right);
      }
    });
  }
  if (view.bar != nullptr && totalCount != 0) {
    IgnoreFailure([&] {
      const float percent =
          static_cast<float>(totalFinished) / static_cast<float>(totalCount) * 100.0F;
      if (view.bar->Max() >= percent) view.bar->SetValue(percent);
    });
  }
}

}  // namespace tavex

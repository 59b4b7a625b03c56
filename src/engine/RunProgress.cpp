#include "engine/RunProgress.h"

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "storage/SyncLog.h"

namespace tavex {

void AddRunLine(ProgressList* list, const std::string& text) noexcept {
  if (list != nullptr) {
    IgnoreFailure([&] {
      list->AddItem(text);
      list->SetListIndex(list->ListCount() - 1);
    });
  }
  WriteSyncLog(text);
}

void ShowPackageProgress(ProgressList* list, ProgressBar* bar, std::int32_t totalCount,
                         std::int32_t totalFinished, const std::string& currentExData,
                         std::int32_t currentCount, std::int32_t currentFinished,
                         bool newExData) noexcept {
  const MessageTexts& texts = Messages();
  if (list != nullptr) {
    IgnoreFailure([&] {
      if (newExData) {
        list->AddItem(texts.Msg_Proc_Copying + currentExData + " ...");
        list->SetListIndex(list->ListCount() - 1);
      }
      if (currentFinished == currentCount && list->ListCount() > 0) {
        list->SetItem(list->ListCount() - 1,
                      texts.Msg_Proc_Copied_Left + currentExData + texts.Msg_Proc_Copied_Middle +
                          std::to_string(currentCount) + texts.Msg_Proc_Copied_Right);
      }
    });
  }
  if (bar != nullptr && totalCount != 0) {
    IgnoreFailure([&] {
      const float percent =
          static_cast<float>(totalFinished) / static_cast<float>(totalCount) * 100.0F;
      if (bar->Max() >= percent) bar->SetValue(percent);
    });
  }
}

}  // namespace tavex

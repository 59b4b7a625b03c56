#pragma once

#include <QListWidget>

#include "framework/ProgressView.h"

namespace tavex::ui {

// The list box of a dialog's progress step, as the progress list that runs
// write their lines to.
class ProgressListWidget : public QListWidget, public ProgressList {
 public:
  explicit ProgressListWidget(QWidget* parent = nullptr);

  void AddItem(const std::string& text) override;
  int ListCount() const override { return count(); }
  void SetItem(int index, const std::string& text) override;
  void SetListIndex(int index) override;

  // The lines, first to last.
  std::vector<std::string> Lines() const;
};

}  // namespace tavex::ui

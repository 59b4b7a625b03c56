#pragma once

#include <functional>
#include <string>

namespace tavex {

// The progress list a host hands to a run: one line per step, the last one
// selected. The CLI prints it, the dialogs show it in a list box.
class ProgressList {
 public:
  virtual ~ProgressList() = default;

  // Adds `text` as the new last line.
  virtual void AddItem(const std::string& text) = 0;
  virtual int ListCount() const = 0;
  // Replaces line `index` (0-based, < ListCount()).
  virtual void SetItem(int index, const std::string& text) = 0;
  // Selects line `index`; -1 selects none.
  virtual void SetListIndex(int index) = 0;
};

// The progress bar a host hands to a run. Values are fractional: runs step
// it by tenths and thousandths.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;

  virtual double Min() const = 0;
  virtual double Max() const = 0;
  virtual double Value() const = 0;
  virtual void SetMin(double min) = 0;
  virtual void SetMax(double max) = 0;
  virtual void SetValue(double value) = 0;
};

// Where a run shows what it does: the list and the bar its host hands it,
// and the host's event pump. Every member may be left empty: a run without
// a list or a bar shows nothing there, and without `processEvents` it does
// not pause for a user interface. The list and the bar must outlive the run.
struct RunView {
  ProgressList* list = nullptr;
  ProgressBar* bar = nullptr;
  // Called after each line and each step of a bar sweep (a dialog keeps
  // itself alive there).
  std::function<void()> processEvents = {};
};

}  // namespace tavex

#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/ProgressView.h"

namespace tavex::test {

// A progress list that keeps its lines, for checking what a run reported.
class RecordingList : public ProgressList {
 public:
  void AddItem(const std::string& text) override { lines.push_back(text); }
  int ListCount() const override { return static_cast<int>(lines.size()); }
  void SetItem(int index, const std::string& text) override {
    lines.at(static_cast<std::size_t>(index)) = text;
  }
  void SetListIndex(int index) override { selected = index; }
  bool HasLine(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  std::vector<std::string> lines;
  int selected = -1;
};

// A recording list that lets a test act at the moment a line is added or
// replaced, as a host's list box sees the run (to break a run at a chosen
// step, or to write while it runs).
class HookedList : public RecordingList {
 public:
  void AddItem(const std::string& text) override {
    RecordingList::AddItem(text);
    if (onLine) onLine(text);
  }
  void SetItem(int index, const std::string& text) override {
    RecordingList::SetItem(index, text);
    if (onLine) onLine(text);
  }
  std::function<void(const std::string&)> onLine;
};

// A progress bar that keeps its settings and every value it was given.
class RecordingBar : public ProgressBar {
 public:
  double Min() const override { return min; }
  double Max() const override { return max; }
  double Value() const override { return value; }
  void SetMin(double v) override { min = v; }
  void SetMax(double v) override { max = v; }
  void SetValue(double v) override {
    value = v;
    values.push_back(v);
  }

  double min = 0;
  double max = 100;
  double value = 0;
  std::vector<double> values;
};

}  // namespace tavex::test

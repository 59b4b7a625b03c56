#pragma once

#include <algorithm>
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

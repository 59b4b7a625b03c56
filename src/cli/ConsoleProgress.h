#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/ProgressView.h"

namespace tavex::cli {

// The progress bar of a run in a terminal: one line on the error stream,
// redrawn in place as the value changes. When the stream is not a terminal
// (a log file, a pipe) the bar keeps its values and draws nothing.
class ConsoleBar : public ProgressBar {
 public:
  ConsoleBar(std::ostream& err, bool visible) : mErr(err), mVisible(visible) {}

  double Min() const override { return mMin; }
  double Max() const override { return mMax; }
  double Value() const override { return mValue; }
  void SetMin(double min) override { mMin = min; }
  void SetMax(double max) override { mMax = max; }
  void SetValue(double value) override;

  // Wipes the drawn bar so that a line can be printed in its place; the
  // next value draws it again.
  void Clear();

 private:
  std::ostream& mErr;
  bool mVisible;
  bool mDrawn = false;
  double mMin = 0;
  double mMax = 100;
  double mValue = 0;
};

// The progress list of a run on the output stream: every added line is
// printed as it comes, and a replaced last line (a step's summary taking
// the place of its "copying" line) is printed again in its new form.
class ConsoleList : public ProgressList {
 public:
  // `bar`, when given, is wiped before each line so the two do not mix.
  explicit ConsoleList(std::ostream& out, ConsoleBar* bar = nullptr) : mOut(out), mBar(bar) {}

  void AddItem(const std::string& text) override;
  int ListCount() const override { return static_cast<int>(mLines.size()); }
  void SetItem(int index, const std::string& text) override;
  void SetListIndex(int index) override { mSelected = index; }

  const std::vector<std::string>& Lines() const { return mLines; }

 private:
  void Print(const std::string& text);

  std::ostream& mOut;
  ConsoleBar* mBar;
  std::vector<std::string> mLines;
  int mSelected = -1;
};

// Runs an unattended exchange run with its lines on `out` and, when `err` is
// the terminal's error stream, its bar there; wipes the bar afterwards.
// Answers the run's result.
bool RunWithConsoleProgress(std::ostream& out, std::ostream& err,
                            const std::function<bool(ProgressList&, ProgressBar&)>& run);

}  // namespace tavex::cli

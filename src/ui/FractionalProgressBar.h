#pragma once

#include <QProgressBar>

#include "framework/ProgressView.h"

namespace tavex::ui {

// A progress bar with fractional Min, Max and Value, as runs step it (by
// tenths and thousandths). Qt's bar counts in whole numbers, so it counts
// thousandths here: every step of 0.001 moves the drawn bar, and Value reads
// back exactly what was set.
class FractionalProgressBar : public QProgressBar, public ProgressBar {
 public:
  explicit FractionalProgressBar(QWidget* parent = nullptr);

  double Min() const override { return mMin; }
  double Max() const override { return mMax; }
  double Value() const override { return mValue; }
  void SetMin(double min) override;
  void SetMax(double max) override;
  void SetValue(double value) override;

  // Units of the drawn bar per unit of Value.
  static constexpr double kScale = 1000.0;

 private:
  void Redraw();
  static int Scaled(double value);

  double mMin = 0;
  double mMax = 100;
  double mValue = 0;
};

}  // namespace tavex::ui

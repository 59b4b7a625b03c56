#include "ui/FractionalProgressBar.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace tavex::ui {

FractionalProgressBar::FractionalProgressBar(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
  Redraw();
}

void FractionalProgressBar::SetMin(double min) {
  mMin = min;
  Redraw();
}

void FractionalProgressBar::SetMax(double max) {
  mMax = max;
  Redraw();
}

void FractionalProgressBar::SetValue(double value) {
  mValue = value;
  Redraw();
}

int FractionalProgressBar::Scaled(double value) {
  const double scaled = std::round(value * kScale);
  return static_cast<int>(
      std::clamp(scaled, static_cast<double>(INT_MIN / 2), static_cast<double>(INT_MAX / 2)));
}

void FractionalProgressBar::Redraw() {
  const int low = Scaled(mMin);
  const int high = std::max(low, Scaled(mMax));
  setRange(low, high);
  QProgressBar::setValue(std::clamp(Scaled(mValue), low, high));
}

}  // namespace tavex::ui

#include "ui/ScreenPlacement.h"

#include <cmath>

namespace tavex::ui {

int TwipsToPixels(int twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

int PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

int CentredOffset(int outer, int inner) {
  // std::nearbyint rounds halves to even in the default rounding mode.
  return static_cast<int>(std::nearbyint((static_cast<double>(outer) - inner) / 2.0));
}

}  // namespace tavex::ui

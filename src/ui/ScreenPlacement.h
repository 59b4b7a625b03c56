#pragma once

namespace tavex::ui {

// Dialog positions are given in twips, as the dialogs' callers count them;
// the screen works in pixels (15 twips each at 96 dots per inch).
inline constexpr int kTwipsPerPixel = 15;

int TwipsToPixels(int twips);
int PixelsToTwips(int pixels);

// The offset that centres `inner` within `outer`: (outer - inner) / 2,
// rounded to the nearest whole number with halves to the even neighbour.
int CentredOffset(int outer, int inner);

}  // namespace tavex::ui

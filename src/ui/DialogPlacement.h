#pragma once

#include <QWidget>

namespace tavex::ui {

// Places a dialog as ShowMe does: with `left` and `top` both 0 it is centred
// on the primary screen by its current size, otherwise its top-left corner
// goes to `left`, `top` (in twips).
void PlaceDialog(QWidget& dialog, int left, int top);

}  // namespace tavex::ui

#include "ui/DialogPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include "ui/ScreenPlacement.h"

namespace tavex::ui {

void PlaceDialog(QWidget& dialog, int left, int top) {
  dialog.adjustSize();
  if (left == 0 && top == 0) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    dialog.move(screen.left() + CentredOffset(screen.width(), dialog.width()),
                screen.top() + CentredOffset(screen.height(), dialog.height()));
  } else {
    dialog.move(TwipsToPixels(left), TwipsToPixels(top));
  }
}

}  // namespace tavex::ui

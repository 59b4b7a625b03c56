#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

namespace tavex::ui {

// The look every dialog of the plug-in shares: colours, the style sheet and
// the side picture of the wizards.

inline const QColor kAccent{0x1F, 0x6F, 0x8B};      // deep teal: headers, primary button
inline const QColor kAccentDark{0x12, 0x3F, 0x5C};  // the gradient's far end
inline const QColor kBarBackground{0xF3, 0xF5, 0xF7};

// The style sheet of a dialog's own widgets (buttons, fields, lists, bar).
QString DialogStyleSheet();

// The wizards' side picture at `width` x `height` pixels: a calm gradient
// with a drawn emblem of two packages exchanging data.
QPixmap SidePicture(int width, int height);

}  // namespace tavex::ui

#include "ui/Theme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tavex::ui {

QString DialogStyleSheet() {
  return QStringLiteral(
      "QDialog { background: #FFFFFF; }"
      "QLabel#lblWelcome, QLabel#lblSuccess { font-size: 16pt; font-weight: 600; color: #123F5C;"
      "  margin-bottom: 8px; }"
      "QFrame#barButton { background: #F3F5F7; border-top: 1px solid #DDE2E7; }"
      "QPushButton { min-width: 88px; min-height: 28px; padding: 2px 14px;"
      "  border: 1px solid #B9C2CB; border-radius: 4px; background: #FFFFFF; color: #1D2A33; }"
      "QPushButton:hover { background: #EEF4F7; }"
      "QPushButton:disabled { color: #9AA5AF; border-color: #DDE2E7; background: #F7F8F9; }"
      "QPushButton#cmdNext, QPushButton#cmdOK { background: #1F6F8B; color: #FFFFFF;"
      "  border-color: #1F6F8B; }"
      "QPushButton#cmdNext:hover, QPushButton#cmdOK:hover { background: #185A72; }"
      "QPushButton#cmdNext:disabled { background: #9CC0CC; border-color: #9CC0CC; }"
      "QLineEdit, QDateEdit { min-height: 26px; padding: 0 6px; border: 1px solid #B9C2CB;"
      "  border-radius: 4px; background: #FFFFFF; }"
      "QLineEdit:focus, QDateEdit:focus { border-color: #1F6F8B; }"
      "QLineEdit:disabled { background: #EEF0F2; color: #8A959F; }"
      "QListWidget { border: 1px solid #DDE2E7; border-radius: 4px; background: #FBFCFD; }"
      "QListWidget::item:selected { background: #DCEBF1; color: #1D2A33; }"
      "QProgressBar { min-height: 10px; max-height: 10px; border: none; border-radius: 5px;"
      "  background: #E4E9EE; }"
      "QProgressBar::chunk { border-radius: 5px; background: #2E8FB0; }");
}

QPixmap SidePicture(int width, int height) {
  QPixmap picture(width, height);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient background(0, 0, width * 0.4, height);
  background.setColorAt(0, kAccent);
  background.setColorAt(1, kAccentDark);
  painter.fillRect(picture.rect(), background);

  // Soft circles for depth.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 18));
  painter.drawEllipse(QPointF(width * 0.9, height * 0.12), width * 0.55, width * 0.55);
  painter.drawEllipse(QPointF(width * 0.05, height * 0.95), width * 0.7, width * 0.7);

  // Two packages with arrows between them.
  const double unit = width / 8.0;
  const QPointF centre(width / 2.0, height * 0.42);
  painter.setBrush(QColor(255, 255, 255, 235));
  const QRectF upper(centre.x() - 2.6 * unit, centre.y() - 2.6 * unit, 2.2 * unit, 2.2 * unit);
  const QRectF lower(centre.x() + 0.4 * unit, centre.y() + 0.4 * unit, 2.2 * unit, 2.2 * unit);
  painter.drawRoundedRect(upper, unit * 0.3, unit * 0.3);
  painter.drawRoundedRect(lower, unit * 0.3, unit * 0.3);
  painter.setBrush(kAccent);
  painter.drawRect(
      QRectF(upper.left(), upper.center().y() - unit * 0.12, upper.width(), unit * 0.24));
  painter.drawRect(
      QRectF(lower.left(), lower.center().y() - unit * 0.12, lower.width(), unit * 0.24));

  QPen arrow(QColor(255, 255, 255, 235), unit * 0.22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(arrow);
  painter.setBrush(Qt::NoBrush);
  QPainterPath forward;
  forward.moveTo(upper.right() + unit * 0.3, upper.center().y());
  forward.cubicTo(lower.center().x(), upper.center().y(), lower.center().x(), upper.center().y(),
                  lower.center().x(), lower.top() - unit * 0.35);
  painter.drawPath(forward);
  painter.drawLine(QPointF(lower.center().x(), lower.top() - unit * 0.35),
                   QPointF(lower.center().x() - unit * 0.35, lower.top() - unit * 0.75));
  painter.drawLine(QPointF(lower.center().x(), lower.top() - unit * 0.35),
                   QPointF(lower.center().x() + unit * 0.35, lower.top() - unit * 0.75));
  QPainterPath back;
  back.moveTo(lower.left() - unit * 0.3, lower.center().y());
  back.cubicTo(upper.center().x(), lower.center().y(), upper.center().x(), lower.center().y(),
               upper.center().x(), upper.bottom() + unit * 0.35);
  painter.drawPath(back);
  painter.drawLine(QPointF(upper.center().x(), upper.bottom() + unit * 0.35),
                   QPointF(upper.center().x() - unit * 0.35, upper.bottom() + unit * 0.75));
  painter.drawLine(QPointF(upper.center().x(), upper.bottom() + unit * 0.35),
                   QPointF(upper.center().x() + unit * 0.35, upper.bottom() + unit * 0.75));

  painter.setPen(QColor(255, 255, 255, 200));
  QFont font = painter.font();
  font.setPointSizeF(11);
  font.setWeight(QFont::DemiBold);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  painter.setFont(font);
  painter.drawText(QRectF(0, height - 3 * unit, width, 2 * unit), Qt::AlignCenter,
                   QStringLiteral("TAVOLO"));
  return picture;
}

}  // namespace tavex::ui

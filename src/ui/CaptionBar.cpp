#include "ui/CaptionBar.h"

#include <QVBoxLayout>

namespace tavex::ui {

CaptionBar::CaptionBar(QWidget* parent) : QFrame(parent) {
  setObjectName("barCaption");
  setStyleSheet(
      QStringLiteral("QFrame#barCaption { background: qlineargradient(x1:0, y1:0, x2:1, y2:1,"
                     "  stop:0 #1F6F8B, stop:1 #123F5C); }"
                     "QLabel { color: #FFFFFF; background: transparent; }"
                     "QLabel#barCaptionTitle { font-size: 15pt; font-weight: 600; }"
                     "QLabel#barCaptionPrompt { color: #D6E7EE; }"));
  mTitle = new QLabel(this);
  mTitle->setObjectName("barCaptionTitle");
  mPrompt = new QLabel(this);
  mPrompt->setObjectName("barCaptionPrompt");
  mPrompt->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->setSpacing(4);
  layout->addWidget(mTitle);
  layout->addWidget(mPrompt);
}

std::string CaptionBar::Title() const { return mTitle->text().toStdString(); }

void CaptionBar::SetTitle(const std::string& title) {
  mTitle->setText(QString::fromStdString(title));
}

std::string CaptionBar::Prompt() const { return mPrompt->text().toStdString(); }

void CaptionBar::SetPrompt(const std::string& prompt) {
  mPrompt->setText(QString::fromStdString(prompt));
}

}  // namespace tavex::ui

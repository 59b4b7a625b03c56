#include "ui/QtUiServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace tavex::ui {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The path a file dialog opens at: the preset name when it is absolute, else
// the name inside the initial folder.
QString StartPath(const FileChoice& choice) {
  if (choice.fileName.empty()) return Text(choice.initialFolder);
  if (QDir::isAbsolutePath(Text(choice.fileName))) return Text(choice.fileName);
  return QDir(Text(choice.initialFolder)).filePath(Text(choice.fileName));
}

}  // namespace

std::string QtFileFilter(const std::string& filter) {
  std::string qtFilter;
  std::size_t start = 0;
  while (start <= filter.size()) {
    const auto bar = filter.find('|', start);
    if (bar == std::string::npos) return qtFilter + filter.substr(start);
    const std::string description = filter.substr(start, bar - start);
    const auto next = filter.find('|', bar + 1);
    const std::string pattern =
        filter.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
    const std::string bracketed = "(" + pattern + ")";
    const bool named = description.size() >= bracketed.size() &&
                       description.compare(description.size() - bracketed.size(), bracketed.size(),
                                           bracketed) == 0;
    qtFilter += named ? description : description + " " + bracketed;
    if (next == std::string::npos) break;
    qtFilter += ";;";
    start = next + 1;
  }
  return qtFilter;
}

void QtUiServices::MessageBox(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::Information, Text(title), Text(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

bool QtUiServices::AskYesNo(const std::string& text, const std::string& title, Answer focus) {
  QMessageBox box(QMessageBox::Question, Text(title), Text(text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  box.setDefaultButton(focus == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtUiServices::ChooseFile(const FileChoice& choice) {
  const auto show =
      choice.forSaving ? &QFileDialog::getSaveFileName : &QFileDialog::getOpenFileName;
  const QString chosen = show(QApplication::activeWindow(), QString(), StartPath(choice),
                              Text(QtFileFilter(choice.filter)), nullptr, QFileDialog::Options());
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

void QtUiServices::OpenInViewer(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(Text(path)));
}

void QtUiServices::ProcessEvents() { QCoreApplication::processEvents(); }

}  // namespace tavex::ui

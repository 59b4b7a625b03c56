#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

namespace tavex::test {

// Closes the modal window that opens next, once the event loop runs it, and
// keeps the objectName of every window it closed.
class ModalCloser {
 public:
  void CloseNext() {
    QTimer::singleShot(0, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        closed.push_back(modal->objectName().toStdString());
        modal->close();
      }
    });
  }

  std::vector<std::string> closed;
};

}  // namespace tavex::test

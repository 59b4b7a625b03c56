#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/UiServices.h"

namespace tavex::test {

// UI services that record every text a dialog shows and answer from a
// script. Each record is one string: "box: TITLE | TEXT", "ask: TITLE |
// TEXT" (followed by " | No" when No is the default), "choose: FOLDER | NAME | FILTER" (followed by
// " | save" for a file to be written), "view: PATH". A question or a file chooser with no scripted
// answer fails the test and answers No or cancel.
class FakeUiServices : public ui::UiServices {
 public:
  void MessageBox(const std::string& text, const std::string& title) override {
    shown.push_back("box: " + title + " | " + text);
  }

  bool AskYesNo(const std::string& text, const std::string& title, ui::Answer focus) override {
    shown.push_back("ask: " + title + " | " + text + (focus == ui::Answer::No ? " | No" : ""));
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::optional<std::string> ChooseFile(const ui::FileChoice& choice) override {
    shown.push_back("choose: " + choice.initialFolder + " | " + choice.fileName + " | " +
                    choice.filter + (choice.forSaving ? " | save" : ""));
    if (files.empty()) {
      ADD_FAILURE() << "unexpected file chooser";
      return std::nullopt;
    }
    auto file = files.front();
    files.pop_front();
    return file;
  }

  void OpenInViewer(const std::string& path) override { shown.push_back("view: " + path); }

  void ProcessEvents() override {
    ++processed;
    if (onProcessEvents) onProcessEvents();
  }

  // The records that start with `prefix` ("box: ", "ask: ", ...).
  std::vector<std::string> Shown(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const auto& record : shown) {
      if (record.rfind(prefix, 0) == 0) matching.push_back(record);
    }
    return matching;
  }

  std::vector<std::string> shown;
  std::deque<bool> answers;
  std::deque<std::optional<std::string>> files;
  int processed = 0;
  std::function<void()> onProcessEvents;
};

}  // namespace tavex::test

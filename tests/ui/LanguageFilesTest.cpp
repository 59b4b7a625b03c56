#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QRadioButton>
#include <QStackedWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "FakeUiServices.h"
#include "ProductTexts.h"
#include "i18n/TextRegistry.h"
#include "i18n/cLanguage.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/ScopedHostConnection.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using Address = std::tuple<std::string, std::string, std::string>;

const fs::path kSourceDir = TAVEX_SOURCE_DIR;

// The shipped language files: languages/tavExDataApp.<ext>.
std::vector<fs::path> ShippedFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(kSourceDir / "languages")) {
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The language number whose file has the extension of `file`; 0 for none.
std::int32_t LanguageNumber(const fs::path& file) {
  for (std::int32_t number = 1; number <= 3; ++number) {
    if (cLanguage::Extension(number) == file.extension()) return number;
  }
  return 0;
}

// Every section/key/property a language file holds.
std::set<Address> AddressesIn(const fs::path& file) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_file(file.c_str())) << file;
  std::set<Address> held;
  for (pugi::xml_node section : document.child("Language").child("tavExDataApp").children()) {
    for (pugi::xml_node key : section.children()) {
      for (pugi::xml_attribute property : key.attributes()) {
        held.emplace(section.name(), key.name(), property.name());
      }
    }
  }
  return held;
}

std::string Listed(const std::set<Address>& addresses) {
  std::string list;
  for (const auto& [section, key, property] : addresses) {
    list += "  " + section + "/" + key + "@" + property + "\n";
  }
  return list;
}

// A plug-in folder holding one language file chosen in the user's settings
// (or none, for the built-in texts), and the product with its host.
class LanguageFiles : public ::testing::Test {
 protected:
  void UseLanguage(const std::optional<fs::path>& file) {
    mHome.reset();  // gives the environment back before the next one takes it
    mHome = std::make_unique<test::PluginHome>();
    if (file) {
      test::WriteFile(*mHome / ("Languages/tavExDataApp" + file->extension().string()),
                      test::ReadFile(*file));
    }
    test::WriteFile(
        *mHome / "config/Tavolo/Tavolo.ini",
        "[Language]\nLanguage=" + std::to_string(file ? LanguageNumber(*file) : 0) + "\n");
    MainSystem host(mHost);
    mSubSystem.SetHost(host);
  }

  test::ScopedHostConnection mHostScope{nullptr};
  test::TempDir mDir;
  std::shared_ptr<db::Connection> mHost =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir));
  std::unique_ptr<test::PluginHome> mHome;
  test::FakeUiServices mUi;
  CSubSystem mSubSystem{mUi};
};

TEST_F(LanguageFiles, HoldExactlyTheTextsTheProductReads) {
  UseLanguage(std::nullopt);
  std::set<Address> read;
  for (const test::ProductText& text : test::TextsTheProductReads(mSubSystem)) {
    read.emplace(text.section, text.key, text.property);
  }
  for (const fs::path& file : ShippedFiles()) {
    const std::set<Address> held = AddressesIn(file);
    std::set<Address> missing, unread;
    std::set_difference(read.begin(), read.end(), held.begin(), held.end(),
                        std::inserter(missing, missing.end()));
    std::set_difference(held.begin(), held.end(), read.begin(), read.end(),
                        std::inserter(unread, unread.end()));
    EXPECT_TRUE(missing.empty()) << file.filename() << " lacks " << missing.size()
                                 << " texts the product reads:\n"
                                 << Listed(missing);
    EXPECT_TRUE(unread.empty()) << file.filename() << " holds " << unread.size()
                                << " texts no code reads:\n"
                                << Listed(unread);
  }
}

// A table whose object file the check's program did not link would go
// unseen; so would a text read past the tables.
TEST_F(LanguageFiles, TheCheckSeesEveryTextTableInTheSources) {
  std::set<std::string> registered;
  for (const RegisteredText& text : RegisteredTexts()) {
    registered.insert(fs::relative(text.sourceFile, kSourceDir).string());
  }
  const std::regex definition(R"((TextTable<\w+>|TextList)\s+k\w+\s*\()");
  const std::regex directRead(R"(\b(getValue|ReadTextList)\s*\()");
  std::set<std::string> defining, readingPastTables;
  for (const auto& entry : fs::recursive_directory_iterator(kSourceDir / "src")) {
    const std::string relative = fs::relative(entry.path(), kSourceDir).string();
    if (entry.path().extension() != ".cpp") continue;
    const std::string source = test::ReadFile(entry.path());
    if (std::regex_search(source, definition)) defining.insert(relative);
    if (!relative.starts_with("src/i18n/") && std::regex_search(source, directRead)) {
      readingPastTables.insert(relative);
    }
  }
  std::vector<std::string> unseen;
  std::set_difference(defining.begin(), defining.end(), registered.begin(), registered.end(),
                      std::back_inserter(unseen));
  EXPECT_EQ(unseen, std::vector<std::string>{}) << "tables not linked into the check";
  EXPECT_EQ(readingPastTables, std::set<std::string>{}) << "files reading texts past the tables";
}

bool HasChinese(const QString& text) {
  return std::any_of(text.begin(), text.end(),
                     [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

// What `dialog` shows on every step and with every option chosen (an option
// may show controls of its own, as the settings dialog's connection types
// do): its title, date formats, and each label, button, check box and option
// button with text; the second argument says whether the text has room
// (size hint no wider than the control; for a word-wrapped label, its height
// for its width no taller).
void ForEveryShownText(QDialog& dialog,
                       const std::function<void(QWidget&, bool hasRoom, const QString&)>& see) {
  const auto seePage = [&] {
    QApplication::processEvents();
    see(dialog, true, dialog.windowTitle());
    for (auto* label : dialog.findChildren<QLabel*>()) {
      if (!label->isVisibleTo(&dialog) || label->text().isEmpty()) continue;
      see(*label,
          label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                            : label->sizeHint().width() <= label->width(),
          label->text());
    }
    for (auto* button : dialog.findChildren<QAbstractButton*>()) {
      if (!button->isVisibleTo(&dialog) || button->text().isEmpty()) continue;
      see(*button, button->sizeHint().width() <= button->width(), button->text());
    }
    for (auto* picker : dialog.findChildren<QDateEdit*>()) {
      if (picker->isVisibleTo(&dialog)) see(*picker, true, picker->displayFormat());
    }
  };
  const auto seeEveryOption = [&] {
    seePage();
    for (auto* option : dialog.findChildren<QRadioButton*>()) {
      if (!option->isVisibleTo(&dialog) || !option->isEnabled()) continue;
      option->setChecked(true);
      seePage();
    }
  };
  const auto stacks = dialog.findChildren<QStackedWidget*>();
  if (stacks.isEmpty()) seeEveryOption();
  for (QStackedWidget* stack : stacks) {
    for (int step = 0; step < stack->count(); ++step) {
      stack->setCurrentIndex(step);
      seeEveryOption();
    }
  }
}

// Every text in every language has room; in English, a Chinese character
// left anywhere is a control the dialog forgot to localise.
TEST_F(LanguageFiles, EveryDialogShowsItsTextsWholeInEveryLanguage) {
  std::vector<std::optional<fs::path>> languages = {std::nullopt};
  for (const fs::path& file : ShippedFiles()) languages.push_back(file);
  for (const auto& language : languages) {
    UseLanguage(language);
    const std::string name = language ? language->filename().string() : "built-in";
    const bool english = language && LanguageNumber(*language) == 3;
    test::ForEveryDialog(mSubSystem, [&](QDialog& dialog) {
      std::set<std::string> faults;
      ForEveryShownText(dialog, [&](QWidget& control, bool hasRoom, const QString& text) {
        const std::string shown = control.objectName().toStdString() + ": " + text.toStdString();
        if (!hasRoom) faults.insert("cuts " + shown);
        if (english && HasChinese(text)) faults.insert("shows Chinese in " + shown);
      });
      for (const std::string& fault : faults) {
        ADD_FAILURE() << dialog.objectName().toStdString() << " (" << name << ") " << fault;
      }
    });
  }
}

// The run texts are shown only while runs go: in English none may be left
// in Chinese either.
TEST(ShippedEnglishFile, HoldsNoChineseText) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file((kSourceDir / "languages/tavExDataApp.eng").c_str()));
  for (pugi::xml_node section : document.child("Language").child("tavExDataApp").children()) {
    for (pugi::xml_node key : section.children()) {
      for (pugi::xml_attribute property : key.attributes()) {
        EXPECT_FALSE(HasChinese(QString::fromUtf8(property.value())))
            << section.name() << "/" << key.name() << ": " << property.value();
      }
    }
  }
}

}  // namespace
}  // namespace tavex

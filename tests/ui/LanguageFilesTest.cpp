#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QStackedWidget>
#include <filesystem>
#include <fstream>
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

// Every label, button, check box and option button of `dialog` that shows,
// on every step and with every option chosen, text it has no room for.
std::vector<std::string> CutTexts(QDialog& dialog) {
  std::vector<std::string> cut;
  const auto check = [&](QWidget& page) {
    QApplication::processEvents();
    for (auto* label : page.findChildren<QLabel*>()) {
      if (!label->isVisibleTo(&dialog) || label->text().isEmpty()) continue;
      const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                          : label->sizeHint().width() <= label->width();
      if (!fits)
        cut.push_back(label->objectName().toStdString() + ": " + label->text().toStdString());
    }
    for (auto* button : page.findChildren<QAbstractButton*>()) {
      if (!button->isVisibleTo(&dialog) || button->text().isEmpty()) continue;
      if (button->sizeHint().width() > button->width()) {
        cut.push_back(button->objectName().toStdString() + ": " + button->text().toStdString());
      }
    }
  };
  // Each option shown may show controls of its own (the settings dialog's
  // connection types): every one is chosen in turn.
  const auto checkEveryOption = [&] {
    check(dialog);
    for (auto* option : dialog.findChildren<QRadioButton*>()) {
      if (!option->isVisibleTo(&dialog) || !option->isEnabled()) continue;
      option->setChecked(true);
      check(dialog);
    }
  };
  const auto stacks = dialog.findChildren<QStackedWidget*>();
  if (stacks.isEmpty()) checkEveryOption();
  for (QStackedWidget* stack : stacks) {
    for (int step = 0; step < stack->count(); ++step) {
      stack->setCurrentIndex(step);
      checkEveryOption();
    }
  }
  std::sort(cut.begin(), cut.end());
  cut.erase(std::unique(cut.begin(), cut.end()), cut.end());
  return cut;
}

TEST_F(LanguageFiles, EveryDialogShowsItsTextsWholeInEveryLanguage) {
  std::vector<std::optional<fs::path>> languages = {std::nullopt};
  for (const fs::path& file : ShippedFiles()) languages.push_back(file);
  for (const auto& language : languages) {
    UseLanguage(language);
    const std::string name = language ? language->filename().string() : "built-in";
    test::ForEveryDialog(mSubSystem, [&](QDialog& dialog) {
      for (const std::string& text : CutTexts(dialog)) {
        ADD_FAILURE() << dialog.objectName().toStdString() << " (" << name << ") cuts " << text;
      }
    });
  }
}

}  // namespace
}  // namespace tavex

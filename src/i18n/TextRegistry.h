#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tavex {

// One text the product reads from the language file: its address (section,
// key, property "Default" when none is given), its built-in default, and the
// source file of the table that reads it.
struct RegisteredText {
  std::string section;
  std::string key;
  std::string property;
  std::string defaultText;
  std::string sourceFile;
};

// Adds `text` to the registry. Text tables call it while the program starts
// (static initialisation), once per row and section they are read in.
void RegisterText(RegisteredText text);

// Every registered text, in registration order. A table lives in its
// library's object file, so a program sees the tables of the object files it
// links.
const std::vector<RegisteredText>& RegisteredTexts();

// One look-up of the language file as cLanguage::getValue answers it.
struct TextLookup {
  std::string section;
  std::string key;       // "Settings" when none was given
  std::string property;  // "Default" when none was given
  std::string defaultText;
};

// While an object lives, every look-up of any cLanguage is passed to its
// callback (dialog captions have no table: they are found by preparing the
// dialogs with one of these alive). Off by default; one at a time.
class LookupRecorder {
 public:
  explicit LookupRecorder(std::function<void(const TextLookup&)> onLookup);
  ~LookupRecorder();
  LookupRecorder(const LookupRecorder&) = delete;
  LookupRecorder& operator=(const LookupRecorder&) = delete;
};

// Passes `lookup` to the live LookupRecorder, if any.
void NotifyLookup(const TextLookup& lookup);

}  // namespace tavex

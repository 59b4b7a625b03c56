#pragma once

#include <cstdint>
#include <memory>
#include <pugixml.hpp>
#include <string>

namespace tavex {

// Reader of the plug-in's language file: one XML file per language,
// "<plug-in folder>/Languages/tavExDataApp<ext>", texts held in attributes
// four element levels down:
//
//   <Language>                 document element
//     <tavExDataApp>           AppExeName: the module
//       <Main>                 Section: "Main", a dialog's name, ...
//         <Msg_Title Default="提示"/>   Key, with one attribute per Property
//
// Elements are found by name among the children of the level above (the
// first one counts); element text is not used. A look-up that misses adds
// the missing elements and the attribute, holding the default text, to the
// in-memory document, so the same look-up later answers the same text; the
// file itself is never written. A missing, unreadable, malformed or
// oversized file reads as an empty document: every look-up yields its
// default.
//
// Use: set AppExeName, then Language (once: this loads the file), then
// Section, then call getValue repeatedly. Not thread-safe.
class cLanguage {
 public:
  cLanguage();

  // The language number; setting it loads the file that number names
  // (1 ".gb", 2 ".big", 3 ".eng", any other ".xml"), replacing the earlier
  // document and clearing the modified flag.
  std::int32_t Language() const { return mLanguage; }
  void SetLanguage(std::int32_t lLanguage);

  const std::string& AppExeName() const { return mAppExeName; }
  void SetAppExeName(const std::string& text) { mAppExeName = text; }
  const std::string& Section() const { return mSection; }
  void SetSection(const std::string& text) { mSection = text; }
  const std::string& Key() const { return mKey; }
  void SetKey(const std::string& text) { mKey = text; }
  const std::string& Property() const { return mProperty; }
  void SetProperty(const std::string& text) { mProperty = text; }
  // The text a missing attribute is created with.
  const std::string& Default() const { return mDefault; }
  void SetDefault(const std::string& text) { mDefault = text; }

  // The text at Section/Key/Property, creating what is missing with
  // Default(). An attribute that exists with an empty text yields "", not
  // the default. Before Language is first set: the last value, unchanged.
  std::string Value();
  // Sets the text at the current address in the in-memory document.
  void SetValue(const std::string& text);

  // Key = sKey ("Settings" when empty), Property = sProperty ("Default"
  // when empty), Default = sDefault; then reads Value().
  std::string getValue(const std::string& sKey = "", const std::string& sProperty = "",
                       const std::string& sDefault = "");

  // Gives `parent` the attribute sName = sValue, replacing one of the same
  // name, and sets the modified flag.
  pugi::xml_attribute AddAttribute(pugi::xml_node parent, const std::string& sName,
                                   const std::string& sValue);

  // The language file is only ever read: this reports false and writes
  // nothing.
  bool SaveLanguage() const { return false; }

  // Full path of the file the last Language setting loaded (or tried to).
  const std::string& FilePath() const { return mFilePath; }
  // True once the in-memory document has gained an element or attribute
  // since Language was last set.
  bool Modified() const { return mModified; }

  // The file name extension for a language number.
  static std::string Extension(std::int32_t language);
  // The file for a language number: plug-in folder, "Languages", the
  // module name and the extension.
  static std::string LanguageFilePath(std::int32_t language);

 private:
  // The key element for the current address, created as needed. Appends
  // below a document element of another name are kept in `scratch`.
  pugi::xml_node KeyElement(pugi::xml_document& scratch);
  pugi::xml_node Child(pugi::xml_node parent, const std::string& name);
  pugi::xml_attribute Attribute(pugi::xml_node keyElement);

  std::string mFilePath;
  std::unique_ptr<pugi::xml_document> mDocument;
  std::string mAppExeName;
  std::string mSection = "Main";
  std::string mKey = "Settings";
  std::string mProperty = "Default";
  std::string mValue;
  std::string mDefault;
  std::int32_t mLanguage = 0;
  bool mModified = false;
};

}  // namespace tavex

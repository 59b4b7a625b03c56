#include "i18n/cLanguage.h"

#include <filesystem>
#include <system_error>

#include "framework/PluginFolder.h"
#include "i18n/TextRegistry.h"

namespace tavex {

namespace {

// A language file holds a few thousand short texts; a file far larger than
// that is not one, and is not read into memory.
constexpr std::uintmax_t kMaxLanguageFileSize = 16u << 20;

constexpr const char* kDocumentElement = "Language";

// The first child element of `parent` named `name` (processing instructions
// and other nodes with names do not count).
pugi::xml_node FindElement(pugi::xml_node parent, const std::string& name) {
  for (pugi::xml_node child : parent.children()) {
    if (child.type() == pugi::node_element && name == child.name()) return child;
  }
  return {};
}

void Load(pugi::xml_document& document, const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return;
  std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kMaxLanguageFileSize) return;
  if (!document.load_file(path.c_str(), pugi::parse_default, pugi::encoding_auto)) {
    document.reset();
  }
}

}  // namespace

cLanguage::cLanguage() : mAppExeName(kModuleName) {}

std::string cLanguage::Extension(std::int32_t language) {
  switch (language) {
    case 1:
      return ".gb";
    case 2:
      return ".big";
    case 3:
      return ".eng";
    default:
      return ".xml";
  }
}

std::string cLanguage::LanguageFilePath(std::int32_t language) {
  return JoinPath(JoinPath(PluginFolder(), "Languages"), kModuleName + Extension(language));
}

void cLanguage::SetLanguage(std::int32_t lLanguage) {
  mModified = false;
  mFilePath = LanguageFilePath(lLanguage);
  mDocument = std::make_unique<pugi::xml_document>();
  Load(*mDocument, mFilePath);
  mLanguage = lLanguage;
}

pugi::xml_node cLanguage::Child(pugi::xml_node parent, const std::string& name) {
  if (pugi::xml_node found = FindElement(parent, name)) return found;
  mModified = true;
  pugi::xml_node created = parent.append_child(pugi::node_element);
  created.set_name(name.c_str());
  return created;
}

pugi::xml_node cLanguage::KeyElement(pugi::xml_document& scratch) {
  pugi::xml_node language = FindElement(*mDocument, kDocumentElement);
  if (!language) {
    // A document can hold only one document element: under one of another
    // name the chain is built detached, and lives only for this look-up.
    language = Child(mDocument->document_element() ? scratch : *mDocument, kDocumentElement);
  }
  return Child(Child(Child(language, mAppExeName), mSection), mKey);
}

pugi::xml_attribute cLanguage::Attribute(pugi::xml_node keyElement) {
  if (pugi::xml_attribute found = keyElement.attribute(mProperty.c_str())) return found;
  return AddAttribute(keyElement, mProperty, mDefault);
}

pugi::xml_attribute cLanguage::AddAttribute(pugi::xml_node parent, const std::string& sName,
                                            const std::string& sValue) {
  parent.remove_attribute(sName.c_str());
  pugi::xml_attribute attribute = parent.append_attribute(sName.c_str());
  attribute.set_value(sValue.c_str());
  mModified = true;
  return attribute;
}

std::string cLanguage::Value() {
  if (!mDocument) return mValue;
  pugi::xml_document scratch;
  pugi::xml_attribute attribute = Attribute(KeyElement(scratch));
  mValue = attribute ? attribute.value() : mDefault;
  return mValue;
}

void cLanguage::SetValue(const std::string& text) {
  mValue = text;
  if (!mDocument) return;
  pugi::xml_document scratch;
  Attribute(KeyElement(scratch)).set_value(text.c_str());
}

std::string cLanguage::getValue(const std::string& sKey, const std::string& sProperty,
                                const std::string& sDefault) {
  mKey = sKey.empty() ? "Settings" : sKey;
  mProperty = sProperty.empty() ? "Default" : sProperty;
  mDefault = sDefault;
  NotifyLookup({mSection, mKey, mProperty, mDefault});
  return Value();
}

}  // namespace tavex

#include "ProductTexts.h"

#include <QApplication>
#include <QTimer>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <tuple>

#include "entry/ActionNames.h"
#include "i18n/TextRegistry.h"

namespace tavex::test {

void ForEveryDialog(CSubSystem& subSystem, const std::function<void(QDialog&)>& inspect) {
  for (std::string_view name : kActionNames) {
    QTimer::singleShot(0, [&] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        inspect(*dialog);
        dialog->close();
      }
    });
    subSystem.DoAction(std::string(name));
    // Runs the timer when the action opened no dialog.
    QCoreApplication::processEvents();
  }
}

std::vector<ProductText> TextsTheProductReads(CSubSystem& subSystem) {
  std::vector<ProductText> texts;
  std::set<std::tuple<std::string, std::string, std::string>> seen;
  const auto add = [&](ProductText text) {
    if (seen.emplace(text.section, text.key, text.property).second) texts.push_back(text);
  };
  for (const RegisteredText& text : RegisteredTexts()) {
    add({text.section, text.key, text.property, text.defaultText});
  }
  LookupRecorder recorder([&](const TextLookup& lookup) {
    add({lookup.section, lookup.key, lookup.property, lookup.defaultText});
  });
  ForEveryDialog(subSystem, [](QDialog&) {});
  return texts;
}

std::string Skeleton(const std::vector<ProductText>& texts) {
  pugi::xml_document document;
  document.append_child(pugi::node_declaration).append_attribute("version") = "1.0";
  document.first_child().append_attribute("encoding") = "UTF-8";
  pugi::xml_node module = document.append_child("Language").append_child("tavExDataApp");
  const auto child = [](pugi::xml_node parent, const std::string& name) {
    pugi::xml_node found = parent.child(name.c_str());
    return found ? found : parent.append_child(name.c_str());
  };
  for (const ProductText& text : texts) {
    child(child(module, text.section), text.key)
        .append_attribute(text.property.c_str())
        .set_value(text.defaultText.c_str());
  }
  std::ostringstream out;
  document.save(out, "  ");
  return out.str();
}

}  // namespace tavex::test

#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "entry/CSubSystem.h"

namespace tavex::test {

// Opens every dialog of the product's action table through `subSystem`,
// hands each to `inspect` while it shows, then closes it. An action without
// a dialog in this build opens none.
void ForEveryDialog(CSubSystem& subSystem, const std::function<void(QDialog&)>& inspect);

// One text as the product reads it.
struct ProductText {
  std::string section;
  std::string key;
  std::string property;
  std::string defaultText;
};

// Every text the product reads, each once, in first-read order: the
// registered text tables, then every look-up made while each dialog is
// prepared (its captions). `subSystem` must have its host.
std::vector<ProductText> TextsTheProductReads(CSubSystem& subSystem);

// `texts` as a language file holding every built-in default.
std::string Skeleton(const std::vector<ProductText>& texts);

}  // namespace tavex::test

#pragma once

#include <QListWidget>
#include <functional>
#include <vector>

#include "maintenance/BaseDataCatalogue.h"

namespace tavex {

// The choice of the base data wizards: lstData, the groups of the base data
// catalogue with any number selected, and cmdSelectAll and cmdSelectNone
// below it.
class BaseDataGroupList {
 public:
  // Builds the list and its buttons on `step`; `localise` registers each
  // button for the wizard's localisation.
  BaseDataGroupList(QWidget* step, const std::function<void(QWidget&)>& localise);

  // Lists the seven groups with the wizard's texts, every one selected.
  void Fill(const BaseDataTexts& catalogue);
  void SelectAll(bool selected);
  // The numbers (1 to 7) of the selected groups, in group order.
  std::vector<int> SelectedGroups() const;

 private:
  QListWidget* lstData;
};

}  // namespace tavex

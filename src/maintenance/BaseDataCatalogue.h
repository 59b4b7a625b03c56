#pragma once

#include <array>
#include <string>
#include <vector>

namespace tavex {

// The base data: the set-up tables of the host database, in seven groups
// that the base data wizards back up or empty as a whole. Held once here so
// that every wizard and command handles the same tables in the same order.

struct BaseDataGroup {
  const char* key;  // the text's key in a wizard's section
  const char* defaultText;
};

struct BaseDataTable {
  int group;           // 1 to 7
  const char* prefix;  // "1.01 ": the number that leads the table's caption
  const char* table;
  const char* key;
  const char* defaultText;
};

inline constexpr int kBaseDataGroupCount = 7;

// The groups in list order (group 1 first).
extern const std::array<BaseDataGroup, kBaseDataGroupCount> kBaseDataGroups;
// The tables in the order they are handled, group by group.
extern const std::array<BaseDataTable, 59> kBaseDataTables;

// The catalogue's texts as one wizard reads them from its own section, each
// with its built-in default: groups[i] for kBaseDataGroups[i], tables[i] for
// kBaseDataTables[i].
struct BaseDataTexts {
  std::vector<std::string> groups;
  std::vector<std::string> tables;

  // "1. 辅助类基础数据": the list entry of group `group` (1 to 7).
  std::string GroupEntry(int group) const;
  // "1.01 工作站点设置表": the caption of kBaseDataTables[index].
  std::string TableCaption(std::size_t index) const;
};

// The texts from `section`: frmDDBackup or frmDDDelete (the sections its
// text list is registered under).
BaseDataTexts ReadBaseDataTexts(const std::string& section);

}  // namespace tavex

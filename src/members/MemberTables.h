#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "members/MemberSyncTexts.h"

namespace tavex {

// A member table as the member packages and bundles carry it: the key that
// names one of its records at every site, the numbers and texts of its step.
struct MemberTable {
  std::string_view name;
  std::string_view key;
  std::string_view stepNumber;
  std::string_view statementNumber;
  std::string_view markNumber;
  std::string MemberSyncTexts::*caption;
  std::string MemberSyncTexts::*deleteCaption;
  std::string MemberSyncTexts::*updateCaption;
  // Which rows a branch's upload stages.
  std::string_view staged = " WHERE IsUploaded=0 ";
};

// The five member tables, in package order.
const std::vector<MemberTable>& MemberTables();
// The entry of `table` (compared without regard to case); nullptr for a
// table that is no member table.
const MemberTable* FindMemberTable(std::string_view table);

}  // namespace tavex

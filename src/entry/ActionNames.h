#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "framework/ISubSystem.h"

namespace tavex {

// The action names DoAction knows, in the order it compares them.
inline constexpr std::array<std::string_view, 12> kActionNames = {
    "DoDDDelete", "DoDDBackup", "DoStDelete", "DoStBackup",  "DoDelete", "DoBackup",
    "DoRestore",  "DoUpload",   "DoDownload", "DoMemberSyn", "DoExport", "DoFTP"};

// The text of an action key: the name itself, or a number in decimal.
std::string ActionKeyText(const ActionKey& key);

// The index in kActionNames of the first name equal to `key` after both are
// lower-cased (no trimming, no prefix match); nullopt when none is.
std::optional<std::size_t> FindAction(const ActionKey& key);

}  // namespace tavex

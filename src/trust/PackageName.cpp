#include "trust/PackageName.h"

#include "database/AsciiText.h"

namespace tavex::trust {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<PackageName> ReadPackageName(std::string_view name) {
  constexpr std::string_view kEnding = ".pkg";
  if (!EndsWithNoCase(name, kEnding)) return std::nullopt;
  name.remove_suffix(kEnding.size());
  PackageName read;
  for (const auto& [suffix, kind] :
       {std::pair{kReportsNameSuffix, PackageKind::Reports},
        std::pair{kMembersNameSuffix, PackageKind::Members},
        std::pair{kMemberBundleNameSuffix, PackageKind::MemberBundle}}) {
    if (EndsWithNoCase(name, suffix)) {
      name.remove_suffix(suffix.size());
      read.kind = kind;
      break;
    }
  }
  std::size_t digits = 0;
  while (digits < name.size() && IsDigit(name[name.size() - 1 - digits])) ++digits;
  if (digits == 0 || digits + 1 >= name.size() || name[name.size() - 1 - digits] != '-') {
    return std::nullopt;
  }
  read.sender = std::string(name.substr(0, name.size() - digits - 1));
  return read;
}

}  // namespace tavex::trust

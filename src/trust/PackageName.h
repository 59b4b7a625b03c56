#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "trust/PackageKinds.h"

namespace tavex::trust {

// What an exchange package's file name says: the site that sent it and the
// kind it claims to be. Names have the form
//   <sender>-<time stamp>[-R|-M|-MB].pkg
// (the ending in any case), the time stamp being digits. The sender is what
// precedes the time stamp, so an identifier holding "-" ("HK-01") is read
// whole.
struct PackageName {
  std::string sender;
  PackageKind kind = PackageKind::Bills;
};

// The sender and kind of the file name `name`; nullopt when the name does not
// have the form above (no time stamp, or nothing before it).
std::optional<PackageName> ReadPackageName(std::string_view name);

}  // namespace tavex::trust

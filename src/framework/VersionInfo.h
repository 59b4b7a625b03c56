#pragma once

#include <string>

namespace tavex {

// The version object that the plug-in's Version fills and hands to the host:
// three legal texts and the three parts of the version number.
struct VersionInfo {
  std::string LegalTrademarks;
  std::string LegalCopyright;
  std::string CompanyName;
  int Revision = 0;
  int Minor = 0;
  int Major = 0;
};

// This build's version (16.0.0) with its legal texts, fixed at compile time.
VersionInfo CurrentVersion();

}  // namespace tavex

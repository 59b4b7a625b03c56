#include "framework/VersionInfo.h"

namespace tavex {

VersionInfo CurrentVersion() {
  VersionInfo version;
  version.LegalTrademarks = TAVEX_LEGAL_TRADEMARKS;
  version.LegalCopyright = TAVEX_LEGAL_COPYRIGHT;
  version.CompanyName = TAVEX_COMPANY_NAME;
  version.Major = TAVEX_VERSION_MAJOR;
  version.Minor = TAVEX_VERSION_MINOR;
  version.Revision = TAVEX_VERSION_PATCH;
  return version;
}

}  // namespace tavex

#include "framework/VersionInfo.h"

namespace tavex {

VersionInfo CurrentVersion() {
  return {.LegalTrademarks = TAVEX_LEGAL_TRADEMARKS,
          .LegalCopyright = TAVEX_LEGAL_COPYRIGHT,
          .CompanyName = TAVEX_COMPANY_NAME,
          .Revision = TAVEX_VERSION_PATCH,
          .Minor = TAVEX_VERSION_MINOR,
          .Major = TAVEX_VERSION_MAJOR};
}

}  // namespace tavex

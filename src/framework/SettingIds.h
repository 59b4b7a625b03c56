#pragma once

#include <cstdint>

namespace tavex {

// Ids of the exchange settings in the settings store. The host writes the
// branch identity; the synchronisation settings dialog writes the rest.
inline constexpr std::int32_t kSettingBranchID = 801;
inline constexpr std::int32_t kSettingBranchName = 802;
inline constexpr std::int32_t kSettingFtpServer = 1001;
inline constexpr std::int32_t kSettingFtpUser = 1002;
inline constexpr std::int32_t kSettingFtpPassword = 1003;
inline constexpr std::int32_t kSettingFtpPort = 1004;
inline constexpr std::int32_t kSettingDdnsAccount = 2001;
inline constexpr std::int32_t kSettingDdnsPassword = 2002;
// "true" (compared case-insensitively) selects the DDNS lookup.
inline constexpr std::int32_t kSettingUseDdns = 2004;

}  // namespace tavex

#include "transfer/FtpOptions.h"

#include "transfer/IniSection.h"

namespace tavex {

namespace {

constexpr long kDefaultTimeOutSeconds = 30;
constexpr long kMaxTimeOutSeconds = 24L * 3600;

}  // namespace

std::string FtpOptions::DataPortRange() const {
  return manualPort ? minDataPort + ":" + maxDataPort : "0";
}

std::optional<FtpOptions> ReadFtpOptions(const std::string& path) {
  std::optional<IniValues> values = ReadIniSection(path, "FTP");
  if (!values) return std::nullopt;
  FtpOptions options;
  options.port = LeadingDigits(IniValue(*values, "port"));
  if (options.port == 0) options.port = 21;
  options.manualPort = IniValue(*values, "manualport") == "1";
  options.minDataPort = IniValue(*values, "mindataport");
  options.maxDataPort = IniValue(*values, "maxdataport");
  options.proxyType = LeadingDigits(IniValue(*values, "proxytype"));
  options.proxyHost = IniValue(*values, "proxyhost");
  options.proxyPort = LeadingDigits(IniValue(*values, "proxyport"));
  options.proxyUserName = IniValue(*values, "proxyusername");
  options.proxyPassword = IniValue(*values, "proxypassword");
  long seconds = LeadingDigits(IniValue(*values, "timeout", "30"));
  if (seconds <= 0) seconds = kDefaultTimeOutSeconds;
  if (seconds > kMaxTimeOutSeconds) seconds = kMaxTimeOutSeconds;
  options.timeOutMs = seconds * 1000;
  options.passive = IniValue(*values, "pasv", "1") == "1";
  options.tls = IniValue(*values, "tls") == "1";
  options.caFile = IniValue(*values, "cafile");
  return options;
}

}  // namespace tavex

#include "transfer/FtpOptions.h"

#include <filesystem>

#include "database/AsciiText.h"
#include "transfer/IniSection.h"

namespace tavex {

namespace {

constexpr long kDefaultTimeOutSeconds = 30;
constexpr long kMaxTimeOutSeconds = 24L * 3600;
constexpr long kFtpPort = 21;
constexpr long kSshPort = 22;

// `path` as given when absolute or empty, else beside the options file.
std::string BesideOptions(const std::string& path, const std::string& optionsFile) {
  if (path.empty() || std::filesystem::path(path).is_absolute()) return path;
  return (std::filesystem::path(optionsFile).parent_path() / path).lexically_normal().string();
}

}  // namespace

std::optional<TransferProtocol> FtpOptions::Protocol() const {
  if (protocol.empty()) return tls ? TransferProtocol::kFtps : TransferProtocol::kFtp;
  const std::string name = AsciiLower(protocol);
  if (name == "ftp") return TransferProtocol::kFtp;
  if (name == "ftps") return TransferProtocol::kFtps;
  if (name == "sftp") return TransferProtocol::kSftp;
  return std::nullopt;
}

std::string FtpOptions::DataPortRange() const {
  return manualPort ? minDataPort + ":" + maxDataPort : "0";
}

std::optional<FtpOptions> ReadFtpOptions(const std::string& path) {
  std::optional<IniValues> values = ReadIniSection(path, "FTP");
  if (!values) return std::nullopt;
  FtpOptions options;
  options.manualPort = IniValue(*values, "manualport") == "1";
  options.minDataPort = IniValue(*values, "mindataport");
  options.maxDataPort = IniValue(*values, "maxdataport");
  options.proxyType = NonNegativeNumber(IniValue(*values, "proxytype"));
  options.proxyHost = IniValue(*values, "proxyhost");
  options.proxyPort = NonNegativeNumber(IniValue(*values, "proxyport"));
  options.proxyUserName = IniValue(*values, "proxyusername");
  options.proxyPassword = IniValue(*values, "proxypassword");
  long seconds = NonNegativeNumber(IniValue(*values, "timeout", "30"));
  if (seconds <= 0) seconds = kDefaultTimeOutSeconds;
  if (seconds > kMaxTimeOutSeconds) seconds = kMaxTimeOutSeconds;
  options.timeOutMs = seconds * 1000;
  options.passive = IniValue(*values, "pasv", "1") == "1";
  options.tls = IniValue(*values, "tls") == "1";
  options.caFile = IniValue(*values, "cafile");
  options.protocol = TrimAsciiBlanks(IniValue(*values, "protocol"));
  options.knownHosts = BesideOptions(IniValue(*values, "knownhosts"), path);
  options.privateKey = BesideOptions(IniValue(*values, "privatekey"), path);
  options.port = NonNegativeNumber(IniValue(*values, "port"));
  if (options.port == 0) {
    options.port = options.Protocol() == TransferProtocol::kSftp ? kSshPort : kFtpPort;
  }
  return options;
}

}  // namespace tavex

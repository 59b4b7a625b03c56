#pragma once

#include <optional>
#include <string>

namespace tavex {

// Proxy kinds of the "ProxyType" key. 0 (also a missing key) connects
// directly; other numbers are refused by Connect.
enum class FtpProxyType : long {
  kDirect = 0,
  kHttpConnect = 1,  // an HTTP proxy that tunnels with CONNECT (passive mode only)
  kSocks5 = 2,       // SOCKS5; the proxy resolves the server's host name
};

// The FTP client's connection options, section "FTP" of the transfer
// options file. Defaults are those of a missing file.
struct FtpOptions {
  long port = 21;             // "Port", numeric part; 0 or missing: 21
  bool manualPort = false;    // "ManualPort" = "1": local data ports in a range
  std::string minDataPort;    // "MinDataPort"
  std::string maxDataPort;    // "MaxDataPort"
  long proxyType = 0;         // "ProxyType", see FtpProxyType
  std::string proxyHost;      // "ProxyHost"
  long proxyPort = 0;         // "ProxyPort"
  std::string proxyUserName;  // "ProxyUserName"
  std::string proxyPassword;  // "ProxyPassword"
  long timeOutMs = 30000;     // "TimeOut" seconds times 1000; missing: 30
  bool passive = true;        // "PASV" = "1"; missing: passive
  bool tls = false;           // "TLS" = "1": explicit FTP over TLS, verified
  std::string caFile;         // "CAFile": an extra CA bundle for TLS

  // The data port range for active mode: "min:max" when ManualPort is "1",
  // else "0" (any port).
  std::string DataPortRange() const;
};

// Reads section "FTP" of the INI file at `path`. A missing file or key gives
// the default. A "TimeOut" of zero or without a number would let a dead
// server hang the caller for ever, so it also gives 30 seconds. nullopt when
// the file exists but cannot be read.
std::optional<FtpOptions> ReadFtpOptions(const std::string& path);

}  // namespace tavex

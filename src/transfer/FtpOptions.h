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

// How the exchange reaches its file server.
enum class TransferProtocol {
  kFtp,   // plain FTP: the login and every file in clear text
  kFtps,  // explicit FTP over TLS, the server's certificate verified
  kSftp,  // SFTP over SSH, the server's host key pinned in a known_hosts file
};

// The FTP client's connection options, section "FTP" of the transfer
// options file. Defaults are those of a missing file.
struct FtpOptions {
  long port = 21;             // "Port", numeric part; 0 or missing: 21 (22 over SFTP)
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
  std::string protocol;       // "Protocol" as written, blanks trimmed ("" when missing)
  std::string knownHosts;     // "KnownHosts": SFTP's known_hosts file ("" when missing)
  std::string privateKey;     // "PrivateKey": SFTP's login key file ("" when missing)

  // The protocol chosen: "Protocol" (ftp, ftps or sftp, in any case) when
  // it is given, else FTPS when "TLS" is "1", else FTP. nullopt when
  // "Protocol" names anything else, which Connect refuses.
  std::optional<TransferProtocol> Protocol() const;

  // The data port range for active mode: "min:max" when ManualPort is "1",
  // else "0" (any port).
  std::string DataPortRange() const;
};

// Reads section "FTP" of the INI file at `path`. A missing file or key gives
// the default. A "TimeOut" of zero or without a number would let a dead
// server hang the caller for ever, so it also gives 30 seconds. A relative
// "KnownHosts" or "PrivateKey" is taken from the folder of the file, so the
// keys can sit beside it whatever the working folder of the run. nullopt
// when the file exists but cannot be read.
std::optional<FtpOptions> ReadFtpOptions(const std::string& path);

}  // namespace tavex

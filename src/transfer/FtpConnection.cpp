#include "transfer/FtpConnection.h"

#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "i18n/TextTable.h"
#include "storage/SyncLog.h"
#include "transfer/FtpListing.h"
#include "transfer/SshHostKey.h"

namespace tavex {

namespace {

constexpr long kMaxPort = 65535;

// Why a connection is refused before or while it is opened (section Main).
struct RefusalTexts {
  std::string Msg_FTP_BadProtocol;
  std::string Msg_FTP_HostKeyUnknown;
  std::string Msg_FTP_HostKeyChanged;
  std::string Msg_FTP_KnownHostsUnreadable;
  std::string Msg_FTP_KeyFileUnreadable;
  std::string Msg_FTP_KeyFileOpen;
};
using R = RefusalTexts;
constexpr TextRow<R> kRefusalRows[] = {
    {"Msg_FTP_BadProtocol", "MAIN.INI中的Protocol设置无效（应为ftp、ftps或sftp），未连接：",
     &R::Msg_FTP_BadProtocol},
    {"Msg_FTP_HostKeyUnknown",
     "服务器的主机密钥不在已知主机文件（KnownHosts）中，已拒绝连接。请向服务器管理员核对后再加入，"
     "密钥指纹：",
     &R::Msg_FTP_HostKeyUnknown},
    {"Msg_FTP_HostKeyChanged",
     "服务器的主机密钥与已知主机文件（KnownHosts）中记录的不同，已拒绝连接（可能有人冒充服务器）。"
     "服务器出示的密钥指纹：",
     &R::Msg_FTP_HostKeyChanged},
    {"Msg_FTP_KnownHostsUnreadable", "无法读取已知主机文件（KnownHosts），未连接：",
     &R::Msg_FTP_KnownHostsUnreadable},
    {"Msg_FTP_KeyFileUnreadable", "无法读取私钥文件（PrivateKey），未连接：",
     &R::Msg_FTP_KeyFileUnreadable},
    {"Msg_FTP_KeyFileOpen", "私钥文件（PrivateKey）的权限过宽，同组或其他用户可以访问，未连接：",
     &R::Msg_FTP_KeyFileOpen},
};
const TextTable<R> kRefusalTexts({"Main"}, kRefusalRows);

// A host name or address that cannot change the meaning of the URL it is
// put in.
bool IsPlainHost(const std::string& host) {
  if (host.empty()) return false;
  for (unsigned char c : host) {
    if (c <= 0x20 || c == 0x7F || c == '/' || c == '\\' || c == '@' || c == '?' || c == '#' ||
        c == '%' || c == '[' || c == ']') {
      return false;
    }
  }
  return true;
}

bool IsPort(const std::string& text) {
  if (text.empty() || text.size() > 5) return false;
  for (unsigned char c : text) {
    if (c < '0' || c > '9') return false;
  }
  long port = std::stol(text);
  return port > 0 && port <= kMaxPort;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

// The CA certificates libcurl trusts by default followed by `extraFile`, so
// that a private CA adds to the system's instead of replacing it.
std::optional<std::string> CaBundleWith(const std::string& extraFile) {
  std::optional<std::string> extra = ReadWholeFile(extraFile);
  if (!extra) return std::nullopt;
  std::string bundle;
  CurlEasy probe = MakeCurlEasy();
  char* defaultFile = nullptr;
  if (curl_easy_getinfo(probe.get(), CURLINFO_CAINFO, &defaultFile) == CURLE_OK &&
      defaultFile != nullptr) {
    bundle = ReadWholeFile(defaultFile).value_or("");
  }
  if (!bundle.empty() && bundle.back() != '\n') bundle += '\n';
  return bundle + *extra;
}

std::string EncodedFolder(const std::string& folder) {
  std::string encoded;
  std::size_t at = 0;
  while (at < folder.size()) {
    std::size_t end = folder.find('/', at);
    if (end == std::string::npos) end = folder.size();
    if (end > at) encoded += PercentEncode(folder.substr(at, end - at)) + "/";
    at = end + 1;
  }
  return encoded;
}

// A path as one argument of an SFTP command: libcurl splits its SFTP
// commands at blanks unless an argument is quoted, and reads \" and \\ in
// quotes as the characters themselves.
std::string SftpArgument(const std::string& path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

bool IsReadableFile(const std::string& path, struct stat& info) {
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), R_OK) == 0;
}

// Failures over SFTP that the server itself answered (the session works),
// which a fresh connection would only answer the same way.
bool IsSftpAnswer(CURLcode result) {
  switch (result) {
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_QUOTE_ERROR:
    case CURLE_LOGIN_DENIED:
    case CURLE_PEER_FAILED_VERIFICATION:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::shared_ptr<FtpConnection> FtpConnection::Acquire() {
  static std::mutex guard;
  static std::weak_ptr<FtpConnection> current;
  std::lock_guard<std::mutex> lock(guard);
  std::shared_ptr<FtpConnection> connection = current.lock();
  if (!connection) {
    connection = std::make_shared<FtpConnection>();
    current = connection;
  }
  return connection;
}

bool FtpConnection::Connect(const std::string& host, const std::string& user,
                            const std::string& password, const FtpOptions& options) {
  mMulti.reset();
  mHandle.reset();
  mConnected = false;
  mMlsdRefused = false;
  mRefusal.clear();
  if (!IsPlainHost(host) || HasLineBreak(user) || HasLineBreak(password)) return false;
  const std::optional<TransferProtocol> protocol = options.Protocol();
  if (!protocol) {
    Refuse(kRefusalTexts.Read().Msg_FTP_BadProtocol + options.protocol);
    return false;
  }
  if (options.port <= 0 || options.port > kMaxPort) return false;
  if (options.proxyType != static_cast<long>(FtpProxyType::kDirect) &&
      options.proxyType != static_cast<long>(FtpProxyType::kHttpConnect) &&
      options.proxyType != static_cast<long>(FtpProxyType::kSocks5)) {
    return false;
  }
  if (*protocol != TransferProtocol::kSftp && !options.passive && options.manualPort &&
      (!IsPort(options.minDataPort) || !IsPort(options.maxDataPort))) {
    return false;
  }
  mProtocol = *protocol;
  mOptions = options;
  if (IsSftp() && !CheckSshFiles()) return false;
  mCaBundle.clear();
  if (mProtocol == TransferProtocol::kFtps && !options.caFile.empty()) {
    std::optional<std::string> bundle = CaBundleWith(options.caFile);
    if (!bundle) return false;
    mCaBundle = std::move(*bundle);
  }
  mHost = host;
  mUser = user;
  mPassword = password;
  mFolder = "/";
  mLoginFolder = "/";

  mMulti.reset();
  mHandle = MakeCurlEasy();
  mHandleUsed = false;
  const std::string loginUrl = ServerUrl();
  CURLcode result = Attempt([&](CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_URL, loginUrl.c_str());
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  });
  if (result != CURLE_OK) {
    mMulti.reset();
    mHandle.reset();
    return false;
  }
  // libcurl gives the login folder of an SFTP session here too.
  char* entryPath = nullptr;
  if (curl_easy_getinfo(mHandle.get(), CURLINFO_FTP_ENTRY_PATH, &entryPath) == CURLE_OK &&
      entryPath != nullptr && entryPath[0] == '/') {
    std::string folder = entryPath;
    if (folder.back() != '/') folder += '/';
    (IsSftp() ? mLoginFolder : mFolder) = std::move(folder);
  }
  mConnected = true;
  return true;
}

bool FtpConnection::CheckSshFiles() {
  struct stat info {};
  if (!mOptions.knownHosts.empty() && !IsReadableFile(mOptions.knownHosts, info)) {
    Refuse(kRefusalTexts.Read().Msg_FTP_KnownHostsUnreadable + mOptions.knownHosts);
    return false;
  }
  if (mOptions.privateKey.empty()) return true;
  if (!IsReadableFile(mOptions.privateKey, info)) {
    Refuse(kRefusalTexts.Read().Msg_FTP_KeyFileUnreadable + mOptions.privateKey);
    return false;
  }
  // As OpenSSH's own client does: a key that others can reach is no
  // longer only this site's.
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    Refuse(kRefusalTexts.Read().Msg_FTP_KeyFileOpen + mOptions.privateKey);
    return false;
  }
  return true;
}

void FtpConnection::Refuse(std::string text) {
  // A request tried twice meets the same refusal twice; the log needs it once.
  if (text == mRefusal) return;
  mRefusal = std::move(text);
  WriteSyncLog(mRefusal);
}

bool FtpConnection::Close() {
  if (!mConnected) return false;
  mConnected = false;
  mMulti.reset();
  mHandle.reset();
  return true;
}

std::string FtpConnection::ServerUrl() const {
  const std::string host = mHost.find(':') == std::string::npos ? mHost : "[" + mHost + "]";
  return std::string(IsSftp() ? "sftp" : "ftp") + "://" + host + ":" +
         std::to_string(mOptions.port) + "/";
}

std::string FtpConnection::ServerPath(const std::string& folder) const {
  if (!IsSftp()) return folder;
  return mLoginFolder + (folder.empty() || folder.front() != '/' ? folder : folder.substr(1));
}

std::string FtpConnection::FolderUrl(const std::string& folder) const {
  // An SFTP URL's path is absolute; in an FTP URL the extra "/" makes it
  // absolute rather than relative to the login folder.
  if (IsSftp()) return ServerUrl() + EncodedFolder(ServerPath(folder));
  return ServerUrl() + "/" + EncodedFolder(folder);
}

std::string FtpConnection::FileUrl(const std::string& name) const {
  return FolderUrl(mFolder) + PercentEncode(name);
}

std::string FtpConnection::RemotePath(const std::string& name) const {
  return ServerPath(mFolder) + name;
}

std::string FtpConnection::DeleteCommand(const std::string& path, bool mayFail) const {
  const std::string command = IsSftp() ? "rm " + SftpArgument(path) : "DELE " + path;
  return mayFail ? "*" + command : command;
}

std::string FtpConnection::MakeFolderCommand(const std::string& path) const {
  return IsSftp() ? "*mkdir " + SftpArgument(path) : "*MKD " + path;
}

std::vector<std::string> FtpConnection::RenameCommands(const std::string& from,
                                                       const std::string& to) const {
  // FTP names with blanks go unquoted: the servers take the rest of the line.
  if (IsSftp()) return {"rename " + SftpArgument(from) + " " + SftpArgument(to)};
  return {"RNFR " + from, "RNTO " + to};
}

void FtpConnection::ApplySession(CURL* handle) {
  const long seconds = std::max(1L, mOptions.timeOutMs / 1000);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_USERNAME, mUser.c_str());
  // Each blocking step is bounded on its own; a whole transfer is not, as a
  // large package on a slow line may rightly take long.
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, mOptions.timeOutMs);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, seconds);
  switch (static_cast<FtpProxyType>(mOptions.proxyType)) {
    case FtpProxyType::kDirect:
      // Also keeps proxies named in the environment out.
      curl_easy_setopt(handle, CURLOPT_PROXY, "");
      break;
    case FtpProxyType::kHttpConnect:
      curl_easy_setopt(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
      curl_easy_setopt(handle, CURLOPT_HTTPPROXYTUNNEL, 1L);
      break;
    case FtpProxyType::kSocks5:
      curl_easy_setopt(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_SOCKS5_HOSTNAME));
      break;
  }
  if (mOptions.proxyType != static_cast<long>(FtpProxyType::kDirect)) {
    curl_easy_setopt(handle, CURLOPT_PROXY, mOptions.proxyHost.c_str());
    curl_easy_setopt(handle, CURLOPT_PROXYPORT, mOptions.proxyPort);
    curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, mOptions.proxyUserName.c_str());
    curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, mOptions.proxyPassword.c_str());
  }
  if (IsSftp()) {
    ApplySshSession(handle);
    return;
  }
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(handle, CURLOPT_PASSWORD, mPassword.c_str());
  curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
  curl_easy_setopt(handle, CURLOPT_ACCEPTTIMEOUT_MS, mOptions.timeOutMs);
  if (!mOptions.passive) {
    const std::string port =
        mOptions.manualPort ? ":" + mOptions.minDataPort + "-" + mOptions.maxDataPort : "-";
    curl_easy_setopt(handle, CURLOPT_FTPPORT, port.c_str());
  }
  if (mProtocol == TransferProtocol::kFtps) {
    curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!mCaBundle.empty()) {
      curl_blob blob{const_cast<char*>(mCaBundle.data()), mCaBundle.size(), CURL_BLOB_COPY};
      curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
    }
  }
}

void FtpConnection::ApplySshSession(CURL* handle) {
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "sftp");
  if (!mOptions.privateKey.empty()) {
    // The key alone: the password is not even offered as a second way in.
    curl_easy_setopt(handle, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PUBLICKEY));
    curl_easy_setopt(handle, CURLOPT_SSH_PRIVATE_KEYFILE, mOptions.privateKey.c_str());
    // "": the public half is derived from the private key, not looked for
    // in the home folder.
    curl_easy_setopt(handle, CURLOPT_SSH_PUBLIC_KEYFILE, "");
  } else {
    curl_easy_setopt(handle, CURLOPT_SSH_AUTH_TYPES,
                     static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
    curl_easy_setopt(handle, CURLOPT_PASSWORD, mPassword.c_str());
  }
  // Without a known_hosts file libcurl would take any host key; an empty
  // one makes every key unknown, so the check below refuses it by name.
  curl_easy_setopt(handle, CURLOPT_SSH_KNOWNHOSTS,
                   mOptions.knownHosts.empty() ? "/dev/null" : mOptions.knownHosts.c_str());
  curl_easy_setopt(handle, CURLOPT_SSH_KEYFUNCTION, CheckHostKey);
  curl_easy_setopt(handle, CURLOPT_SSH_KEYDATA, &mHostKeyCheck);
  // An SSH request waits for its server outside of any transfer (opening
  // a file, running a command, reading a folder), where neither the
  // low-speed limit nor the connect time-out applies; the progress
  // callback sees every wait.
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, WatchStall);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &mStallWatch);
}

int FtpConnection::CheckHostKey(CURL* /*handle*/, const struct curl_khkey* /*known*/,
                                const struct curl_khkey* found, enum curl_khmatch match,
                                void* data) noexcept {
  if (match == CURLKHMATCH_OK) return CURLKHSTAT_FINE;
  try {
    auto* check = static_cast<HostKeyCheck*>(data);
    std::string blob;
    if (found != nullptr && found->key != nullptr && found->len > 0) {
      blob.assign(found->key, found->len);
    } else if (found != nullptr && found->key != nullptr) {
      // A key given as base64 text.
      const std::string text = found->key;
      blob.resize(text.size());
      std::size_t size = 0;
      if (sodium_base642bin(reinterpret_cast<unsigned char*>(blob.data()), blob.size(), text.data(),
                            text.size(), nullptr, &size, nullptr,
                            sodium_base64_VARIANT_ORIGINAL) == 0) {
        blob.resize(size);
      } else {
        blob.clear();
      }
    }
    const RefusalTexts texts = kRefusalTexts.Read();
    check->refusal = (match == CURLKHMATCH_MISMATCH ? texts.Msg_FTP_HostKeyChanged
                                                    : texts.Msg_FTP_HostKeyUnknown) +
                     SshKeyFingerprint(blob);
  } catch (...) {
    // Refused all the same, only without the words.
  }
  return CURLKHSTAT_REJECT;
}

int FtpConnection::WatchStall(void* data, curl_off_t /*downloadTotal*/, curl_off_t downloaded,
                              curl_off_t /*uploadTotal*/, curl_off_t uploaded) noexcept {
  auto* watch = static_cast<StallWatch*>(data);
  const auto now = std::chrono::steady_clock::now();
  const long long moved = static_cast<long long>(downloaded) + static_cast<long long>(uploaded);
  if (moved != watch->moved) {
    watch->moved = moved;
    watch->since = now;
    return 0;
  }
  return now - watch->since > watch->limit ? 1 : 0;
}

CURLcode FtpConnection::Attempt(const std::function<void(CURL*)>& prepare) {
  curl_easy_reset(mHandle.get());  // keeps the live connection
  ApplySession(mHandle.get());
  prepare(mHandle.get());
  mHandleUsed = true;
  mHostKeyCheck.refusal.clear();
  mStallWatch = StallWatch{std::chrono::steady_clock::now(), 0,
                           std::chrono::milliseconds(mOptions.timeOutMs)};
  if (!mMulti) mMulti = MakeCurlMulti();
  const CURLcode result = PerformPolled(mMulti.get(), mHandle.get());
  if (!mHostKeyCheck.refusal.empty()) Refuse(std::move(mHostKeyCheck.refusal));
  return result;
}

CURLcode FtpConnection::Perform(const std::function<void(CURL*)>& prepare) {
  if (!mHandle) {
    mMulti.reset();
    mHandle = MakeCurlEasy();
    mHandleUsed = false;
  }
  const bool reused = mHandleUsed;
  CURLcode result = Attempt(prepare);
  if (result != CURLE_OK && reused && !(IsSftp() && IsSftpAnswer(result))) {
    mMulti.reset();
    mHandle = MakeCurlEasy();
    mHandleUsed = false;
    result = Attempt(prepare);
  }
  return result;
}

}  // namespace tavex

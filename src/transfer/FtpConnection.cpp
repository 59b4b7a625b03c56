#include "transfer/FtpConnection.h"

#include <fstream>
#include <sstream>

#include "transfer/FtpListing.h"

namespace tavex {

namespace {

constexpr long kMaxPort = 65535;

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
  mHandle.reset();
  mConnected = false;
  mMlsdRefused = false;
  if (!IsPlainHost(host) || HasLineBreak(user) || HasLineBreak(password)) return false;
  if (options.port <= 0 || options.port > kMaxPort) return false;
  if (options.proxyType != static_cast<long>(FtpProxyType::kDirect) &&
      options.proxyType != static_cast<long>(FtpProxyType::kHttpConnect) &&
      options.proxyType != static_cast<long>(FtpProxyType::kSocks5)) {
    return false;
  }
  if (!options.passive && options.manualPort &&
      (!IsPort(options.minDataPort) || !IsPort(options.maxDataPort))) {
    return false;
  }
  mCaBundle.clear();
  if (options.tls && !options.caFile.empty()) {
    std::optional<std::string> bundle = CaBundleWith(options.caFile);
    if (!bundle) return false;
    mCaBundle = std::move(*bundle);
  }
  mHost = host;
  mUser = user;
  mPassword = password;
  mOptions = options;
  mFolder = "/";

  mHandle = MakeCurlEasy();
  mHandleUsed = false;
  const std::string loginUrl = ServerUrl();
  CURLcode result = Attempt([&](CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_URL, loginUrl.c_str());
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  });
  if (result != CURLE_OK) {
    mHandle.reset();
    return false;
  }
  char* entryPath = nullptr;
  if (curl_easy_getinfo(mHandle.get(), CURLINFO_FTP_ENTRY_PATH, &entryPath) == CURLE_OK &&
      entryPath != nullptr && entryPath[0] == '/') {
    mFolder = entryPath;
    if (mFolder.back() != '/') mFolder += '/';
  }
  mConnected = true;
  return true;
}

bool FtpConnection::Close() {
  if (!mConnected) return false;
  mConnected = false;
  mHandle.reset();
  return true;
}

std::string FtpConnection::ServerUrl() const {
  const std::string host = mHost.find(':') == std::string::npos ? mHost : "[" + mHost + "]";
  return "ftp://" + host + ":" + std::to_string(mOptions.port) + "/";
}

std::string FtpConnection::FolderUrl(const std::string& folder) const {
  // The extra "/" makes the path absolute rather than relative to the login
  // folder.
  return ServerUrl() + "/" + EncodedFolder(folder);
}

std::string FtpConnection::FileUrl(const std::string& name) const {
  return FolderUrl(mFolder) + PercentEncode(name);
}

void FtpConnection::ApplySession(CURL* handle) const {
  const long seconds = std::max(1L, mOptions.timeOutMs / 1000);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(handle, CURLOPT_USERNAME, mUser.c_str());
  curl_easy_setopt(handle, CURLOPT_PASSWORD, mPassword.c_str());
  // Each blocking step is bounded on its own; a whole transfer is not, as a
  // large package on a slow line may rightly take long.
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, mOptions.timeOutMs);
  curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
  curl_easy_setopt(handle, CURLOPT_ACCEPTTIMEOUT_MS, mOptions.timeOutMs);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, seconds);
  if (!mOptions.passive) {
    const std::string port =
        mOptions.manualPort ? ":" + mOptions.minDataPort + "-" + mOptions.maxDataPort : "-";
    curl_easy_setopt(handle, CURLOPT_FTPPORT, port.c_str());
  }
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
  if (mOptions.tls) {
    curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!mCaBundle.empty()) {
      curl_blob blob{const_cast<char*>(mCaBundle.data()), mCaBundle.size(), CURL_BLOB_COPY};
      curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
    }
  }
}

CURLcode FtpConnection::Attempt(const std::function<void(CURL*)>& prepare) {
  curl_easy_reset(mHandle.get());  // keeps the live connection
  ApplySession(mHandle.get());
  prepare(mHandle.get());
  mHandleUsed = true;
  return curl_easy_perform(mHandle.get());
}

CURLcode FtpConnection::Perform(const std::function<void(CURL*)>& prepare) {
  if (!mHandle) {
    mHandle = MakeCurlEasy();
    mHandleUsed = false;
  }
  const bool reused = mHandleUsed;
  CURLcode result = Attempt(prepare);
  if (result != CURLE_OK && reused) {
    mHandle = MakeCurlEasy();
    mHandleUsed = false;
    result = Attempt(prepare);
  }
  return result;
}

}  // namespace tavex

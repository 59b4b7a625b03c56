#include "transfer/DdnsLookup.h"

#include <iconv.h>

#include <cstdint>
#include <exception>

#include "transfer/CurlEasy.h"
#include "transfer/IniSection.h"

namespace tavex {

namespace {

constexpr long kDefaultTimeOutSeconds = 30;

struct DdnsService {
  std::string baseUrl;  // without a trailing "/"
  long timeOutSeconds = kDefaultTimeOutSeconds;
};

std::optional<DdnsService> ReadService() {
  std::optional<IniValues> values = ReadIniSection(TransferOptionsFile(), "DDNS");
  if (!values) return std::nullopt;
  DdnsService service;
  service.baseUrl = IniValue(*values, "baseurl");
  while (!service.baseUrl.empty() && service.baseUrl.back() == '/') service.baseUrl.pop_back();
  if (service.baseUrl.empty()) return std::nullopt;
  long seconds = NonNegativeNumber(IniValue(*values, "timeout"));
  if (seconds > 0) service.timeOutSeconds = seconds;
  return service;
}

std::string Lookup(const std::string& pathAndQuery) noexcept {
  try {
    std::optional<DdnsService> service = ReadService();
    if (!service) return "";
    std::optional<std::string> body =
        FetchText(service->baseUrl + pathAndQuery, service->timeOutSeconds);
    if (!body) return "";
    return TextBetween(BytesToText(*body), "[IP]", "[/IP]");
  } catch (const std::exception&) {
    return "";
  }
}

std::size_t AppendToText(char* data, std::size_t size, std::size_t count, void* text) {
  static_cast<std::string*>(text)->append(data, size * count);
  return size * count;
}

// Converts two-byte GBK characters to UTF-8.
class GbkConverter {
 public:
  GbkConverter() : mConverter(iconv_open("UTF-8", "GBK")) {}
  ~GbkConverter() {
    if (IsOpen()) iconv_close(mConverter);
  }
  GbkConverter(const GbkConverter&) = delete;
  GbkConverter& operator=(const GbkConverter&) = delete;

  // The character `lead` `trail` as UTF-8, or U+FFFD.
  std::string Convert(char lead, char trail) {
    char in[2] = {lead, trail};
    char out[8];
    char* inAt = in;
    char* outAt = out;
    std::size_t inLeft = sizeof in;
    std::size_t outLeft = sizeof out;
    if (!IsOpen()) return kReplacement;
    iconv(mConverter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(mConverter, &inAt, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
      return kReplacement;
    }
    return std::string(out, outAt);
  }

 private:
  static constexpr const char* kReplacement = "\xEF\xBF\xBD";
  bool IsOpen() const {
    return mConverter != reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));
  }

  iconv_t mConverter;
};

}  // namespace

std::string GetMyIP() { return Lookup("/DDNS/getIP.asp"); }

std::string GetServerIP(const std::string& account, const std::string& password) {
  return Lookup("/DDNS/getServerIP.asp?ID=" + PercentEncode(account) +
                "&PSW=" + PercentEncode(password));
}

std::optional<std::string> FetchText(const std::string& url, long timeOutSeconds) {
  CurlEasy handle = MakeCurlEasy();
  std::string body;
  CURL* h = handle.get();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, timeOutSeconds);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendToText);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  if (curl_easy_perform(h) != CURLE_OK) return std::nullopt;
  return body;
}

std::string BytesToText(const std::string& bytes) {
  std::string text;
  std::optional<GbkConverter> converter;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const unsigned char lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 128) {
      text += static_cast<char>(lead);
    } else if (at + 1 < bytes.size()) {
      if (!converter) converter.emplace();
      text += converter->Convert(bytes[at], bytes[at + 1]);
      ++at;
    }
  }
  return text;
}

std::string TextBetween(const std::string& text, const std::string& start, const std::string& end) {
  std::size_t from = text.find(start);
  if (from == std::string::npos) return "";
  std::string after = text.substr(from + start.size());
  return after.substr(0, after.find(end));
}

}  // namespace tavex

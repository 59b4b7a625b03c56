#include "transfer/CurlEasy.h"

#include <stdexcept>

namespace tavex {

CurlEasy MakeCurlEasy() {
  static const CURLcode kInit = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (kInit != CURLE_OK) throw std::runtime_error("libcurl cannot be initialised");
  CurlEasy handle(curl_easy_init());
  if (!handle) throw std::runtime_error("libcurl gives no handle");
  return handle;
}

CurlList MakeCurlList(const std::vector<std::string>& items) {
  CurlList list;
  for (const std::string& item : items) {
    curl_slist* longer = curl_slist_append(list.get(), item.c_str());
    if (longer == nullptr) throw std::runtime_error("out of memory");
    list.release();
    list.reset(longer);
  }
  return list;
}

std::string PercentEncode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : text) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
    if (unreserved) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0x0F];
    }
  }
  return encoded;
}

}  // namespace tavex

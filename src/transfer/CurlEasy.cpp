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

CurlMulti MakeCurlMulti() {
  MakeCurlEasy();  // initialises libcurl
  CurlMulti handle(curl_multi_init());
  if (!handle) throw std::runtime_error("libcurl gives no multi handle");
  return handle;
}

CURLcode PerformPolled(CURLM* multi, CURL* easy) {
  constexpr long kLongestWaitMs = 10;
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_FAILED_INIT;
  for (int running = 1; running > 0;) {
    if (curl_multi_perform(multi, &running) != CURLM_OK) break;
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
        result = message->data.result;
        running = 0;
      }
    }
    if (running == 0) break;
    long wait = -1;
    curl_multi_timeout(multi, &wait);
    if (wait < 0 || wait > kLongestWaitMs) wait = kLongestWaitMs;
    if (wait > 0) curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait), nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  return result;
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

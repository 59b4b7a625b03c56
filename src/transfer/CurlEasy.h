#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>
#include <vector>

namespace tavex {

struct CurlEasyCleanup {
  void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
struct CurlListFree {
  void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};

// An owned libcurl easy handle; cleaning it up closes (and for FTP logs out
// of) every connection it still holds.
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// A new easy handle. libcurl is initialised for the process on the first
// call. Throws std::runtime_error when libcurl cannot give a handle.
CurlEasy MakeCurlEasy();

// A libcurl string list holding `items` in order; null for no items.
CurlList MakeCurlList(const std::vector<std::string>& items);

// `text` percent-encoded for one URL segment or query value: every byte but
// the unreserved ASCII letters, digits and "-._~" is written as %XX.
std::string PercentEncode(const std::string& text);

}  // namespace tavex

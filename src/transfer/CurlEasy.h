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

struct CurlMultiCleanup {
  void operator()(CURLM* handle) const noexcept { curl_multi_cleanup(handle); }
};
// An owned libcurl multi handle; the connections of the transfers it ran
// stay in its pool for the next.
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// A new easy handle. libcurl is initialised for the process on the first
// call. Throws std::runtime_error when libcurl cannot give a handle.
CurlEasy MakeCurlEasy();

// A new multi handle. Throws std::runtime_error when libcurl cannot give one.
CurlMulti MakeCurlMulti();

// Runs the transfer set up on `easy` to its end through `multi`, as
// curl_easy_perform would, and answers its result. It looks at the
// connections at least every few milliseconds: this libcurl can miss an FTP
// reply that arrives together with the one before it and would then wait a
// whole second for nothing, once per file.
CURLcode PerformPolled(CURLM* multi, CURL* easy);

// A libcurl string list holding `items` in order; null for no items.
CurlList MakeCurlList(const std::vector<std::string>& items);

// `text` percent-encoded for one URL segment or query value: every byte but
// the unreserved ASCII letters, digits and "-._~" is written as %XX.
std::string PercentEncode(const std::string& text);

}  // namespace tavex

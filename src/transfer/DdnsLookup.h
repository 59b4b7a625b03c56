#pragma once

#include <optional>
#include <string>

namespace tavex {

// Lookups on the DDNS web service. Its base address is key "BaseUrl" of
// section "DDNS" in "<plug-in folder>/Octopus/MAIN.INI" (http or https, for
// example "https://ddns.example.com"); key "TimeOut" bounds each request in
// seconds (default 30). Without a base address every lookup answers empty.
// A lookup never throws: any failure (no answer, an HTTP error status, an
// answer without the address markers) gives the empty string.

// This machine's public address as the service sees it:
// GET <base>/DDNS/getIP.asp.
std::string GetMyIP();

// The FTP server address registered under `account`:
// GET <base>/DDNS/getServerIP.asp?ID=<account>&PSW=<password>. Both values
// are percent-encoded, so that an "&", "=", "#" or blank in them stays part of
// the value; the service decodes them back. Empty when the account is not
// registered or the password is wrong.
std::string GetServerIP(const std::string& account, const std::string& password);

// The whole body of a GET request for `url`, or nullopt when the request
// fails, answers an HTTP error status, or takes longer than `timeOutSeconds`
// for any step. Only http and https are followed.
std::optional<std::string> FetchText(const std::string& url, long timeOutSeconds);

// The answer body as text: bytes below 128 stay as they are; a byte of 128 or
// more starts a two-byte character of the GBK code page, which becomes its
// UTF-8 form (a pair that is not a GBK character becomes U+FFFD; a lone last
// lead byte is dropped).
std::string BytesToText(const std::string& bytes);

// The part of `text` after the first `start` and, of that, before the first
// `end`; empty without `start`, everything after `start` without `end`. Not
// trimmed.
std::string TextBetween(const std::string& text, const std::string& start, const std::string& end);

}  // namespace tavex

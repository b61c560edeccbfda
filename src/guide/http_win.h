// Blocking HTTP over WinInet, on the calling thread, without retries.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace strevo {

// Sends one request and collects the response body as text (each 1024-byte
// block up to its first zero byte). Returns false, with an empty body and no
// log line, when the request could not be sent; an HTTP error page is a body
// like any other.
bool httpcmd(std::string_view server, int port, std::string_view verb, std::string_view object,
             std::string_view user, std::string_view password, std::string_view headers, std::string_view body,
             int accessType, std::string_view proxy, std::string& result);

// Downloads a URL into a file (replacing it). Returns false only when the
// destination cannot be created, before any network access; an unreachable
// URL leaves an empty file. `progressBar` may be null.
bool httpgetfile(std::string_view url, std::string_view destination, HWND progressBar = nullptr);

}  // namespace strevo

// HTTP over WinInet. Each transfer runs on a worker thread while the calling
// thread waits for it and keeps processing its messages, so a window whose
// thread asks for a transfer stays alive; the call still returns only when
// the transfer is over.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "net/http.h"

namespace strevo {

// Sends one request and collects the response body as text (each 1024-byte
// block up to its first zero byte). Returns true when a complete 2xx
// response came (its body may be empty). A request that could not be sent
// gives false with no log line; any later failure (an error status, a read
// error, fewer bytes than announced, a body over the limit, the time limit)
// gives false, an empty result, and the log line with 0 bytes followed by
// one that says why.
// A request names only what differs from a plain GET on port 80 through
// the system's proxy settings.
struct HttpRequest {
  std::string server;  // a ":port" in it stays part of the host name
  int port = 80;
  bool secure = false;  // https, with the system's certificate checks
  std::string verb = "GET";
  std::string object = "/";
  std::string user, password;
  std::string headers;
  std::string body;
  int accessType = 0;  // WinInet's access type; 0 takes the system's settings
  std::string proxy;
  TransferLimits limits = kChannelListLimits;
};
bool httpcmd(const HttpRequest& request, std::string& result);

// Downloads a URL into a file. The destination is created (replacing any old
// file) before any network access; false at once when it cannot be. It
// receives the body only when the whole of it came (the rules of httpcmd);
// after any failure it is left empty and false is returned. `progressBar`
// may be null.
bool httpgetfile(std::string_view url, std::string_view destination, HWND progressBar = nullptr,
                 const TransferLimits& limits = kFileDownloadLimits);

}  // namespace strevo

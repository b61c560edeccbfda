#include "guide/http.h"

#include <cmath>
#include <cstring>

namespace strevo {

void AppendTextBlock(std::string& text, const char* block, size_t length) {
  const void* zero = std::memchr(block, 0, length);
  size_t n = zero ? static_cast<size_t>(static_cast<const char*>(zero) - block) : length;
  text.append(block, n);
}

int ProgressPosition(int barMax, int64_t received, int64_t reference) {
  if (barMax <= 0 || received <= 0) return 0;
  if (reference <= 0 || received >= reference) return barMax;
  return static_cast<int>(std::llround(static_cast<double>(barMax) * static_cast<double>(received) /
                                       static_cast<double>(reference)));
}

std::string HttpCmdLogLine(std::string_view verb, std::string_view server, std::string_view object, size_t length) {
  return "httpcmd " + std::string(verb) + " " + std::string(server) + std::string(object) + " " +
         std::to_string(length) + "bytes";
}

std::string HttpGetFileLogLine(std::string_view url, std::string_view destination, int64_t fileSize,
                               int64_t reference) {
  return "httpgetfile \"" + std::string(url) + "\" to \"" + std::string(destination) + "\" recieved " +
         std::to_string(fileSize) + " bytes of " + std::to_string(reference);
}

}  // namespace strevo

#include "support/http_stream.h"

#include <cctype>

namespace strevo::engine {

namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string_view Trim(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

// Decimal digits only and no overflow; nullopt otherwise.
std::optional<uint64_t> Number(std::string_view v) {
  if (v.empty() || v.size() > 19) return std::nullopt;
  uint64_t n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  return n;
}

}  // namespace

std::optional<HttpHead> ParseHttpHead(std::string_view received) {
  const size_t end = received.find("\r\n\r\n");
  if (end == std::string_view::npos) return std::nullopt;
  HttpHead head;
  head.size = end + 4;
  std::string_view rest = received.substr(0, end + 2);  // each line ends with CRLF
  size_t eol = rest.find("\r\n");
  const std::string_view status = rest.substr(0, eol);
  rest.remove_prefix(eol + 2);
  // "HTTP/1.x NNN reason"
  if (status.size() >= 12 && status.substr(0, 5) == "HTTP/" && status[8] == ' ' &&
      (status.size() == 12 || status[12] == ' ')) {
    if (auto code = Number(status.substr(9, 3))) head.status = static_cast<int>(*code);
  }
  while (!rest.empty()) {
    eol = rest.find("\r\n");
    const std::string_view line = rest.substr(0, eol);
    rest.remove_prefix(eol + 2);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = Trim(line.substr(0, colon)), value = Trim(line.substr(colon + 1));
    if (SameNoCase(name, "Content-Length")) {
      head.length = Number(value);
    } else if (SameNoCase(name, "Content-Range") && value.size() > 6 && SameNoCase(value.substr(0, 6), "bytes ")) {
      const std::string_view range = value.substr(6);
      const size_t dash = range.find('-');
      if (dash != std::string_view::npos) head.rangeStart = Number(Trim(range.substr(0, dash)));
    }
  }
  return head;
}

std::string HttpStream::Request(const SourceAddress& source) const {
  const std::string host = source.host + (source.port != 80 ? ":" + std::to_string(source.port) : "");
  std::string request = "GET " + source.query + " HTTP/1.0\r\nHost: " + host +
                        "\r\nUser-Agent: Strevo-engine\r\nAccept: */*\r\n";
  if (length_ && had_ > 0) request += "Range: bytes=" + std::to_string(had_) + "-\r\n";
  return request + "\r\n";
}

bool HttpStream::Answer(const HttpHead& head) {
  if (head.status < 200 || head.status > 299) return false;
  skip_ = 0;
  if (!started_) {
    started_ = true;
    length_ = head.status == 200 ? head.length : std::nullopt;
    return true;
  }
  if (!length_) return true;  // a live stream goes on with whatever comes now
  if (head.status == 206 && head.rangeStart) {
    // Only a part that starts at or before what is had joins without a hole.
    if (*head.rangeStart > had_) return false;
    skip_ = had_ - *head.rangeStart;
  } else {
    skip_ = had_;  // the whole body again
  }
  return true;
}

size_t HttpStream::Received(size_t n) {
  const size_t dropped = skip_ < n ? static_cast<size_t>(skip_) : n;
  skip_ -= dropped;
  had_ += n - dropped;
  return dropped;
}

bool HttpStream::Dropped() const { return started_ && !(length_ && had_ >= *length_); }

int HttpStream::RetryDelayMs(int failures) {
  constexpr int kDelays[] = {500, 1000, 2000, 4000};
  return kDelays[failures < 0 ? 0 : failures > 3 ? 3 : failures];
}

}  // namespace strevo::engine

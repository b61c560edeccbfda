#include "support/engine_text.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace strevo::engine {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += char(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// "host:port" -> host and port; a missing or bad port keeps `port` unchanged.
// Returns false when the port text is present but not a number in range.
bool SplitHostPort(std::string_view text, std::string& host, uint16_t& port) {
  size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) {
    host = std::string(text);
    return true;
  }
  host = std::string(text.substr(0, colon));
  std::string_view digits = text.substr(colon + 1);
  if (digits.empty()) return true;
  unsigned value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size() || value == 0 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

// Splits at commas outside braces and quotes; false when they do not balance.
bool SplitTopLevel(std::string_view s, std::vector<std::string_view>& parts) {
  int depth = 0;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '{') ++depth;
    if (c == '}' && --depth < 0) return false;
    if (c == ',' && depth == 0) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  if (depth != 0 || quoted) return false;
  parts.push_back(s.substr(start));
  return true;
}

}  // namespace

SourceAddress ParseSourceAddress(std::string_view mrl) {
  SourceAddress a;
  std::string_view s = Trim(mrl);
  if (s.empty()) return a;
  if (StartsWithNoCase(s, "dshow:")) {
    a.kind = SourceKind::Tuner;
    return a;
  }
  if (StartsWithNoCase(s, "udp:")) {
    s.remove_prefix(4);
    if (s.substr(0, 2) == "//") s.remove_prefix(2);
    // "source@group:port": we listen on what follows the "@".
    size_t at = s.find('@');
    if (at != std::string_view::npos) s.remove_prefix(at + 1);
    size_t slash = s.find('/');
    if (slash != std::string_view::npos) s = s.substr(0, slash);
    a.port = 1234;
    if (!SplitHostPort(s, a.host, a.port)) return SourceAddress{};
    a.kind = SourceKind::Udp;
    return a;
  }
  if (StartsWithNoCase(s, "http://")) {
    s.remove_prefix(7);
    size_t slash = s.find('/');
    std::string_view hostPort = s.substr(0, slash);
    a.query = slash == std::string_view::npos ? "/" : std::string(s.substr(slash));
    a.port = 80;
    if (hostPort.empty() || !SplitHostPort(hostPort, a.host, a.port) || a.host.empty()) return SourceAddress{};
    a.kind = SourceKind::Http;
    return a;
  }
  if (StartsWithNoCase(s, "file://")) {
    s.remove_prefix(7);
    if (StartsWithNoCase(s, "localhost/")) s.remove_prefix(9);
    // "file:///C:/x" -> "C:/x"
    if (s.size() >= 3 && s[0] == '/' && s[2] == ':') s.remove_prefix(1);
    a.path = PercentDecode(s);
    a.kind = a.path.empty() ? SourceKind::Unknown : SourceKind::File;
    return a;
  }
  size_t scheme = s.find("://");
  if (scheme != std::string_view::npos && scheme > 1) return a;  // mms://, rtsp://, ... not offered
  a.kind = SourceKind::File;
  a.path = std::string(s);
  return a;
}

std::optional<RecordTarget> ParseRecordChain(std::string_view sout) {
  std::string_view s = Trim(sout);
  constexpr std::string_view head = "#duplicate{";
  if (s.substr(0, head.size()) != head || s.back() != '}') return std::nullopt;
  std::vector<std::string_view> dsts;
  if (!SplitTopLevel(s.substr(head.size(), s.size() - head.size() - 1), dsts)) return std::nullopt;
  std::optional<RecordTarget> target;
  bool display = false;
  for (std::string_view d : dsts) {
    if (d == "dst=display" && !display && !target) {
      display = true;
      continue;
    }
    constexpr std::string_view std_head = "dst=std{";
    if (target || d.substr(0, std_head.size()) != std_head || d.back() != '}') return std::nullopt;
    std::vector<std::string_view> opts;
    if (!SplitTopLevel(d.substr(std_head.size(), d.size() - std_head.size() - 1), opts)) return std::nullopt;
    RecordTarget t;
    bool fileAccess = false, haveUrl = false;
    for (std::string_view o : opts) {
      size_t eq = o.find('=');
      if (eq == std::string_view::npos) return std::nullopt;
      std::string_view key = o.substr(0, eq), value = o.substr(eq + 1);
      if (key == "access") {
        fileAccess = value == "file";
      } else if (key == "mux") {
        t.mux = std::string(value);
      } else if (key == "url" || key == "dst") {
        // "url" in the 0.8 spelling, "dst" in the 3.x one; one destination.
        if (haveUrl) return std::nullopt;
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.find('"') != std::string_view::npos) return std::nullopt;
        t.path = std::string(value);
        haveUrl = true;
      } else {
        return std::nullopt;
      }
    }
    if (!fileAccess || !haveUrl || t.path.empty() || t.mux.empty()) return std::nullopt;
    target = t;
  }
  return target;
}

VarKind VariableKind(std::string_view name) {
  static constexpr std::string_view floats[] = {
      "conf::contrast", "conf::brightness", "conf::saturation", "conf::gamma",
      "contrast", "brightness", "saturation", "gamma"};
  static constexpr std::string_view texts[] = {
      "conf::miface-addr", "conf::snapshot-format", "conf::snapshot-path", "conf::demux",
      "conf::demuxdump-file", "conf::sout", "conf::vout-filter", "conf::deinterlace-mode",
      "conf::aspect-ratio", "conf::crop-geometry", "conf::dshow-size", "conf::dshow-chroma",
      "conf::audio-visual", "conf::vout", "conf::access-filter", "conf::timeshift-dir"};
  // Values that come from user data through the player's digits-only rule.
  static constexpr std::string_view mixed[] = {"conf::audio-track", "conf::dshow-tuner-channel"};
  for (auto n : floats) if (n == name) return VarKind::Float;
  for (auto n : texts) if (n == name) return VarKind::Text;
  for (auto n : mixed) if (n == name) return VarKind::IntOrText;
  return VarKind::Int;
}

std::string TraceQuote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20 || u == 0x7f) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02X", u);
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string TraceFloat(float value) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : std::string("nan");
}

std::string StatusLines(const StatusFigures& f) {
  char buf[160];
  std::string out = f.address + "\n";
  std::snprintf(buf, sizeof buf, "Received: %llu bytes\n", static_cast<unsigned long long>(f.bytes));
  out += buf;
  std::snprintf(buf, sizeof buf, "Bit rate: %llu kbit/s\n", static_cast<unsigned long long>((f.bitsPerSecond + 500) / 1000));
  out += buf;
  int64_t t = f.elapsedSeconds < 0 ? 0 : f.elapsedSeconds;
  std::snprintf(buf, sizeof buf, "Time: %lld:%02d:%02d\n", static_cast<long long>(t / 3600), int(t / 60 % 60), int(t % 60));
  out += buf;
  out += f.paused ? "Paused" : (f.receiving ? "Playing" : "Waiting for data");
  return out;
}

std::string SnapshotFileName(int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "vlcsnap-%05d.jpg", n);
  return buf;
}

}  // namespace strevo::engine

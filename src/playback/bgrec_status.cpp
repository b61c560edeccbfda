#include "playback/bgrec_status.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "base/text_helpers.h"
#include "playback/playlist_tags.h"

namespace strevo {

std::string RecorderClock(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  seconds %= 24 * 3600;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return buf;
}

// Characters, not bytes: a cut inside a UTF-8 sequence would show as garbage.
std::string RecorderTarget(const std::string& path) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < path.size(); ++i)
    if ((static_cast<unsigned char>(path[i]) & 0xC0) != 0x80) starts.push_back(i);
  if (starts.size() <= 25) return path;
  return "..." + path.substr(starts[starts.size() - 26]);
}

std::string RecorderStatusText(const RecorderArgs& a, bool recording, int64_t fileBytes, int64_t elapsedSeconds,
                               std::string_view fault) {
  const std::string status = !fault.empty() ? std::string(fault)
                             : recording    ? "Recording (" + AsciiUpper(a.format) + " format)"
                                            : "Stand by";
  const long long mb = std::llround(static_cast<double>(fileBytes < 0 ? 0 : fileBytes) / 1024.0 / 1024.0);
  const int64_t duration = static_cast<int64_t>(StrToIntLenient(a.minutes)) * 60;
  return "Status\t: " + status + "\rChannel\t: " + a.title + "\rSource\t: " + a.address + "\rTarget\t: " +
         RecorderTarget(a.file) + "\rLength\t: [" + std::to_string(mb) + " Mb] " + RecorderClock(elapsedSeconds) +
         " / " + RecorderClock(duration);
}

std::string RecorderSoutChain(const std::string& format, const std::string& utf8Path) {
  return "#duplicate{dst=std{access=file,mux=" + format + ",url=\"" + utf8Path + "\"}}";
}

std::optional<RecorderArgs> RecorderArgsOf(const Args& args) {
  const size_t count = args.Count();
  if (count < 8 || args.First() != "/bgrec") return std::nullopt;
  RecorderArgs a{args.At(2), args.At(3), args.At(4), args.At(5), args.At(6), args.At(7),
                 count >= 9 ? args.At(8) : "0"};
  // The options follow the full eight: the shorter form has no room for them.
  for (size_t i = 9; i < count; ++i) {
    if (!IsPassedEngineOption(args.At(i))) return std::nullopt;
    a.options.push_back(args.At(i));
  }
  return a;
}

std::string QuotedArgument(std::string_view text) {
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count double only before a quote.
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, '\\');
  return out + "\"";
}

std::string RecorderCommandLine(std::string_view exePath, const RecorderArgs& a) {
  std::string line = "\"" + std::string(exePath) + "\" /bgrec";
  for (const std::string* arg : {&a.address, &a.format, &a.file, &a.minutes, &a.title, &a.iface, &a.audioTrack})
    line += " " + QuotedArgument(*arg);
  for (const std::string& option : a.options) line += " " + QuotedArgument(option);
  return line;
}

// Comparing the clock texts for equality would end a day-long recording at
// once (1440 minutes reads 00:00:00) and would miss the end for good when a
// late tick skips that very second: the elapsed time is compared instead.
bool RecorderDone(const std::string& minutes, int64_t elapsedSeconds) {
  if (minutes == "0") return false;
  const int64_t limit = static_cast<int64_t>(StrToIntLenient(minutes)) * 60;
  return limit > 0 && elapsedSeconds >= limit;
}

}  // namespace strevo

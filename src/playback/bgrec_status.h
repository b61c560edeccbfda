// The background recorder's texts and its end rule, apart from its window.
#pragma once
#include <cstdint>
#include <string>

namespace strevo {

// What the recorder was started with (arguments 2 to 8 of its command line).
struct RecorderArgs {
  std::string address, format, file, minutes, title, iface, audioTrack;
};

// "HH:mm:ss" of a number of seconds, wrapping at 24 hours.
std::string RecorderClock(int64_t seconds);
// The target path as the status shows it: up to 25 characters as it is, else
// "..." and its last 26 characters.
std::string RecorderTarget(const std::string& path);
// The status label's text.
std::string RecorderStatusText(const RecorderArgs& a, bool recording, int64_t fileBytes, int64_t elapsedSeconds);
// The engine's output chain writing the stream to the file, no display branch.
std::string RecorderSoutChain(const std::string& format, const std::string& utf8Path);
// Whether a limited recording has run its length ("0": never by itself).
bool RecorderDone(const std::string& minutes, int64_t elapsedSeconds);

}  // namespace strevo

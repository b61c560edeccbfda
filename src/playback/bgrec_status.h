// The background recorder's texts and its end rule, apart from its window.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/cmdline.h"

namespace strevo {

// What the recorder was started with (arguments 2 to 8 of its command line),
// and the channel's engine options (":name=value") that may follow them.
struct RecorderArgs {
  std::string address, format, file, minutes, title, iface, audioTrack;
  std::vector<std::string> options;
};

// "HH:mm:ss" of a number of seconds, wrapping at 24 hours.
std::string RecorderClock(int64_t seconds);
// The target path as the status shows it: up to 25 characters as it is, else
// "..." and its last 26 characters.
std::string RecorderTarget(const std::string& path);
// The status label's text; a fault of the file ("Error! ...") stands in place
// of the recording state.
std::string RecorderStatusText(const RecorderArgs& a, bool recording, int64_t fileBytes, int64_t elapsedSeconds,
                               std::string_view fault = {});
// The engine's output chain writing the stream to the file, no display branch.
std::string RecorderSoutChain(const std::string& format, const std::string& utf8Path);
// The arguments of a recorder's command line: "/bgrec" and seven more, or
// six more (a command line without the audio track, as the scheduler's preset
// writes it: audio track "0"). After the seven, only engine options the
// player passes on may follow. Nothing for any other count.
std::optional<RecorderArgs> RecorderArgsOf(const Args& args);
// One argument in double quotes, read back whole by the system's parser (a
// quote inside, or backslashes before the closing quote, are escaped).
std::string QuotedArgument(std::string_view text);
// The exe in double quotes, " /bgrec ", then the seven arguments and the
// options, each quoted, separated by single blanks.
std::string RecorderCommandLine(std::string_view exePath, const RecorderArgs& a);
// Whether a limited recording has run its length ("0": never by itself).
bool RecorderDone(const std::string& minutes, int64_t elapsedSeconds);

}  // namespace strevo

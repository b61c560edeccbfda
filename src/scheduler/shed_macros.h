// What a command task runs: the variables of its command line, and the four
// player commands a text beginning with "$" can name.
#pragma once
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace strevo {

// The values the variables stand for at the moment a task runs.
struct MacroValues {
  std::string tempFolder;  // the system's temporary folder, "\" at the end
  DateTime now = 0;
  int durationMinutes = 0;
  std::string channelName;  // title of the task's channel, as listed (put in file-name safe)
  std::string channelMrl;   // its address, as listed (put in without quotes and control characters)
  std::string iface;        // the interface setting: "Auto", an address or a relay "host:port"
  std::string capdir;       // the capture folder, "\" at the end
  std::string fileSuffix;
  std::string self;  // the running executable's full path
};

// The value without double quotes and control characters: it cannot end a
// quoted argument of a command line nor break the line.
std::string CommandLineSafe(std::string_view value);
// CommandLineSafe, and the characters a file name cannot hold replaced as the
// record command replaces them ("_"); a name of dots only becomes "_"s.
std::string FileNameSafe(std::string_view value);

// Replaces the variables in their fixed order, each at every occurrence and
// case-sensitively; a value may bring in variables that come later in the
// order. A value containing its own variable is put in once, not again and
// again.
std::string ExpandMacros(std::string_view commandLine, const MacroValues& values);

// A command line that starts with "$" is a player command; only these exact
// texts do something.
enum class ShedCommand { RunProcess, UpdateGuide, UpdateChannels, Sleep, Close, Nothing };
ShedCommand ClassifyShedCommand(std::string_view commandLine);

}  // namespace strevo

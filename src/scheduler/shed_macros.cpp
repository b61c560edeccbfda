#include "scheduler/shed_macros.h"

#include <utility>

#include "base/text_helpers.h"
#include "playback/mrl_rules.h"
#include "playback/recording_rules.h"

namespace strevo {

std::string CommandLineSafe(std::string_view value) {
  std::string out;
  for (char c : value) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c != '"' && u >= 0x20 && u != 0x7F) out += c;
  }
  return out;
}

std::string FileNameSafe(std::string_view value) {
  std::string out = RecordingTitle(CommandLineSafe(value));
  // "." and ".." name folders, not files.
  if (!out.empty() && out.find_first_not_of('.') == std::string::npos) out.assign(out.size(), '_');
  return out;
}

std::string ExpandMacros(std::string_view commandLine, const MacroValues& v) {
  const std::pair<std::string_view, std::string> table[] = {
      {"%temp%", v.tempFolder},
      {"%date%", FormatDateTime("yyyyMMdd", v.now)},
      {"%time%", FormatDateTime("HHmmss", v.now)},
      {"%dur%", std::to_string(v.durationMinutes)},
      // The channel's title and address come from a downloaded list: neither
      // may end a quoted argument or bring in a line break, and the title is
      // put into file names.
      {"%name%", FileNameSafe(v.channelName)},
      {"%mrl%", CommandLineSafe(MrlForSchedulerMacro(v.channelMrl, v.iface))},
      {"%capdir%", v.capdir},
      {"%subfn%", v.fileSuffix},
      {"%ip%", InterfaceForSchedulerMacro(v.iface)},
      {"%self%", v.self},
  };
  std::string text(commandLine);
  for (const auto& [variable, value] : table) text = ReplaceAll(variable, value, text);
  return text;
}

ShedCommand ClassifyShedCommand(std::string_view commandLine) {
  if (commandLine.empty() || commandLine[0] != '$') return ShedCommand::RunProcess;
  if (commandLine == "$updatetvg") return ShedCommand::UpdateGuide;
  if (commandLine == "$updatem3u") return ShedCommand::UpdateChannels;
  if (commandLine == "$sleep") return ShedCommand::Sleep;
  if (commandLine == "$close") return ShedCommand::Close;
  return ShedCommand::Nothing;
}

}  // namespace strevo

#include "scheduler/shed_macros.h"

#include <utility>

#include "base/text_helpers.h"
#include "playback/mrl_rules.h"

namespace strevo {

std::string ExpandMacros(std::string_view commandLine, const MacroValues& v) {
  const std::pair<std::string_view, std::string> table[] = {
      {"%temp%", v.tempFolder},
      {"%date%", FormatDateTime("yyyyMMdd", v.now)},
      {"%time%", FormatDateTime("HHmmss", v.now)},
      {"%dur%", std::to_string(v.durationMinutes)},
      {"%name%", v.channelName},
      {"%mrl%", MrlForSchedulerMacro(v.channelMrl, v.iface)},
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

#include "base/cmdline.h"

#include "base/text_helpers.h"

namespace strevo {

RunMode DispatchMode(const Args& args) {
  const std::string first = args.First();
  if (first == "/agent") return RunMode::Agent;
  if (first == "/bgrec") return RunMode::BackgroundRecorder;
  return RunMode::Player;
}

std::string MutexName(std::string_view prefix, std::string_view exePath) {
  std::string path(exePath);
  for (char& c : path)
    if (c == '\\') c = '!';
  return std::string(prefix) + path;
}

bool PassesSingleInstance(std::string_view firstArg) {
  return firstArg == "/exporttvg" || firstArg == "/updatetvg" || firstArg == "/updatem3u";
}

Maintenance MaintenanceOf(const Args& args) {
  const std::string first = args.First();
  if (first == "/updatetvg") return Maintenance::UpdateGuide;
  if (first == "/exporttvg") return Maintenance::ExportGuide;
  if (first == "/updatem3u") return Maintenance::UpdateChannelList;
  return Maintenance::None;
}

std::string OwnCommandLine(std::string_view exePath, std::string_view switches) {
  return "\"" + std::string(exePath) + "\" " + std::string(switches);
}

bool ShouldShowSplash(std::string_view firstArg, bool firstArgIsExistingFile, bool loadingPictureExists) {
  if (firstArg == "/updatetvg" || firstArg == "/exporttvg" || firstArg == "/nologo" || firstArg == "/preconf" ||
      firstArg == "/updatem3u")
    return false;
  return !firstArgIsExistingFile && loadingPictureExists;
}

}  // namespace strevo

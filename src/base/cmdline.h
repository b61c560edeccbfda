// The command line: run modes, the single-instance rule and the command lines
// the program builds to start further copies of itself.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace strevo {

inline constexpr std::string_view kPlayerMutexPrefix = "QuenbyStrevo_Mutex_for_";
inline constexpr std::string_view kAgentMutexPrefix = "QuenbyStrevoAgent_Mutex_for_";

enum class RunMode { Player, Agent, BackgroundRecorder };

// Arguments by position: [0] the exe's full path, [1] the first switch, [2] the second.
struct Args {
  std::vector<std::string> items;
  std::string At(size_t i) const { return i < items.size() ? items[i] : std::string(); }
  std::string First() const { return At(1); }
  std::string Second() const { return At(2); }
  size_t Count() const { return items.size(); }  // including the program path
};

RunMode DispatchMode(const Args& args);

// The prefix followed by the exe's path with every "\" replaced by "!".
std::string MutexName(std::string_view prefix, std::string_view exePath);

// Whether a start may continue although a player of this exe already runs.
bool PassesSingleInstance(std::string_view firstArg);

// Maintenance runs that stop after the windows are built and do their work.
enum class Maintenance { None, UpdateGuide, ExportGuide, UpdateChannelList };
Maintenance MaintenanceOf(const Args& args);

// [exe] in double quotes, a blank, the switches.
std::string OwnCommandLine(std::string_view exePath, std::string_view switches);

// The splash is shown only for an ordinary start with the picture present.
bool ShouldShowSplash(std::string_view firstArg, bool firstArgIsExistingFile, bool loadingPictureExists);

}  // namespace strevo

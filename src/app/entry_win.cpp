// Process entry: the current directory becomes the exe's folder, then the
// first argument picks the run mode. Every mode ends with exit code 0.
#include <windows.h>
#include <shellapi.h>

#include "base/cmdline.h"
#include "win/util_win.h"

namespace strevo {
int RunPlayer(const Args& args);
int RunAgent(const Args& args);
int RunBackgroundRecorder(const Args& args);
}  // namespace strevo

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace strevo;
  SetCurrentDirectoryW(Widen(ExeFolder()).c_str());

  Args args;
  int argc = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 0; i < argc; ++i) args.items.push_back(Narrow(argv[i]));
    LocalFree(argv);
  }
  // Argument 0 is always the full path, however we were started.
  if (args.items.empty()) args.items.push_back(ExePath());
  else args.items[0] = ExePath();

  switch (DispatchMode(args)) {
    case RunMode::Agent: RunAgent(args); break;
    case RunMode::BackgroundRecorder: RunBackgroundRecorder(args); break;
    case RunMode::Player: RunPlayer(args); break;
  }
  return 0;
}

#include "ui/main/scheduler_run_win.h"

#include <windows.h>

#include "base/cmdline.h"
#include "base/eventlog.h"
#include "scheduler/shed_file_win.h"
#include "scheduler/shed_runner.h"
#include "scheduler/shutdown_computer_win.h"
#include "ui/channels/channel_list_win.h"
#include "ui/commands/command_dispatch_win.h"
#include "ui/commands/commands_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/video/player_host_win.h"
#include "ui/main/recording_win.h"
#include "win/clock_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// The player's side of carrying out a task: its actions are the player's
// commands, run through the one dispatcher.
class PlayerShedHost : public ShedHost {
 public:
  explicit PlayerShedHost(MainWindow& mw) : mw_(mw) {}

  bool ReadTasks(std::vector<ShedTask>& tasks) override { return ReadShedTasksFile(ShedFilePath(), tasks); }
  bool IsPlaying() override { return player_isplaying(mw_); }
  bool RecordingShown() override { return mw_.recording; }
  uint64_t RecordingSerial() override { return mw_.recordingsStarted; }
  int ChannelEntries() override { return static_cast<int>(mw_.channelTitles.size()); }
  std::string ChannelTitle(int entry) override { return mw_.channelTitles.at(entry); }
  std::string ChannelMrl(int entry) override { return mw_.channelMrls.at(entry); }
  std::string CaptureFolder() override { return mw_.globals.capDir; }
  void SetCaptureFolder(const std::string& folder) override { mw_.globals.capDir = folder; }
  std::string Interface() override { return mw_.globals.iface; }
  std::string TempFolder() override { return SystemTempPath(); }
  std::string SelfPath() override { return mw_.exePath; }

  void PlayChannel(int entry) override { RunCommand(mw_, Command::Channel(entry)); }
  void SelectChannel(int entry) override {
    // Selected only: the recording that follows plays it.
    mw_.channelSelectorIndex = entry;
    if (mw_.host) {
      mw_.host->ShowSelection(entry);
      mw_.host->SetChannelLabel(mw_.channelTitles.at(entry));
    }
  }
  void EndRecording() override { RunCommand(mw_, Command::Of(CommandId::Stop)); }
  void Record(const std::string& fileSuffix) override {
    mw_.recordingNamePrefix = fileSuffix;
    RunCommand(mw_, Command::Of(CommandId::Record));
  }
  void ToggleRecord() override { RunCommand(mw_, Command::Of(CommandId::Record)); }
  void StopPlayback() override { RunCommand(mw_, Command::Of(CommandId::Stop)); }
  void Minimise() override { RunCommand(mw_, Command::Of(CommandId::Minimise)); }
  void StartBackgroundRecording(int entry, int minutes, const std::string& fileSuffix) override {
    strevo::StartBackgroundRecording(mw_, entry, minutes, fileSuffix);
  }
  void StartAgent() override { StartProcessShown(OwnCommandLine(mw_.exePath, "/agent")); }
  void ClosePlayer() override { RunCommand(mw_, Command::Of(CommandId::Exit)); }
  void RunProcess(const std::string& commandLine) override {
    // An empty or wrong command line fails silently.
    if (!commandLine.empty()) StartProcessShown(commandLine);
  }
  void RunPlayerCommand(ShedCommand command) override {
    switch (command) {
      case ShedCommand::UpdateGuide: RunCommand(mw_, Command::Of(CommandId::UpdateGuide)); break;
      case ShedCommand::UpdateChannels:
        // As the menu's command, but told in the log instead of a message box.
        ReloadChannelList(mw_, true, true);
        BuildChannelEntries(mw_);
        break;
      case ShedCommand::Sleep: RunCommand(mw_, Command::Of(CommandId::Standby)); break;
      case ShedCommand::Close: RunCommand(mw_, Command::Of(CommandId::Exit)); break;
      case ShedCommand::RunProcess:
      case ShedCommand::Nothing: break;
    }
  }
  void ShutDownComputer() override { strevo::ShutDownComputer(); }
  void Log(const std::string& line) override { LogLine(line); }
  bool TaskRan(int64_t minute, uint64_t key) override { return ReadShedRuns().Ran(minute, key); }
  void RecordTaskRun(int64_t minute, uint64_t key) override {
    if (!RecordShedRun(minute, key)) LogLine("shed: the run record cannot be written: " + ShedRunsPath());
  }

 private:
  MainWindow& mw_;
};

}  // namespace

void StartSchedulerTimer(MainWindow& mw) { SetTimer(mw.hwnd, kSchedulerTimer, ClockInterval(8000), nullptr); }

static void SchedulerCheckNow(MainWindow& mw) {
  if (mw.globals.autoSwitch && player_isplaying(mw)) {
    // The switch brings the video window forward; the user's window stays in front.
    HWND front = GetForegroundWindow();
    RunCommand(mw, Command::Of(CommandId::ChannelNext));
    if (front) SetForegroundWindow(front);
  }
  PlayerShedHost host(mw);
  // A clock sped up for tests covers more minutes in the same real stall.
  mw.shedRunner.maxCatchUpMinutes = kShedMaxCatchUpMinutes * 60000 / ClockInterval(60000);
  mw.shedRunner.Check(ClockNow(), host);
}

// The check reads what plays and records: inside the pause of a switch or a
// recording's restart it would see neither, so it waits for their end.
void SchedulerTimerTick(MainWindow& mw) {
  if (!mw.startupFinished) return;
  RunPlayerCommand(mw, [&mw] { SchedulerCheckNow(mw); });
}

}  // namespace strevo

// Carrying out scheduled tasks in the player: once a minute the task file is
// read, every task due in that minute runs by its kind, and a recording task
// that ends in that minute gets its end action. The player's windows and
// operations sit behind ShedHost, so the rules run and are tested without them.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scheduler/shed_macros.h"
#include "scheduler/shed_tasks.h"

namespace strevo {

// What carrying out a task needs from the player around it. Channel entries
// are positions of the player's channel list: entry 0 is the file-or-stream
// entry, so a task's channel i is entry i + 1.
struct ShedHost {
  virtual ~ShedHost() = default;
  // The task file: false when it is missing, foreign or switched off.
  virtual bool ReadTasks(std::vector<ShedTask>& tasks) = 0;
  virtual bool IsPlaying() = 0;
  virtual bool RecordingShown() = 0;  // an in-player recording runs
  // Changes with every in-player recording started: which one runs.
  virtual uint64_t RecordingSerial() = 0;
  virtual int ChannelEntries() = 0;
  virtual std::string ChannelTitle(int entry) = 0;
  virtual std::string ChannelMrl(int entry) = 0;
  // The settings and places the macros and recordings use.
  virtual std::string CaptureFolder() = 0;
  virtual void SetCaptureFolder(const std::string& folder) = 0;
  virtual std::string Interface() = 0;
  virtual std::string TempFolder() = 0;  // the system's, "\" at the end
  virtual std::string SelfPath() = 0;

  virtual void PlayChannel(int entry) = 0;    // select it and switch to it
  virtual void SelectChannel(int entry) = 0;  // select it without playing
  virtual void EndRecording() = 0;            // clear the recording state and stop, no restart
  virtual void Record(const std::string& fileSuffix) = 0;  // the record command, the suffix its name's prefix
  virtual void ToggleRecord() = 0;                         // the record command once
  virtual void StopPlayback() = 0;
  virtual void Minimise() = 0;
  virtual void StartBackgroundRecording(int entry, int minutes, const std::string& fileSuffix) = 0;
  virtual void StartAgent() = 0;
  virtual void ClosePlayer() = 0;
  virtual void RunProcess(const std::string& commandLine) = 0;
  virtual void RunPlayerCommand(ShedCommand command) = 0;  // "$updatetvg", "$updatem3u", "$sleep", "$close"
  virtual void ShutDownComputer() = 0;
  virtual void Log(const std::string& line) = 0;
  // The run record beside the exe (ShedRuns): whether a task minute ran, in
  // this player or in one before it; and noting one that runs now.
  virtual bool TaskRan(int64_t minute, uint64_t key) = 0;
  virtual void RecordTaskRun(int64_t minute, uint64_t key) = 0;
};

// A clock that jumps further than this (set forward, or the machine woke from
// sleep) does not make the player run every task of the minutes it skipped:
// only the minute it lands in is processed. Minutes of a clock at normal
// speed; a clock sped up for tests scales it.
constexpr int64_t kShedMaxCatchUpMinutes = 10;

class ShedRunner {
 public:
  // One check of the scheduler timer at `now`. The first check after start
  // processes its own minute; later checks process every minute since the
  // last processed one, up to `now`'s, each exactly once, so a fast clock or
  // a late timer skips none.
  void Check(DateTime now, ShedHost& host);

  bool deferredClose = false;  // set by a recording that hands over to the agent
  // Set by an end action that closes the player: the starts of that minute
  // are left to the next player, which the agent wakes for them.
  bool closing = false;
  int64_t maxCatchUpMinutes = kShedMaxCatchUpMinutes;


 private:
  void ProcessMinute(DateTime moment, ShedHost& host);
  void CarryOut(const ShedTask& task, int minutes, DateTime moment, ShedHost& host);
  void AfterEnd(const ShedTask& task, ShedHost& host);
  bool OwnsRecording(const ShedTask& task, int minutes, DateTime moment, ShedHost& host) const;
  std::optional<int64_t> lastMinute_;
  // The in-player recording a task started: the task, its start minute and
  // the recording's serial. A task's end stops that recording only, never one
  // the user or another task started since.
  struct OwnRecording {
    std::string task;
    int64_t startMinute = 0;
    uint64_t serial = 0;
  };
  std::optional<OwnRecording> own_;
  bool running_ = false;
};

// Minutes since the start of the program's day scale; a minute's number
// changes exactly when its "HH:mm" or its date does.
int64_t MinuteNumber(DateTime value);

}  // namespace strevo

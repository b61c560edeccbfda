#include "scheduler/shed_runner.h"

#include "scheduler/shed_runs.h"

namespace strevo {

int64_t MinuteNumber(DateTime value) {
  const int64_t day = TaskDay(value);
  const int minute = TaskMinuteOfDay(value);
  if (day == INT64_MIN || minute < 0) return INT64_MIN;
  return day * 1440 + minute;
}

// A moment inside minute `number`, clear of its edges.
static DateTime MomentOf(int64_t number) { return (static_cast<double>(number) + 0.5) / 1440.0; }

void ShedRunner::Check(DateTime now, ShedHost& host) {
  // Switching channels and recording pump messages, so the timer can strike
  // again inside a task; the minutes it would process wait for the next check.
  if (running_) return;
  const int64_t minute = MinuteNumber(now);
  if (minute == INT64_MIN || (lastMinute_ && *lastMinute_ == minute)) return;
  running_ = true;
  int64_t first = minute;
  if (lastMinute_ && minute > *lastMinute_ && minute - *lastMinute_ <= maxCatchUpMinutes) first = *lastMinute_ + 1;
  for (int64_t m = first; m <= minute; ++m) {
    lastMinute_ = m;
    ProcessMinute(m == minute ? now : MomentOf(m), host);
  }
  running_ = false;
}

void ShedRunner::ProcessMinute(DateTime moment, ShedHost& host) {
  if (deferredClose) {
    deferredClose = false;
    if (!host.IsPlaying()) {
      host.ClosePlayer();
      closing = true;
    }
  }
  std::vector<ShedTask> tasks;
  if (!host.ReadTasks(tasks) || tasks.empty()) return;
  const std::string capdir = host.CaptureFolder();
  if (capdir.empty() || capdir.back() != '\\') host.SetCaptureFolder(capdir + "\\");
  // Every end of the minute before any start: a recording that ends at 07:00
  // must not take down the one that starts at 07:00, whatever the file order.
  for (const ShedTask& task : tasks) {
    const int minutes = TaskDurationMinutes(task);
    // A recording of no length runs until stopped: its end is not the minute
    // it started in.
    if (minutes > 0 && TaskEndsAt(task, moment) && OwnsRecording(task, minutes, moment, host)) AfterEnd(task, host);
  }
  const std::vector<uint64_t> keys = TaskRunKeys(tasks);
  const int64_t minute = MinuteNumber(moment);
  for (size_t i = 0; i < tasks.size(); ++i) {
    const ShedTask& task = tasks[i];
    if (!TaskDueAt(task, moment)) continue;
    // A task runs once: a player started again within its minute (or after
    // the agent woke it for a minute another player ran) leaves it be.
    if (host.TaskRan(minute, keys[i])) {
      host.Log("shed: task already run: " + task.TaskName);
      continue;
    }
    // A closing player would cut what it starts: the agent wakes a new one.
    if (closing) {
      host.Log("shed: player closing, task left to the next start: " + task.TaskName);
      continue;
    }
    // Noted first: a task that closes the player or fails half-way must not
    // run again.
    host.RecordTaskRun(minute, keys[i]);
    CarryOut(task, TaskDurationMinutes(task), moment, host);
  }
}

bool ShedRunner::OwnsRecording(const ShedTask& task, int minutes, DateTime moment, ShedHost& host) const {
  return own_ && host.RecordingShown() && host.RecordingSerial() == own_->serial &&
         own_->task == TaskIdentity(task) && own_->startMinute == MinuteNumber(moment) - minutes;
}

void ShedRunner::CarryOut(const ShedTask& task, int minutes, DateTime moment, ShedHost& host) {
  const ShedKind kind = TaskKind(task);
  const int entry = task.ChannelIndex + 1;
  const bool channelOk = task.ChannelIndex >= 0 && entry < host.ChannelEntries();
  const bool usesChannel = kind == ShedKind::View || kind == ShedKind::Record ||
                           (kind == ShedKind::Command && (task.CommandLine.find("%name%") != std::string::npos ||
                                                          task.CommandLine.find("%mrl%") != std::string::npos));
  if (usesChannel && !channelOk) {
    host.Log("shed: no channel " + std::to_string(task.ChannelIndex) + ", task skipped: " + task.TaskName);
    return;
  }
  host.Log("shed: task " + task.TaskName);
  switch (kind) {
    case ShedKind::View: host.PlayChannel(entry); break;
    case ShedKind::Record:
      switch (task.RecordMode) {
        case kRecordInPlayer:
          if (host.RecordingShown()) host.EndRecording();
          host.SelectChannel(entry);
          host.Record(task.FileSuffix);
          if (host.RecordingShown())
            own_ = OwnRecording{TaskIdentity(task), MinuteNumber(moment), host.RecordingSerial()};
          break;
        case kRecordBackgroundKeepWatching: host.StartBackgroundRecording(entry, minutes, task.FileSuffix); break;
        case kRecordBackgroundWatchIt:
          host.PlayChannel(entry);
          host.StartBackgroundRecording(entry, minutes, task.FileSuffix);
          break;
        case kRecordBackgroundStopMinimise:
          host.StopPlayback();
          host.Minimise();
          host.StartBackgroundRecording(entry, minutes, task.FileSuffix);
          break;
        case kRecordBackgroundStandby:
          host.StartBackgroundRecording(entry, minutes, task.FileSuffix);
          host.StartAgent();
          host.StopPlayback();
          host.Minimise();
          deferredClose = true;
          break;
        default: break;  // a mode the window never writes does nothing
      }
      break;
    case ShedKind::Command: {
      const ShedCommand command = ClassifyShedCommand(task.CommandLine);
      if (command == ShedCommand::Nothing) break;  // "$" and no command of ours
      if (command != ShedCommand::RunProcess) {
        host.RunPlayerCommand(command);
        break;
      }
      MacroValues v;
      v.tempFolder = host.TempFolder();
      v.now = moment;
      v.durationMinutes = minutes;
      if (channelOk) {
        v.channelName = host.ChannelTitle(entry);
        v.channelMrl = host.ChannelMrl(entry);
      }
      v.iface = host.Interface();
      v.capdir = host.CaptureFolder();
      v.fileSuffix = task.FileSuffix;
      v.self = host.SelfPath();
      host.RunProcess(ExpandMacros(task.CommandLine, v));
      break;
    }
    case ShedKind::None: break;
  }
}

void ShedRunner::AfterEnd(const ShedTask& task, ShedHost& host) {
  host.Log("shed: end of task " + task.TaskName);
  own_.reset();
  switch (task.AfterEnd) {
    case kAfterEndStop: host.EndRecording(); break;
    case kAfterEndKeepWatching:
      if (host.RecordingShown()) host.ToggleRecord();
      break;
    case kAfterEndStandby:
      host.StartAgent();
      host.ClosePlayer();
      closing = true;
      break;
    case kAfterEndExit:
      host.ClosePlayer();
      closing = true;
      break;
    case kAfterEndShutDown: host.ShutDownComputer(); break;
    default: break;  // nothing, or a value the window never writes
  }
}

}  // namespace strevo

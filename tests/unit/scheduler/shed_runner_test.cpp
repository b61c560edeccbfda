#include "scheduler/shed_runner.h"

#include "scheduler/shed_runs.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace strevo {
namespace {

// Records every action as a line; the task file is a list the test sets.
struct FakeHost : ShedHost {
  std::vector<ShedTask> file;
  bool switchOn = true;
  int reads = 0;
  bool playing = false;
  bool recording = false;
  uint64_t serial = 0;
  std::vector<std::string> titles{"Файл или поток", "One", "Two", "Three"};
  std::vector<std::string> mrls{"?", "udp://@239.0.0.1:1234", "udp://@239.0.0.2:1234", "http://x/3"};
  std::string capdir = "C:\\Rec";
  std::string iface = "127.0.0.1";
  std::vector<std::string> calls;

  bool ReadTasks(std::vector<ShedTask>& tasks) override {
    ++reads;
    tasks = file;
    return switchOn;
  }
  bool IsPlaying() override { return playing; }
  bool RecordingShown() override { return recording; }
  uint64_t RecordingSerial() override { return serial; }
  int ChannelEntries() override { return static_cast<int>(titles.size()); }
  std::string ChannelTitle(int entry) override { return titles.at(entry); }
  std::string ChannelMrl(int entry) override { return mrls.at(entry); }
  std::string CaptureFolder() override { return capdir; }
  void SetCaptureFolder(const std::string& folder) override {
    capdir = folder;
    calls.push_back("capdir " + folder);
  }
  std::string Interface() override { return iface; }
  std::string TempFolder() override { return "T:\\"; }
  std::string SelfPath() override { return "C:\\TV\\Strevo.exe"; }
  void PlayChannel(int entry) override {
    playing = true;
    calls.push_back("play " + std::to_string(entry));
  }
  void SelectChannel(int entry) override { calls.push_back("select " + std::to_string(entry)); }
  void EndRecording() override {
    recording = playing = false;
    calls.push_back("end recording");
  }
  void Record(const std::string& suffix) override {
    recording = playing = true;
    ++serial;
    calls.push_back("record [" + suffix + "]");
  }
  void ToggleRecord() override {
    recording = !recording;
    if (recording) ++serial;
    calls.push_back("toggle record");
  }
  void StopPlayback() override {
    playing = false;
    calls.push_back("stop");
  }
  void Minimise() override { calls.push_back("minimise"); }
  void StartBackgroundRecording(int entry, int minutes, const std::string& suffix) override {
    calls.push_back("bgrec " + std::to_string(entry) + " " + std::to_string(minutes) + " [" + suffix + "]");
  }
  void StartAgent() override { calls.push_back("agent"); }
  void ClosePlayer() override { calls.push_back("close"); }
  void RunProcess(const std::string& line) override { calls.push_back("run " + line); }
  void RunPlayerCommand(ShedCommand c) override { calls.push_back("command " + std::to_string(static_cast<int>(c))); }
  void ShutDownComputer() override { calls.push_back("shut down"); }
  void Log(const std::string& line) override { calls.push_back("log " + line); }
  ShedRuns runs;  // the run record, shared by the players of a test
  bool TaskRan(int64_t minute, uint64_t key) override { return runs.Ran(minute, key); }
  void RecordTaskRun(int64_t minute, uint64_t key) override { runs.Add(minute, key); }

  // The actions alone, without log lines and the capture folder's repair.
  std::vector<std::string> Actions() const {
    std::vector<std::string> out;
    for (const auto& c : calls)
      if (c.rfind("log ", 0) != 0 && c.rfind("capdir ", 0) != 0) out.push_back(c);
    return out;
  }
};

DateTime At(int d, int h, int mi, int s = 0) { return EncodeDateTime(DateTimeParts{2026, 12, d, h, mi, s, 0}); }

ShedTask Task(const std::string& name, int h, int mi, int eh, int emi) {
  ShedTask t;
  t.TaskName = name;
  t.StartTime = TimeOfDay(h, mi);
  t.TaskDate = ToShedDay(EncodeDate(2026, 12, 8));
  t.EndTime = TimeOfDay(eh, emi);
  return t;
}

ShedTask Kind(ShedTask t, int kind) {
  t.KindView = kind == 1;
  t.KindRecord = kind == 2;
  t.KindCommand = kind == 3;
  return t;
}

using Calls = std::vector<std::string>;

TEST(ShedRunner, OncePerMinuteAndEveryMinuteOfAFastClock) {
  FakeHost host;
  ShedRunner run;
  ShedTask t = Kind(Task("cmd", 22, 0, 22, 30), 3);
  t.CommandLine = "x %dur%";
  host.file = {t};
  run.Check(At(8, 21, 59, 50), host);
  EXPECT_EQ(host.reads, 1);  // the first check processes its own minute
  run.Check(At(8, 21, 59, 58), host);
  EXPECT_EQ(host.reads, 1);
  run.Check(At(8, 22, 0, 6), host);
  run.Check(At(8, 22, 0, 14), host);
  EXPECT_EQ(host.Actions(), (Calls{"run x 30"}));
  EXPECT_EQ(host.reads, 2);

  // A fast clock that leaps from 22:58 to 23:01 processes 22:59, 23:00 and 23:01.
  t.StartTime = TimeOfDay(23, 0);
  host.file = {t};
  host.calls.clear();
  run.Check(At(8, 22, 58, 40), host);
  host.reads = 0;
  run.Check(At(8, 23, 1, 20), host);
  EXPECT_EQ(host.reads, 3);
  EXPECT_EQ(host.Actions(), (Calls{"run x 1410"}));
  // Across midnight too.
  t.StartTime = TimeOfDay(0, 0);
  t.TaskDate = ToShedDay(EncodeDate(2026, 12, 9));
  host.file = {t};
  host.calls.clear();
  run.Check(At(8, 23, 59, 0), host);
  run.Check(At(9, 0, 1, 0), host);
  EXPECT_EQ(host.Actions(), (Calls{"run x 1350"}));
  // A leap of hours (clock set forward, sleep) runs only the minute it lands in.
  t.StartTime = TimeOfDay(3, 0);
  host.file = {t};
  host.calls.clear();
  host.reads = 0;
  run.Check(At(9, 5, 0, 0), host);
  EXPECT_EQ(host.reads, 1);
  EXPECT_TRUE(host.Actions().empty());
  // A clock sped up for tests may catch up further.
  run.maxCatchUpMinutes = 600;
  t.StartTime = TimeOfDay(7, 0);
  host.file = {t};
  run.Check(At(9, 9, 0, 0), host);
  EXPECT_EQ(host.Actions(), (Calls{"run x 930"}));
  run.maxCatchUpMinutes = kShedMaxCatchUpMinutes;
  t.StartTime = TimeOfDay(3, 0);
  host.file = {t};
  host.calls.clear();
  // A clock set back processes its new minute once, and no minute before it.
  host.reads = 0;
  run.Check(At(9, 2, 59, 59), host);
  run.Check(At(9, 3, 0, 1), host);
  EXPECT_EQ(host.reads, 2);
  EXPECT_EQ(host.Actions(), (Calls{"run x 1170"}));
}

TEST(ShedRunner, NothingWhenSwitchedOffOrEmpty) {
  FakeHost host;
  ShedRunner run;
  host.file = {Kind(Task("v", 22, 0, 23, 0), 1)};
  host.switchOn = false;
  run.Check(At(8, 22, 0), host);
  EXPECT_TRUE(host.calls.empty());
  host.switchOn = true;
  host.file.clear();
  run.Check(At(8, 22, 1), host);
  EXPECT_TRUE(host.calls.empty());
}

TEST(ShedRunner, ViewAndRecordModes) {
  auto runOne = [](ShedTask t, bool recording = false) {
    FakeHost host;
    host.recording = recording;
    host.playing = recording;
    host.file = {t};
    ShedRunner run;
    run.Check(At(8, 22, 0), host);
    return std::make_pair(host.Actions(), run.deferredClose);
  };
  ShedTask t = Task("r", 22, 0, 1, 30);
  t.ChannelIndex = 1;
  t.FileSuffix = "Film";
  EXPECT_EQ(runOne(Kind(t, 1)).first, (Calls{"play 2"}));
  t.RecordMode = kRecordInPlayer;
  EXPECT_EQ(runOne(t).first, (Calls{"select 2", "record [Film]"}));
  EXPECT_EQ(runOne(t, true).first, (Calls{"end recording", "select 2", "record [Film]"}));
  t.RecordMode = kRecordBackgroundKeepWatching;
  EXPECT_EQ(runOne(t).first, (Calls{"bgrec 2 210 [Film]"}));
  t.RecordMode = kRecordBackgroundWatchIt;
  EXPECT_EQ(runOne(t).first, (Calls{"play 2", "bgrec 2 210 [Film]"}));
  t.RecordMode = kRecordBackgroundStopMinimise;
  EXPECT_EQ(runOne(t).first, (Calls{"stop", "minimise", "bgrec 2 210 [Film]"}));
  t.RecordMode = kRecordBackgroundStandby;
  auto [calls, deferred] = runOne(t);
  EXPECT_EQ(calls, (Calls{"bgrec 2 210 [Film]", "agent", "stop", "minimise"}));
  EXPECT_TRUE(deferred);
  t.RecordMode = 7;
  EXPECT_TRUE(runOne(t).first.empty());
  EXPECT_TRUE(runOne(Kind(t, 0)).first.empty());
}

TEST(ShedRunner, DeferredCloseAtTheNextMinuteUnlessPlaying) {
  FakeHost host;
  ShedRunner run;
  ShedTask t = Task("bg", 22, 0, 22, 0);
  t.RecordMode = kRecordBackgroundStandby;
  host.file = {t};
  run.Check(At(8, 22, 0), host);
  host.calls.clear();
  run.Check(At(8, 22, 1), host);
  EXPECT_EQ(host.Actions(), (Calls{"close"}));
  EXPECT_FALSE(run.deferredClose);

  // The user played again meanwhile: the player stays.
  run.Check(At(8, 22, 0), host);  // the clock set back: 22:00 runs again
  host.calls.clear();
  host.playing = true;
  run.Check(At(8, 22, 1), host);
  EXPECT_TRUE(host.Actions().empty());
}

TEST(ShedRunner, EndActionsOfRecordings) {
  // `recording`: what runs at the end: the task's own recording (1), none
  // (0), or one the user started by hand meanwhile (2).
  auto endOf = [](int afterEnd, int recording) {
    FakeHost host;
    ShedTask t = Task("r", 23, 30, 0, 30);
    t.WeekDays = {0, 0, 0, 0, 1, 0, 0};  // Friday
    t.AfterEnd = afterEnd;
    host.file = {t};
    ShedRunner run;
    run.Check(At(11, 23, 30, 5), host);  // Friday 23:30: the task records
    if (recording != 1) host.recording = host.playing = false;
    if (recording == 2) host.Record("by hand");
    host.calls.clear();
    run.Check(At(12, 0, 30, 15), host);  // Saturday 00:30
    return host.Actions();
  };
  EXPECT_EQ(endOf(kAfterEndStop, 1), (Calls{"end recording"}));
  EXPECT_EQ(endOf(kAfterEndKeepWatching, 1), (Calls{"toggle record"}));
  EXPECT_EQ(endOf(kAfterEndStandby, 1), (Calls{"agent", "close"}));
  EXPECT_EQ(endOf(kAfterEndExit, 1), (Calls{"close"}));
  EXPECT_EQ(endOf(kAfterEndShutDown, 1), (Calls{"shut down"}));
  EXPECT_TRUE(endOf(kAfterEndNothing, 1).empty());
  // No in-player recording at the end: nothing (a background one ends by itself).
  EXPECT_TRUE(endOf(kAfterEndShutDown, 0).empty());
  // A recording the user started by hand is not the task's to end.
  EXPECT_TRUE(endOf(kAfterEndStop, 2).empty());
  EXPECT_TRUE(endOf(kAfterEndShutDown, 2).empty());

  // A recording of no length runs until stopped: it does not end where it starts.
  FakeHost host;
  ShedTask t = Task("zero", 22, 0, 22, 0);
  t.AfterEnd = kAfterEndShutDown;
  host.file = {t};
  ShedRunner run;
  run.Check(At(8, 22, 0), host);
  EXPECT_EQ(host.Actions(), (Calls{"select 1", "record []"}));
}

// A task that ends at 07:00 and one that starts at 07:00 both record,
// whichever comes first in the file.
TEST(ShedRunner, BackToBackRecordingsInEitherOrder) {
  for (int afterEnd : {kAfterEndStop, kAfterEndKeepWatching}) {
    for (bool laterFirst : {true, false}) {
      SCOPED_TRACE(std::to_string(afterEnd) + (laterFirst ? " later first" : " earlier first"));
      FakeHost host;
      ShedRunner run;
      ShedTask early = Task("early", 6, 0, 7, 0);
      early.AfterEnd = afterEnd;
      ShedTask late = Task("late", 7, 0, 8, 0);
      late.ChannelIndex = 1;
      late.AfterEnd = afterEnd;
      host.file = laterFirst ? std::vector<ShedTask>{late, early} : std::vector<ShedTask>{early, late};
      run.Check(At(8, 6, 0), host);
      host.calls.clear();
      run.Check(At(8, 7, 0), host);
      const std::string end = afterEnd == kAfterEndStop ? "end recording" : "toggle record";
      EXPECT_EQ(host.Actions(), (Calls{end, "select 2", "record []"}));
      EXPECT_TRUE(host.recording);
      // The later task's end is its own.
      host.calls.clear();
      run.Check(At(8, 8, 0), host);
      EXPECT_EQ(host.Actions(), (Calls{end}));
      EXPECT_FALSE(host.recording);
    }
  }
}

// Players come and go within a minute (a restart, a close before the next
// check, a hand-over to the agent): each task minute runs exactly once.
TEST(ShedRunner, ATaskMinuteRunsOnceAcrossPlayers) {
  FakeHost host;
  ShedTask cmd = Kind(Task("cmd", 7, 0, 7, 30), 3);
  cmd.CommandLine = "x";
  ShedTask copy = cmd;  // a copied task is a task of its own
  host.file = {cmd, copy};
  {
    ShedRunner first;
    first.Check(At(8, 7, 0, 5), host);
  }
  EXPECT_EQ(host.Actions(), (Calls{"run x", "run x"}));
  // Started again within the minute: nothing runs twice.
  host.calls.clear();
  ShedRunner again;
  again.Check(At(8, 7, 0, 40), host);
  EXPECT_TRUE(host.Actions().empty());
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "log shed: task already run: cmd"), 2);
  // The next day's minute is a minute of its own.
  host.calls.clear();
  cmd.WeekDays = copy.WeekDays = {1, 1, 1, 1, 1, 1, 1};
  host.file = {cmd};
  again.Check(At(9, 7, 0, 5), host);
  EXPECT_EQ(host.Actions(), (Calls{"run x"}));
}

TEST(ShedRuns, TheRecordReadsBackDropsOldRunsAndPassesOverDamage) {
  ShedRuns runs;
  runs.Add(100, 0xABCDEF0123456789ull);
  runs.Add(5000, 7);
  const ShedRuns back = ShedRuns::Parse(runs.Text(0) + "junk\r\n12 \r\n 5\r\n13 xyz\r\n14 5 6\r\n");
  EXPECT_TRUE(back.Ran(100, 0xABCDEF0123456789ull));
  EXPECT_TRUE(back.Ran(5000, 7));
  EXPECT_FALSE(back.Ran(100, 7));
  EXPECT_EQ(back.Text(0), runs.Text(0));
  EXPECT_EQ(ShedRuns::Parse(runs.Text(101)).Text(0), "5000 7\r\n");
  // Keys tell tasks apart by what they are, copies by their place among equals.
  ShedTask a = Task("a", 7, 0, 8, 0), b = a;
  b.ChannelIndex = 2;
  const auto keys = TaskRunKeys({a, b, a});
  EXPECT_NE(keys[0], keys[1]);
  EXPECT_NE(keys[0], keys[2]);
  EXPECT_EQ(TaskRunKeys({a})[0], keys[0]);
}

TEST(ShedRunner, AStartAfterAnEndThatClosesThePlayerIsLeftToTheNextPlayer) {
  for (int afterEnd : {kAfterEndStandby, kAfterEndExit}) {
    FakeHost host;
    ShedTask early = Task("early", 6, 0, 7, 0);
    early.AfterEnd = afterEnd;
    ShedTask late = Task("late", 7, 0, 8, 0);
    late.ChannelIndex = 1;
    host.file = {late, early};
    ShedRunner closing;
    closing.Check(At(8, 6, 0), host);
    host.calls.clear();
    closing.Check(At(8, 7, 0, 5), host);
    // The closing player would cut the recording it started.
    EXPECT_EQ(host.Actions(), afterEnd == kAfterEndStandby ? (Calls{"agent", "close"}) : (Calls{"close"}));
    // The player the agent wakes in the same minute records it.
    host.calls.clear();
    host.recording = host.playing = false;
    ShedRunner woken;
    woken.Check(At(8, 7, 0, 40), host);
    EXPECT_EQ(host.Actions(), (Calls{"select 2", "record []"}));
  }
}

TEST(ShedRunner, CommandsMacrosAndChannelsThatDoNotExist) {
  FakeHost host;
  ShedRunner run;
  ShedTask a = Kind(Task("a", 22, 0, 23, 0), 3);
  a.ChannelIndex = 2;
  a.CommandLine = "cmd.exe /c echo %name% %dur% %mrl% %ip% > %capdir%%subfn%.txt";
  a.FileSuffix = "s";
  ShedTask b = Kind(Task("b", 22, 0, 23, 0), 3);
  b.CommandLine = "$Close";
  ShedTask c = Kind(Task("c", 22, 0, 23, 0), 3);
  c.CommandLine = "$updatetvg";
  ShedTask d = Kind(Task("d", 22, 0, 23, 0), 1);
  d.ChannelIndex = 3;  // one past the last channel
  ShedTask e = Kind(Task("e", 22, 0, 23, 0), 2);
  e.ChannelIndex = -1;
  ShedTask f = Kind(Task("f", 22, 0, 23, 0), 3);
  f.ChannelIndex = -1;
  f.CommandLine = "shutdown.exe -s -t 00";  // needs no channel
  ShedTask g = f;
  g.CommandLine = "rec %mrl%";  // needs one
  host.file = {a, b, c, d, e, f, g};
  run.Check(At(8, 22, 0), host);
  EXPECT_EQ(host.Actions(),
            (Calls{"run cmd.exe /c echo Three 60 http://x/3 127.0.0.1 > C:\\Rec\\s.txt",
                   "command " + std::to_string(static_cast<int>(ShedCommand::UpdateGuide)),
                   "run shutdown.exe -s -t 00"}));
  EXPECT_EQ(host.capdir, "C:\\Rec\\");
  int skipped = 0;
  for (const auto& line : host.calls) skipped += line.find("task skipped") != std::string::npos;
  EXPECT_EQ(skipped, 3);
}

// Switching pumps messages: the timer strikes again inside a task.
struct ReenteringHost : FakeHost {
  ShedRunner* run = nullptr;
  DateTime nested = 0;
  void PlayChannel(int entry) override {
    FakeHost::PlayChannel(entry);
    if (nested) {
      const DateTime at = nested;
      nested = 0;
      file.clear();  // what the nested check would read is gone by then
      run->Check(at, *this);
    }
  }
};

TEST(ShedRunner, AStrikeInsideATaskWaitsForTheNextCheck) {
  ReenteringHost host;
  ShedRunner run;
  host.run = &run;
  ShedTask a = Kind(Task("a", 22, 0, 23, 0), 1);
  ShedTask b = a;
  b.ChannelIndex = 1;
  ShedTask next = Kind(Task("next", 22, 1, 23, 0), 3);
  next.CommandLine = "x";
  host.file = {a, b, next};
  host.nested = At(8, 22, 1, 5);
  run.Check(At(8, 22, 0, 58), host);
  EXPECT_EQ(host.Actions(), (Calls{"play 1", "play 2"}));
  EXPECT_EQ(host.reads, 1);
  // 22:01 was not taken by the nested strike: the next check processes it.
  host.file = {next};
  run.Check(At(8, 22, 1, 13), host);
  EXPECT_EQ(host.Actions(), (Calls{"play 1", "play 2", "run x"}));
  run.Check(At(8, 22, 1, 21), host);
  EXPECT_EQ(host.reads, 2);
}

TEST(ShedRunner, TasksOfOneMinuteRunInFileOrder) {
  FakeHost host;
  ShedRunner run;
  ShedTask a = Kind(Task("a", 22, 0, 23, 0), 1);
  a.ChannelIndex = 0;
  ShedTask b = a;
  b.ChannelIndex = 2;
  ShedTask off = a;
  off.Enabled = 0;
  off.ChannelIndex = 1;
  host.file = {a, off, b};
  run.Check(At(8, 22, 0), host);
  EXPECT_EQ(host.Actions(), (Calls{"play 1", "play 3"}));
}

}  // namespace
}  // namespace strevo

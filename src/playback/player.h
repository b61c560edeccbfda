// The player's playback state and the player control layer: the one set of
// operations through which everything plays, pauses, stops, seeks, changes the
// volume or sets an engine variable. Each operation tests the DirectShow mode
// and drives either the engine or the DirectShow graph.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "config/config.h"
#include "playback/engine.h"
#include "playback/playlist.h"
#include "playback/recording_rules.h"
#include "playback/settings_values.h"

namespace strevo {

// Who asked for a switch or a settings change. Only a few senders change
// what happens; the rest are "some control".
enum class Sender {
  None,
  MainWindow,
  RecordButton,
  VideoWindow,      // frmVideo: the start-play timer
  MonoBox,
  AudioTrackList,
  GuideNameBox,
  GuideShiftBar,
  Control,          // any other control
};

// The DirectShow playback path (the filter graph of the current address). In
// DirectShow mode without one the operations only log.
struct DirectShowGraph {
  virtual ~DirectShowGraph() = default;
  virtual void Run() = 0;
  virtual void Pause() = 0;
  virtual void PlayMrl(const std::string& address) = 0;  // "" replaces the graph by an empty one
  virtual bool VideoWindowExists() = 0;
  virtual bool HasPosition() = 0;
  virtual double CurrentPosition() = 0;
  virtual double Duration() = 0;
  virtual void SetCurrentPosition(double seconds) = 0;
  virtual bool HasAudio() = 0;
  virtual int AudioVolume() = 0;  // hundredths of a decibel, -10000..0
  virtual void SetAudioVolume(int hundredthsDb) = 0;
  // The source rectangle of the picture (the manual crop).
  virtual bool HasVideo() = 0;
  virtual void SetSourceRect(int left, int top, int width, int height) = 0;
  virtual void ResetSourceRect() = 0;
};

// What the playback operations need from the windows around them. Every
// operation has a do-nothing default so a test fake overrides only what it
// watches.
struct PlayerHost {
  virtual ~PlayerHost() = default;
  // Message pumping and the clock: the shell pumps its thread's queue and
  // sleeps; tests count.
  virtual void PumpMessages() {}
  virtual void SleepMs(int) {}
  // A monotonic clock in milliseconds, and a wait that ends early when a
  // message arrives. Without a clock of its own a host's time is the sum of
  // its waits, so a pause still ends.
  virtual long long NowMs() { return waitedMs_; }
  virtual void WaitForMessages(int ms) { waitedMs_ += ms; }
  // Local wall-clock time, for the names of recordings.
  virtual DateTime LocalNow() { return EncodeDate(2000, 1, 1); }
  // An information message box captioned with the product name.
  virtual void ShowInformation(const std::string&) {}
  // Creates (or opens) the file to learn whether it can be written at all.
  virtual bool CanCreateFile(const std::string&) { return true; }
  // Channel controls.
  virtual void ShowSelection(int channelSelectorIndex) {}  // channel selector, lstPlaylist, submenu checks
  virtual void SetChannelLabel(const std::string&) {}
  virtual bool AskOpenFile(std::string& chosen) { return false; }
  virtual bool FileExists(const std::string&) { return false; }
  // Guide and OSD.
  virtual bool GuideWindowVisible() { return false; }
  virtual void RegenerateGuideWindow() {}
  virtual void RefreshOsdGuide() {}
  // Settings window and control bar.
  virtual void ShowChannelSettings() {}  // the settings values changed: controls follow
  virtual void ShowCaptureFolder(const std::string&) {}  // the setting was corrected: its box follows
  virtual void RedrawControlBar() {}
  virtual void EnableCropEdits(bool) {}
  virtual void SetVolumeTooltip(const std::string&) {}
  virtual void FocusKeyControl() {}
  // Process and timers.
  virtual void SetProcessPriority(bool high) {}
  virtual void ArmStartPlayTimer() {}
  virtual void AfterSwitch() {}  // frmVideo to the front, desktop re-attach

 private:
  long long waitedMs_ = 0;
};

struct PlayerState {
  // Engine or DirectShow.
  bool directShowMode = false;
  Engine* engine = nullptr;             // null: no engine could be loaded
  DirectShowGraph* directShow = nullptr;
  PlayerHost* host = nullptr;
  int windowsMajorVersion = 6;          // "conf::vout" depends on it

  // Channel list: index-aligned titles and MRLs; entry 0 is the
  // pseudo-channel with MRL "?". The selected index is the channel selector's.
  std::vector<std::string> channelTitles{"Файл или поток"};
  std::vector<std::string> channelMrls{"?"};
  // Index-aligned too when the list was read with its tags; else empty.
  std::vector<ChannelTags> channelTags;
  int channelSelectorIndex = 0;

  // Channel switching.
  std::string currentMrl = "?";
  int previousChannel = 0;      // 0 = none, -1 = a file that is not in the list
  std::string pendingAddress;   // consumed by the next switch to the pseudo-channel
  bool switching = false;       // a goplaymrl is under way
  bool switchPausing = false;   // ... and in its pause, before it reads the selection

  // Commands of the user, the scheduler and the timers. A pause processes
  // messages, so a command can arrive while another is under way; it waits
  // for that one to end (see RunPlayerCommand).
  int commandDepth = 0;         // commands under way, the outermost first
  int pauseDepth = 0;           // pauses processing messages just now
  std::deque<std::function<void()>> waitingCommands;

  // Recording in the player (btnrec).
  bool recording = false;
  long long recordingStartMs = 0;   // on the host's clock
  std::string recordingFile;        // as the user sees it, "\\" separators
  std::string recordingNamePrefix;  // the scheduler's addition, used by the next recording only
  RecordingWatch recordingWatch;
  // Counts the recordings started here: tells one recording from the next,
  // so that the scheduler ends only the one its task started.
  uint64_t recordingsStarted = 0;

  // The configuration list (one line per record), the current channel's
  // settings and the global record's values (window geometry, boxes, colours,
  // addresses and what playback reads), all as the settings window shows them.
  ConfigList configList;
  ChannelSettingsValues channel;
  GlobalSettings globals;
  bool desktopMode = false;     // the main menu's desktop mode item

  // Control bar.
  bool muteIndicatorVisible = false;
  int volumeMax = 100;
  int liveTicks = 0;            // animation of the live label
};

// ---- the control layer -------------------------------------------------------
void player_play(PlayerState& st);
void player_pause(PlayerState& st);
void player_stop(PlayerState& st);
void player_togglemute(PlayerState& st);
bool player_isplaying(PlayerState& st);
int player_gettime(PlayerState& st);
int player_getlength(PlayerState& st);
void player_settime(PlayerState& st, int seconds);
int player_getvolume(PlayerState& st);
void player_setvolume(PlayerState& st, int sliderPosition);
void player_setvar(PlayerState& st, const std::string& name, const std::string& value);
void player_setvar(PlayerState& st, const std::string& name, int value);
// Runs a command now, or, when it arrives while a pause of the command under
// way processes messages, once that command has ended: a Stop given during a
// channel switch then stops what the switch started instead of being undone
// by it. Commands that waited run in the order they came.
void RunPlayerCommand(PlayerState& st, std::function<void()> command);

// ms / 20 rounds of "process pending messages, sleep 1 ms".
void pump_messages_for(PlayerState& st, int ms);
// A pause of `ms` milliseconds of real time that keeps the windows alive:
// messages are processed as they arrive until the time is up.
void SleepPumping(PlayerState& st, int ms);

// How player_setvar sends a text: the picture floats, digits-only integers,
// anything else as text.
EngineValue EngineValueFor(const std::string& name, const std::string& text);
// The DirectShow volume (hundredths of a decibel) for a slider position.
int DirectShowVolume(int sliderPosition);

// ---- the callers with logic of their own -------------------------------------
void PlayButton(PlayerState& st);
void PauseButton(PlayerState& st);
void StopButton(PlayerState& st);
void PlayPauseCommand(PlayerState& st);
void SeekBy(PlayerState& st, int deltaSeconds);  // the seek keys: -5 / +5
// The position bar: only while something plays (or in the DirectShow path)
// and the stream has a length.
void SeekTo(PlayerState& st, int seconds);
void SpeedFaster(PlayerState& st);
void SpeedSlower(PlayerState& st);
void MuteButton(PlayerState& st);
void ApplyVolume(PlayerState& st, Sender sender);

// ---- position display (status tick) ------------------------------------------
std::string FormatClock(int seconds);  // mm:ss, or h:mm:ss with hours neither padded nor wrapped
const std::string& LiveText(int tick, int intervalMs);
struct PositionDisplay {
  std::string label;
  int barRange = 1;
  int barPosition = 0;
  std::string menuText;  // the main menu's position entry
};
PositionDisplay UpdatePositionDisplay(PlayerState& st, int intervalMs);
// A file played through DirectShow has reached its end: something plays, its
// length is known and the position has come to it. Live sources, of length
// 0, never end by themselves.
bool DirectShowFileEnded(PlayerState& st);

}  // namespace strevo

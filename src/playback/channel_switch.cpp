#include "playback/channel_switch.h"

#include "base/eventlog.h"
#include "base/text_helpers.h"
#include "playback/mrl_rules.h"
#include "playback/settings_map.h"

namespace strevo {

// Texts in memory are already UTF-8: the conversion before the proxy rule has
// nothing left to do.
static std::string AsIs(std::string_view text) { return std::string(text); }

static int IndexOf(const std::vector<std::string>& list, const std::string& s) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == s) return static_cast<int>(i);
  return -1;
}

static void SwitchChannel(PlayerState& st, Sender sender) {
  st.switching = true;
  struct Done {
    PlayerState& st;
    ~Done() { st.switching = false; }
  } done{st};

  PlayerHost* host = st.host;
  if (sender != Sender::RecordButton) st.recording = false;
  if (host && host->GuideWindowVisible()) host->RegenerateGuideWindow();
  LogLine("begin goplaymrl idx=" + std::to_string(st.channelSelectorIndex));
  player_stop(st);
  if (!st.directShowMode && st.engine) st.engine->PlaylistClear();
  // The engine needs the time to let go of the old stream; the windows stay
  // alive meanwhile.
  st.switchPausing = true;
  SleepPumping(st, 300);
  st.switchPausing = false;

  const int leaving = IndexOf(st.channelMrls, st.currentMrl);
  if (leaving != st.channelSelectorIndex) st.previousChannel = leaving;
  const int index = st.channelSelectorIndex;
  st.currentMrl = index >= 0 && index < static_cast<int>(st.channelMrls.size()) ? st.channelMrls[index] : std::string();
  if (host) host->ShowSelection(index);

  if (st.currentMrl == "?" && sender != Sender::None) {
    if (st.pendingAddress.empty()) {
      std::string chosen;
      if (!host || !host->AskOpenFile(chosen)) return;  // stays stopped
      st.currentMrl = MrlFromFileDialog(chosen);
    } else {
      st.currentMrl = st.pendingAddress;
      st.pendingAddress.clear();
    }
  }
  LogLine("mrl assigned \"" + st.currentMrl + "\"");

  if (const std::string* record = FindChannelRecord(st.configList, st.currentMrl)) {
    st.channel = ChannelSettingsFromRecord(*record);
    LogLine("per-mrl setting loaded");
  } else {
    st.channel.audioTrackIndex = 1;
  }
  if (host) host->ShowChannelSettings();

  if (sender != Sender::RecordButton) {
    player_setvar(st, "conf::demux", "");
    player_setvar(st, "conf::demuxdump-file", "");
    player_setvar(st, "conf::sout", "");
    LogLine("rec vlc setvars to empty done");
  }
  applyglobals(st, Sender::MainWindow);
  applysettings(st, sender);

  if (host && index >= 0 && index < static_cast<int>(st.channelTitles.size())) host->SetChannelLabel(st.channelTitles[index]);
  if (host && st.globals.recPriority) host->SetProcessPriority(sender == Sender::RecordButton);

  // "?" is the pseudo-channel's own MRL, not an address: a switch to it that
  // asked for no file plays nothing.
  if (!st.currentMrl.empty() && st.currentMrl != "?") {
    if (st.directShowMode) {
      if (st.directShow) st.directShow->PlayMrl(MrlForDirectShow(st.currentMrl, st.globals.iface, AsIs));
    } else if (st.engine) {
      st.engine->AddTarget(MrlForEngine(st.currentMrl, st.globals.iface, AsIs), EntryOptions(st, index),
                           engine_abi::kModeAppendAndGo,
                           engine_abi::kEndOfList);
      if (host) host->ArmStartPlayTimer();
    }
    LogLine("dx or vlc mrl sent");
  }
  if (host) {
    host->AfterSwitch();
    host->RefreshOsdGuide();
  }
  LogLine("end goplaymrl");
}

void goplaymrl(PlayerState& st, Sender sender) {
  // A switch asked for inside the pause of a running one joins it: that one
  // reads the selection only after its pause, so it plays what was chosen last.
  if (st.switchPausing) return;
  RunPlayerCommand(st, [&st, sender] { SwitchChannel(st, sender); });
}

std::vector<std::string> EntryOptions(const PlayerState& st, int index) {
  std::vector<std::string> options;
  // Only the list's own entry carries them; a file or address opened by hand has none.
  if (index < 0 || index >= static_cast<int>(st.channelTags.size()) ||
      index >= static_cast<int>(st.channelMrls.size()) || st.channelMrls[index] != st.currentMrl)
    return options;
  for (const std::string& option : st.channelTags[index].options) options.push_back(":" + option);
  return options;
}

static int ChannelCount(const PlayerState& st) { return static_cast<int>(st.channelMrls.size()); }

static void SelectChannelNow(PlayerState& st, int index, Sender sender) {
  if (st.recording) return;
  if (index < 0 || index >= ChannelCount(st)) return;
  st.channelSelectorIndex = index;
  if (index != 0 || sender == Sender::MainWindow) goplaymrl(st, sender);
  if (st.host) st.host->SetChannelLabel(st.channelTitles.size() > static_cast<size_t>(index) ? st.channelTitles[index] : "");
}

void SelectChannel(PlayerState& st, int index, Sender sender) {
  // Inside a switch's own pause the new selection joins that switch;
  // anywhere else a selection waits for the command under way.
  if (st.switchPausing) SelectChannelNow(st, index, sender);
  else RunPlayerCommand(st, [&st, index, sender] { SelectChannelNow(st, index, sender); });
}

void ActivatePseudoChannel(PlayerState& st, Sender sender) {
  RunPlayerCommand(st, [&st, sender] {
    if (st.channelSelectorIndex == 0 && !st.recording) goplaymrl(st, sender);
  });
}

void OpenCommand(PlayerState& st) { SelectChannel(st, 0, Sender::MainWindow); }

// With the pseudo-channel alone there is no channel to step to.
void NextChannel(PlayerState& st) {
  const int entries = ChannelCount(st);
  if (entries < 2) return;
  SelectChannel(st, st.channelSelectorIndex % (entries - 1) + 1, Sender::Control);
}

void PreviousChannel(PlayerState& st) {
  const int entries = ChannelCount(st);
  if (entries < 2) return;
  SelectChannel(st, st.channelSelectorIndex > 1 ? st.channelSelectorIndex - 1 : entries - 1, Sender::Control);
}

// -1 (a file that was not in the list) and indexes of a list that has since
// become shorter have no channel to go back to.
void BackToPreviousChannel(PlayerState& st) {
  const int target = st.previousChannel;
  if (target <= 0 || target >= ChannelCount(st)) return;
  SelectChannel(st, target, Sender::Control);
}

void DropFile(PlayerState& st, const std::string& dropped) {
  RunPlayerCommand(st, [&st, dropped] {
    st.pendingAddress = dropped.substr(0, dropped.find('\r'));
    if (st.host && st.host->FileExists(st.pendingAddress)) SelectChannel(st, 0, Sender::MainWindow);
    else st.pendingAddress.clear();
  });
}

void StartPlayTimerFired(PlayerState& st) {
  RunPlayerCommand(st, [&st] {
    if (st.channel.mono) applysettings(st, Sender::VideoWindow);
  });
}

void FirstPlayback(PlayerState& st, const std::string& fileToOpen) {
  RunPlayerCommand(st, [&st, fileToOpen] {
    if (!fileToOpen.empty()) {
      st.pendingAddress = fileToOpen;
      SelectChannel(st, 0, Sender::MainWindow);
    } else {
      SelectChannel(st, st.channelSelectorIndex, Sender::None);
    }
  });
}

}  // namespace strevo

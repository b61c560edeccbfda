#include "playback/recording.h"

#include "base/eventlog.h"
#include "playback/channel_switch.h"
#include "base/text_helpers.h"
#include "playback/mrl_rules.h"

namespace strevo {

namespace {

// The name rule may write the Capture folder's closing backslash back into
// the setting; the settings window then shows the corrected folder, so that
// what it shows is what is stored.
std::string NameRecording(PlayerState& st, std::string_view prefix, std::string_view title, DateTime now) {
  const std::string before = st.globals.capDir;
  std::string name =
      RecordingFileName(st.globals.capDir, prefix, title, RecordingFormat(st.globals.recMux), now);
  if (st.globals.capDir != before && st.host) st.host->ShowCaptureFolder(st.globals.capDir);
  return name;
}

}  // namespace

static void RecordButtonNow(PlayerState& st) {
  PlayerHost* host = st.host;
  if (st.directShowMode) {
    if (host) host->ShowInformation("Recording with DirectShow is not supported yet !");
    return;
  }
  LogLine("begin btnrec");
  if (st.recording) {
    player_stop(st);
    st.recording = false;
    pump_messages_for(st, 200);
    // The pseudo-channel is not played again.
    SelectChannel(st, st.channelSelectorIndex, Sender::None);
    return;
  }
  if (player_isplaying(st)) {
    player_stop(st);
    pump_messages_for(st, 200);
  }
  const int index = st.channelSelectorIndex;
  const std::string title =
      index >= 0 && index < static_cast<int>(st.channelTitles.size()) ? st.channelTitles[index] : std::string();
  const DateTime now = host ? host->LocalNow() : EncodeDate(2000, 1, 1);
  st.recordingFile = NameRecording(st, st.recordingNamePrefix, title, now);
  st.recordingNamePrefix.clear();
  st.recordingWatch = RecordingWatch();
  // The engine keeps a file it cannot create to itself: learn it here.
  if (host && !host->CanCreateFile(st.recordingFile)) st.recordingWatch.CreateFailed();
  player_setvar(st, "conf::demux", "");
  player_setvar(st, "conf::demuxdump-file", "");
  player_setvar(st, "conf::sout", RecordingSout(RecordingFormat(st.globals.recMux), st.recordingFile));
  pump_messages_for(st, 200);
  SelectChannel(st, index, Sender::RecordButton);
  st.recording = true;
  ++st.recordingsStarted;
  st.recordingStartMs = host ? host->NowMs() : 0;
  LogLine("end btnrec");
}

void btnrec(PlayerState& st) {
  RunPlayerCommand(st, [&st] { RecordButtonNow(st); });
}

void TakeSnapshot(PlayerState& st) {
  if (st.directShowMode || !st.engine) return;
  void* root = st.engine->CurrentObject();
  if (!root) return;
  if (void* vout = st.engine->FindObject(root, engine_abi::kObjectVideoOutput))
    st.engine->ObjectVariableSet(vout, "video-snapshot", EngineValue::Int(1));
}

RecorderArgs BackgroundRecordingArgs(PlayerState& st, int index, int minutes, std::string_view prefix, DateTime now) {
  RecorderArgs a;
  if (index < 0 || index >= static_cast<int>(st.channelMrls.size()) || index >= static_cast<int>(st.channelTitles.size()))
    return a;
  const std::string& mrl = st.channelMrls[index];
  const std::string& title = st.channelTitles[index];
  const int own = IsChannelRecordKey(mrl) ? FindRecordIndex(st.configList, mrl) : -1;
  // Read as the player reads it for playing, within the list's entries: a
  // number past them is the last track, not a wrapped one.
  const int track =
      own < 0 ? 0 : ChannelSettingsFromRecord(st.configList[static_cast<size_t>(own)]).audioTrackIndex - 1;
  const std::string_view format = RecordingFormat(st.globals.recMux);
  a.address = MrlForRecorder(mrl, st.globals.iface);
  a.format = AsciiLower(format);
  a.file = NameRecording(st, prefix, title, now);
  a.minutes = std::to_string(minutes);
  a.title = title;
  a.iface = InterfaceForRecorder(st.globals.iface);
  a.audioTrack = std::to_string(track);
  // The tags are there only when the list was read with them, as for playing.
  if (index < static_cast<int>(st.channelTags.size()))
    for (const std::string& option : st.channelTags[static_cast<size_t>(index)].options)
      a.options.push_back(":" + option);
  return a;
}

std::string RecordingLineNow(PlayerState& st, int64_t fileBytes, std::optional<int64_t> freeBytes) {
  const bool playing = player_isplaying(st);
  if (!st.recording) return {};
  const long long now = st.host ? st.host->NowMs() : 0;
  st.recordingWatch.Observe(playing, fileBytes, freeBytes, now);
  if (!playing) return {};
  return RecordingLine((now - st.recordingStartMs) / 1000, fileBytes, freeBytes, st.recordingWatch.Fault());
}

}  // namespace strevo

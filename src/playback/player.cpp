#include "playback/player.h"

#include <cmath>
#include <cstdlib>

#include "base/eventlog.h"
#include "base/text_helpers.h"

namespace strevo {

// Engine calls only when an engine is loaded; a player without one (id -1)
// must not call it.
static Engine* EngineOf(PlayerState& st) { return st.directShowMode ? nullptr : st.engine; }

void player_play(PlayerState& st) {
  LogLine("player_play");
  if (st.directShowMode) {
    if (st.directShow) st.directShow->Run();
  } else if (Engine* e = EngineOf(st)) {
    e->Play();
  }
}

void player_pause(PlayerState& st) {
  LogLine("player_pause");
  if (st.directShowMode) {
    if (st.directShow) st.directShow->Pause();
  } else if (Engine* e = EngineOf(st)) {
    e->Pause();
  }
}

void player_stop(PlayerState& st) {
  LogLine("player_stop");
  if (st.directShowMode) {
    if (st.directShow) st.directShow->PlayMrl("");
  } else if (Engine* e = EngineOf(st)) {
    e->Stop();
  }
}

// The 0.8 engine's mute is its volume at 0, which the next volume ends, as
// the player's mute sign does; the 3.x engine keeps a flag that a volume
// change leaves on, so it is given the sign's state whenever either changes.
static void SetEngineMute(PlayerState& st) {
  if (Engine* e = EngineOf(st); e && e->MuteIsAFlag()) e->MuteSet(st.muteIndicatorVisible);
}

void player_togglemute(PlayerState& st) {
  LogLine("player_togglemute");
  Engine* e = EngineOf(st);
  if (!e) return;
  if (e->MuteIsAFlag()) SetEngineMute(st);
  else e->VolumeMute();
}

bool player_isplaying(PlayerState& st) {
  if (st.directShowMode) return st.directShow && st.directShow->VideoWindowExists();
  Engine* e = EngineOf(st);
  return e && e->IsPlaying() != 0;
}

static constexpr int kNotPlaying = -20;

int player_gettime(PlayerState& st) {
  if (!st.directShowMode) {
    Engine* e = EngineOf(st);
    return e ? e->TimeGet() : kNotPlaying;
  }
  if (!player_isplaying(st)) return kNotPlaying;
  return st.directShow->HasPosition() ? static_cast<int>(std::lround(st.directShow->CurrentPosition())) : 0;
}

int player_getlength(PlayerState& st) {
  if (!st.directShowMode) {
    Engine* e = EngineOf(st);
    return e ? e->LengthGet() : kNotPlaying;
  }
  if (!player_isplaying(st)) return kNotPlaying;
  return st.directShow->HasPosition() ? static_cast<int>(std::lround(st.directShow->Duration())) : 0;
}

void player_settime(PlayerState& st, int seconds) {
  LogLine("player_settime =" + std::to_string(seconds));
  if (st.directShowMode) {
    if (st.directShow && st.directShow->HasPosition()) st.directShow->SetCurrentPosition(seconds);
  } else if (Engine* e = EngineOf(st)) {
    e->TimeSet(seconds, false);
  }
}

int DirectShowVolume(int sliderPosition) {
  return static_cast<int>(std::lround(std::log(2.0 * sliderPosition + 1) * 1886 - 10000));
}

int player_getvolume(PlayerState& st) {
  if (st.directShowMode) {
    // Without an audio interface: the slider's own default.
    if (!st.directShow || !st.directShow->HasAudio()) return 50;
    return (st.directShow->AudioVolume() + 10000) / 50;
  }
  Engine* e = EngineOf(st);
  return e ? e->VolumeGet() : 0;
}

void player_setvolume(PlayerState& st, int sliderPosition) {
  LogLine("player_setvolume =" + std::to_string(sliderPosition));
  if (st.directShowMode) {
    if (st.directShow && st.directShow->HasAudio()) st.directShow->SetAudioVolume(DirectShowVolume(sliderPosition));
  } else if (Engine* e = EngineOf(st)) {
    e->VolumeSet(2 * sliderPosition);
  }
}

static bool IsPictureVariable(const std::string& name) {
  return name == "conf::contrast" || name == "conf::brightness" || name == "conf::saturation" ||
         name == "conf::gamma";
}

// "-1,5" / "1.5": optional minus, digits, one decimal point; the rest ignored.
static float ParseDecimal(const std::string& text) {
  const std::string t = ReplaceAll(",", ".", text);
  return static_cast<float>(std::strtod(t.c_str(), nullptr));
}

EngineValue EngineValueFor(const std::string& name, const std::string& text) {
  if (IsPictureVariable(name)) return EngineValue::Float(ParseDecimal(text));
  // Digits beyond the range of the engine's integer would wrap into another
  // number: such a text goes as text.
  if (IsAllDigits(text) && (text.size() < 10 || (text.size() == 10 && text <= "2147483647")))
    return EngineValue::Int(std::atoi(text.c_str()));
  return EngineValue::Text(text);
}

void player_setvar(PlayerState& st, const std::string& name, const std::string& value) {
  LogLine("player_setvar " + name + "=" + value);
  if (Engine* e = EngineOf(st)) e->VariableSet(name, EngineValueFor(name, value));
}

void player_setvar(PlayerState& st, const std::string& name, int value) {
  player_setvar(st, name, std::to_string(value));
}

void RunPlayerCommand(PlayerState& st, std::function<void()> command) {
  if (st.pauseDepth > 0) {
    LogLine("command waits for the one under way");
    st.waitingCommands.push_back(std::move(command));
    return;
  }
  ++st.commandDepth;
  command();
  --st.commandDepth;
  if (st.commandDepth > 0) return;
  while (!st.waitingCommands.empty()) {
    std::function<void()> next = std::move(st.waitingCommands.front());
    st.waitingCommands.pop_front();
    ++st.commandDepth;
    next();
    --st.commandDepth;
  }
}

namespace {
struct Pausing {
  PlayerState& st;
  explicit Pausing(PlayerState& s) : st(s) { ++st.pauseDepth; }
  ~Pausing() { --st.pauseDepth; }
};
}  // namespace

void pump_messages_for(PlayerState& st, int ms) {
  if (!st.host) return;
  Pausing pausing(st);
  for (int round = 0; round < ms / 20; ++round) {
    st.host->PumpMessages();
    st.host->SleepMs(1);
  }
}

void SleepPumping(PlayerState& st, int ms) {
  PlayerHost* host = st.host;
  if (!host || ms <= 0) return;
  Pausing pausing(st);
  const long long deadline = host->NowMs() + ms;
  for (;;) {
    host->PumpMessages();
    const long long now = host->NowMs();
    if (now >= deadline) return;
    host->WaitForMessages(static_cast<int>(deadline - now));
  }
}

// ---- callers -------------------------------------------------------------------

static void ClearRecordingVariables(PlayerState& st) {
  player_setvar(st, "conf::demux", "");
  player_setvar(st, "conf::demuxdump-file", "");
  player_setvar(st, "conf::sout", "");
}

void PlayButton(PlayerState& st) {
  RunPlayerCommand(st, [&st] {
    // A recording set up earlier must not continue.
    ClearRecordingVariables(st);
    pump_messages_for(st, 200);
    if (st.directShowMode && st.directShow) st.directShow->PlayMrl(st.currentMrl);
    player_play(st);
    if (!st.directShowMode && st.host) st.host->ArmStartPlayTimer();
  });
}

void PauseButton(PlayerState& st) {
  RunPlayerCommand(st, [&st] {
    if (!st.recording) player_pause(st);
  });
}

void StopButton(PlayerState& st) {
  RunPlayerCommand(st, [&st] {
    st.recording = false;
    player_stop(st);
  });
}

void PlayPauseCommand(PlayerState& st) {
  RunPlayerCommand(st, [&st] {
    if (!player_isplaying(st)) player_play(st);
    else if (!st.recording) player_pause(st);
  });
}

void SeekBy(PlayerState& st, int deltaSeconds) {
  if (player_getlength(st) > 0) player_settime(st, player_gettime(st) + deltaSeconds);
}

void SeekTo(PlayerState& st, int seconds) {
  if ((player_isplaying(st) || st.directShowMode) && player_getlength(st) > 0) player_settime(st, seconds);
}

void SpeedFaster(PlayerState& st) {
  if (Engine* e = EngineOf(st)) e->SpeedFaster();
}

void SpeedSlower(PlayerState& st) {
  if (Engine* e = EngineOf(st)) e->SpeedSlower();
}

void MuteButton(PlayerState& st) {
  RunPlayerCommand(st, [&st] {
    st.muteIndicatorVisible = !st.muteIndicatorVisible;
    if (st.host) st.host->RedrawControlBar();
    player_togglemute(st);
  });
}

void ApplyVolume(PlayerState& st, Sender sender) {
  const int position = st.globals.volume;
  if (sender != Sender::MainWindow && position != player_getvolume(st)) st.muteIndicatorVisible = false;
  if (!st.muteIndicatorVisible) player_setvolume(st, position);
  SetEngineMute(st);
  const int max = st.volumeMax > 0 ? st.volumeMax : 100;
  const int percent = static_cast<int>(std::lround(position * 100.0 / max));
  if (st.host) st.host->SetVolumeTooltip("Громкость - " + std::to_string(percent) + "%");
}

// ---- position display ------------------------------------------------------------

std::string FormatClock(int seconds) {
  if (seconds < 0) seconds = 0;
  auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
  const std::string minutes = two(seconds / 60 % 60) + ":" + two(seconds % 60);
  return seconds >= 3600 ? std::to_string(seconds / 3600) + ":" + minutes : minutes;
}

const std::string& LiveText(int tick, int intervalMs) {
  static const std::string texts[8] = {"Live",          "(Live)",          "( Live )",          "( (Live) )",
                                       "( ( Live ) )", "( ( (Live) ) )", "( ( ( Live ) ) )", "( ( ( (Live) ) ) )"};
  const long long step = static_cast<long long>(tick) * intervalMs / 800;
  return texts[((step % 8) + 8) % 8];
}

PositionDisplay UpdatePositionDisplay(PlayerState& st, int intervalMs) {
  PositionDisplay d;
  const int length = player_getlength(st);
  const int time = player_gettime(st);
  const bool playing = player_isplaying(st);
  if (length > 0 && time >= 0) {
    d.label = FormatClock(time) + " / " + FormatClock(length);
    d.barRange = length;
    d.barPosition = time;
  } else if (playing && length == 0) {
    ++st.liveTicks;
    d.label = LiveText(st.liveTicks, intervalMs);
    d.barRange = 1;
    d.barPosition = 1;
  } else {
    // Nothing plays, or the engine reports no usable position yet.
    d.label = "0:00:00 / 0:00:00";
    d.barRange = 1;
    d.barPosition = 0;
  }
  d.menuText = d.label.find("Live") != std::string::npos ? ">> Live" : ">> " + d.label;
  return d;
}

bool DirectShowFileEnded(PlayerState& st) {
  if (!st.directShowMode || !player_isplaying(st)) return false;
  const int length = player_getlength(st);
  return length != 0 && player_gettime(st) == length;
}

}  // namespace strevo

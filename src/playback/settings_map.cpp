#include "playback/settings_map.h"

#include "base/eventlog.h"
#include "base/text_helpers.h"

namespace strevo {

static std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

void applyglobals(PlayerState& st, Sender sender) {
  const std::string& iface = st.globals.iface;
  if (iface == "Auto" || iface.find(':') != std::string::npos) player_setvar(st, "conf::miface-addr", "");
  else if (!IsAllDigits(iface)) player_setvar(st, "conf::miface-addr", iface);
  player_setvar(st, "conf::directx-audio-device", st.globals.audioDevice);
  player_setvar(st, "conf::http-reconnect", "1");
  player_setvar(st, "conf::snapshot-format", "jpg");
  player_setvar(st, "conf::snapshot-preview", "1");
  player_setvar(st, "conf::snapshot-path", AsciiLower(st.globals.capDir));
  ApplyVolume(st, sender);
  LogLine("applyglobals done");
}

void VolumeSliderChanged(PlayerState& st, int position) {
  st.globals.volume = position;
  applyglobals(st, Sender::Control);
}

// The parts of the chain, each with its leading ":"; the tuner rule empties it.
static std::string ChainParts(const PlayerState& st) {
  const ChannelSettingsValues& c = st.channel;
  const GlobalSettings& g = st.globals;
  std::string chain;
  if (c.colorCorrection) chain += ":adjust";
  if (c.deinterlace != 0 && !g.noDeinterlace) chain += ":deinterlace";
  const bool autoCrop = c.autoCrop && !g.noCrop;
  if (autoCrop) chain += ":crop";
  if (c.cropManual && !c.cropW.empty() && !c.cropH.empty() && !g.noCrop && !c.autoCrop) chain += ":crop";
  if (st.currentMrl.find("dshow://") != std::string::npos) chain.clear();
  return chain;
}

std::string VideoFilterChain(const PlayerState& st, const std::string& engineVersion) {
  std::string chain = ChainParts(st);
  if (!chain.empty()) chain.erase(0, 1);
  if (!st.directShowMode && engineVersion.find("0.9.0") != std::string::npos) chain = ReplaceAll("adjust:", "", chain);
  return chain;
}

static std::string Hundredths(int position) {
  // position x 0.01 as decimal text: 150 -> "1.5", 100 -> "1", 5 -> "0.05".
  std::string sign = position < 0 ? "-" : "";
  int p = position < 0 ? -position : position;
  std::string text = sign + std::to_string(p / 100);
  if (int frac = p % 100) {
    text += "." + std::string(frac < 10 ? "0" : "") + std::to_string(frac);
    if (text.back() == '0') text.pop_back();
  }
  return text;
}

static void StoreChannelRecord(PlayerState& st) {
  // An MRL that cannot be a record's key keeps no record of its own.
  if (!IsChannelRecordKey(st.currentMrl)) return;
  StoreRecord(st.configList, ChannelRecordText(st.currentMrl, st.channel));
}

static void LiveChanges(PlayerState& st, Sender sender) {
  if (st.directShowMode || !st.engine || !player_isplaying(st)) return;
  Engine& e = *st.engine;
  const ChannelSettingsValues& c = st.channel;
  void* root = e.CurrentObject();
  void* vout = e.FindObject(root, engine_abi::kObjectVideoOutput);
  void* aout = e.FindObject(root, engine_abi::kObjectAudioOutput);
  void* input = e.FindObject(root, engine_abi::kObjectInput);
  if (vout) {
    e.ObjectVariableSet(vout, "contrast", EngineValue::Float(c.contrast * 0.01f));
    e.ObjectVariableSet(vout, "brightness", EngineValue::Float(c.brightness * 0.01f));
    e.ObjectVariableSet(vout, "saturation", EngineValue::Float(c.saturation * 0.01f));
    e.ObjectVariableSet(vout, "gamma", EngineValue::Float(c.gamma * 0.01f));
    e.ObjectVariableSet(vout, "hue", EngineValue::Int(c.hue));
  }
  if (aout && (sender == Sender::MonoBox || sender == Sender::VideoWindow))
    e.ObjectVariableSet(aout, "audio-device", EngineValue::Int(c.mono ? 1 : 2));
  if (input && sender == Sender::AudioTrackList)
    e.ObjectVariableSet(input, "audio-track", EngineValue::Int(c.audioTrackIndex - 1));
}

void applysettings(PlayerState& st, Sender sender) {
  const ChannelSettingsValues& c = st.channel;
  const GlobalSettings& g = st.globals;
  LogLine("begin applysettings " + Quoted(st.currentMrl));
  if (st.host) {
    st.host->RedrawControlBar();
    st.host->EnableCropEdits(c.cropManual);
  }
  StoreChannelRecord(st);

  player_setvar(st, "conf::contrast", Hundredths(c.contrast));
  player_setvar(st, "conf::brightness", Hundredths(c.brightness));
  player_setvar(st, "conf::saturation", Hundredths(c.saturation));
  player_setvar(st, "conf::gamma", Hundredths(c.gamma));
  player_setvar(st, "conf::hue", c.hue);

  LiveChanges(st, sender);

  if (c.deinterlace != 0 && !g.noDeinterlace)
    player_setvar(st, "conf::deinterlace-mode", AsciiLower(kDeinterlaceModes[c.deinterlace]));
  player_setvar(st, "conf::aspect-ratio", c.aspect != "None" ? c.aspect : "");
  player_setvar(st, "conf::autocrop", c.autoCrop && !g.noCrop ? "1" : "0");
  if (c.cropManual && !c.cropW.empty() && !c.cropH.empty() && !g.noCrop) {
    std::string geometry = c.cropW + "x" + c.cropH;
    if (!c.cropX.empty() && !c.cropY.empty()) geometry += "+" + c.cropX + "+" + c.cropY;
    player_setvar(st, "conf::crop-geometry", geometry);
  }
  const size_t tuner = st.currentMrl.find("dshow://");
  if (tuner != std::string::npos) {
    player_setvar(st, "conf::dshow-size", "720x576");
    player_setvar(st, "conf::dshow-caching", "200");
    player_setvar(st, "conf::dshow-chroma", "YUY2");
    player_setvar(st, "conf::dshow-tuner-channel", ReplaceAll("dshow://", "", st.currentMrl));
    player_setvar(st, "conf::dshow-tuner-country", "7");
    player_setvar(st, "conf::dshow-tuner-input", "2");
  }
  const bool engineMode = !st.directShowMode && st.engine;
  player_setvar(st, "conf::vout-filter", VideoFilterChain(st, engineMode ? st.engine->Version() : ""));
  player_setvar(st, "conf::audio-visual", "");
  player_setvar(st, "conf::audio-track", c.audioTrackIndex - 1);
  if (g.noDirectX) {
    player_setvar(st, "conf::vout", "opengl");
  } else {
    player_setvar(st, "conf::directx-hw-yuv", "1");
    player_setvar(st, "conf::directx-use-sysmem", "1");
    player_setvar(st, "conf::overlay", "1");
    player_setvar(st, "conf::directx-3buffering", "1");
    if (st.windowsMajorVersion >= 6) {
      player_setvar(st, "conf::vout", "direct3d");
      LogLine("Windows Vista or higher detected !!!");
    } else {
      player_setvar(st, "conf::vout", "vout_directx");
    }
  }
  player_setvar(st, "conf::directx-wallpaper", st.desktopMode ? "1" : "0");
  player_setvar(st, "conf::access-filter", "access_filter_timeshift");
  player_setvar(st, "conf::timeshift-dir", AsciiLower(g.capDir));
  player_setvar(st, "conf::timeshift-granularity", 1024);
  if (st.directShowMode && st.directShow && st.directShow->HasVideo()) {
    if (c.cropManual)
      st.directShow->SetSourceRect(StrToIntLenient(c.cropX), StrToIntLenient(c.cropY), StrToIntLenient(c.cropW),
                                   StrToIntLenient(c.cropH));
    else
      st.directShow->ResetSourceRect();
  }
  if ((sender == Sender::GuideNameBox || sender == Sender::GuideShiftBar) && st.host) st.host->RefreshOsdGuide();
  LogLine("end applysettings " + Quoted(st.currentMrl));
}

static void ApplySettingsNow(PlayerState& st, Sender sender) {
  if (!player_isplaying(st)) {
    applysettings(st, sender);
    return;
  }
  LogLine("begin applysettings now " + Quoted(st.currentMrl));
  if (st.host) st.host->FocusKeyControl();
  if (st.directShowMode) {
    applysettings(st, sender);
    return;
  }
  const int t = player_gettime(st);
  player_stop(st);
  if (st.host) st.host->SleepMs(500);
  applysettings(st, sender);
  pump_messages_for(st, 300);
  player_play(st);
  pump_messages_for(st, 100);
  player_settime(st, t);
  LogLine("end applysettings now " + Quoted(st.currentMrl));
}

// It stops and restarts the stream with pauses between: a command given
// meanwhile waits for it.
void applysettings_now(PlayerState& st, Sender sender) {
  RunPlayerCommand(st, [&st, sender] { ApplySettingsNow(st, sender); });
}

}  // namespace strevo

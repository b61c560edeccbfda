#include "playback/libvlc3_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "base/eventlog.h"

namespace strevo {

bool ResolveLibvlc3(Libvlc3Api& api, const std::function<void*(const char*)>& lookup) {
  bool all = true;
#define STREVO_LIBVLC3_RESOLVE(name)                                \
  api.name = reinterpret_cast<decltype(api.name)>(lookup(#name)); \
  all = all && api.name != nullptr;
  STREVO_LIBVLC3_ENTRY_POINTS(STREVO_LIBVLC3_RESOLVE)
#undef STREVO_LIBVLC3_RESOLVE
  return all;
}

bool OffersLibvlc3(const std::function<void*(const char*)>& lookup) {
  return lookup("libvlc_new") != nullptr && lookup("VLC_Create") == nullptr;
}

static void LogIgnored(const std::string& what, const EngineValue& value) {
  LogLine("libvlc3: " + what + "=" + EngineValueText(value) + " ignored (no counterpart)");
}

Libvlc3Engine::Libvlc3Engine(const Libvlc3Api& api, const std::vector<std::string>& args, void* window,
                             InterfaceNamer interfaceOf)
    : api_(api), interfaceOf_(std::move(interfaceOf)) {
  std::vector<const char*> argv;
  for (const std::string& a : kLibvlc3Options) argv.push_back(a.c_str());
  for (const std::string& a : args) argv.push_back(a.c_str());
  instance_ = api_.libvlc_new(static_cast<int>(argv.size()), argv.data());
  if (!instance_) {
    LogLine("libvlc3: no instance: " + LastError());
    return;
  }
  player_ = api_.libvlc_media_player_new(instance_);
  if (!player_) {
    LogLine("libvlc3: no media player: " + LastError());
    api_.libvlc_release(instance_);
    instance_ = nullptr;
    return;
  }
  if (window) api_.libvlc_media_player_set_hwnd(player_, window);
  // Clicks, the wheel, double-clicks and keys belong to the player's video
  // window; the engine would take them on the window it draws into.
  api_.libvlc_video_set_mouse_input(player_, 0);
  api_.libvlc_video_set_key_input(player_, 0);
}

Libvlc3Engine::~Libvlc3Engine() {
  if (player_) {
    api_.libvlc_media_player_stop(player_);
    api_.libvlc_media_player_release(player_);
  }
  if (instance_) api_.libvlc_release(instance_);
}

std::string Libvlc3Engine::LastError() {
  const char* e = api_.libvlc_errmsg ? api_.libvlc_errmsg() : nullptr;
  return e ? e : "";
}

int Libvlc3Engine::StartMedia() {
  if (target_.empty()) return engine_abi::kGeneric;
  // An address with a scheme is a location; anything else a local path.
  libvlc_media_t* media = target_.find("://") != std::string::npos
                              ? api_.libvlc_media_new_location(instance_, target_.c_str())
                              : api_.libvlc_media_new_path(instance_, target_.c_str());
  if (!media) {
    LogLine("libvlc3: no media for \"" + target_ + "\": " + LastError());
    return engine_abi::kGeneric;
  }
  for (const auto& [key, text] : options_) api_.libvlc_media_add_option(media, text.c_str());
  for (const std::string& text : targetOptions_) api_.libvlc_media_add_option(media, text.c_str());
  api_.libvlc_media_player_set_media(player_, media);
  api_.libvlc_media_release(media);  // the player holds its own reference
  return api_.libvlc_media_player_play(player_) == 0 ? engine_abi::kSuccess : engine_abi::kGeneric;
}

int Libvlc3Engine::Play() {
  if (!Loaded()) return engine_abi::kNoObject;
  switch (api_.libvlc_media_player_get_state(player_)) {
    case libvlc_Paused: api_.libvlc_media_player_set_pause(player_, 0); return engine_abi::kSuccess;
    case libvlc_Opening:
    case libvlc_Buffering:
    case libvlc_Playing: return engine_abi::kSuccess;
    default:
      // A new media from the options as they are now: the play button clears
      // a recording chain before it plays again.
      return StartMedia();
  }
}

int Libvlc3Engine::Pause() {
  if (!Loaded()) return engine_abi::kNoObject;
  api_.libvlc_media_player_pause(player_);  // toggles, as the 0.8 engine's pause did
  return engine_abi::kSuccess;
}

int Libvlc3Engine::Stop() {
  if (!Loaded()) return engine_abi::kNoObject;
  // Returns when the input has ended: a recording's file is complete.
  api_.libvlc_media_player_stop(player_);
  return engine_abi::kSuccess;
}

int Libvlc3Engine::PlaylistClear() {
  if (!Loaded()) return engine_abi::kNoObject;
  api_.libvlc_media_player_stop(player_);
  api_.libvlc_media_player_set_media(player_, nullptr);
  target_.clear();
  return engine_abi::kSuccess;
}

int Libvlc3Engine::AddTarget(const std::string& address, const std::vector<std::string>& options, int mode,
                             int position) {
  if (!Loaded()) return engine_abi::kNoObject;
  // The 3.x player holds one media, so the position has no meaning here.
  target_ = address;
  targetOptions_ = options;
  return (mode & engine_abi::kModeGo) ? StartMedia() : engine_abi::kSuccess;
}

bool Libvlc3Engine::HasInput() {
  switch (api_.libvlc_media_player_get_state(player_)) {
    case libvlc_Opening:
    case libvlc_Buffering:
    case libvlc_Playing:
    case libvlc_Paused: return true;
    default: return false;
  }
}

int Libvlc3Engine::IsPlaying() {
  return Loaded() && api_.libvlc_media_player_get_state(player_) == libvlc_Playing ? 1 : 0;
}

int Libvlc3Engine::TimeGet() {
  if (!Loaded()) return kNoInput;
  KeepVolume();  // the player asks the time on every status tick
  return SecondsFromMs(api_.libvlc_media_player_get_time(player_));
}

int Libvlc3Engine::LengthGet() {
  if (!Loaded()) return kNoInput;
  const libvlc_time_t ms = api_.libvlc_media_player_get_length(player_);
  // To the nearest second: a 2.96 s clip is 3 s long, not 2.
  return ms < 0 ? kNoInput : SecondsFromMs(ms + 500);
}

int Libvlc3Engine::TimeSet(int seconds, bool relative) {
  if (!Loaded()) return engine_abi::kNoObject;
  libvlc_time_t ms = MsFromSeconds(seconds);
  if (relative) ms += std::max<libvlc_time_t>(0, api_.libvlc_media_player_get_time(player_));
  api_.libvlc_media_player_set_time(player_, std::max<libvlc_time_t>(0, ms));
  return engine_abi::kSuccess;
}

// An audio output that starts or restarts under a playing media comes up at
// its own level (100), not at the one the player set before; the player's
// level is the one it shows, so it is set again.
void Libvlc3Engine::KeepVolume() {
  // The mute flag likewise.
  if (muted_ >= 0) {
    const int m = api_.libvlc_audio_get_mute(player_);
    if (m >= 0 && m != muted_) {
      LogLine("libvlc3: the audio output came up " + std::string(m ? "muted" : "not muted") + "; mute set again");
      api_.libvlc_audio_set_mute(player_, muted_);
    }
  }
  if (volume_ < 0) return;
  const int v = api_.libvlc_audio_get_volume(player_);
  if (v < 0 || v == volume_) return;
  LogLine("libvlc3: the audio output came up at " + std::to_string(v) + "; volume " + std::to_string(volume_) +
          " set again");
  api_.libvlc_audio_set_volume(player_, volume_);
}

int Libvlc3Engine::VolumeGet() {
  if (!Loaded()) return 0;
  KeepVolume();
  const int v = api_.libvlc_audio_get_volume(player_);
  return v >= 0 ? v : std::max(volume_, 0);
}

int Libvlc3Engine::VolumeSet(int volume) {
  if (!Loaded()) return engine_abi::kNoObject;
  // Both scales are percent of the normal level, 0..200.
  volume_ = std::clamp(volume, 0, 200);
  return api_.libvlc_audio_set_volume(player_, volume_) == 0 ? engine_abi::kSuccess : engine_abi::kGeneric;
}

int Libvlc3Engine::VolumeMute() {
  if (!Loaded()) return engine_abi::kNoObject;
  api_.libvlc_audio_toggle_mute(player_);
  return engine_abi::kSuccess;
}

int Libvlc3Engine::MuteSet(bool muted) {
  if (!Loaded()) return engine_abi::kNoObject;
  muted_ = muted ? 1 : 0;
  api_.libvlc_audio_set_mute(player_, muted_);
  return engine_abi::kSuccess;
}

void Libvlc3Engine::SpeedFaster() {
  if (Loaded()) api_.libvlc_media_player_set_rate(player_, FasterRate(api_.libvlc_media_player_get_rate(player_)));
}

void Libvlc3Engine::SpeedSlower() {
  if (Loaded()) api_.libvlc_media_player_set_rate(player_, SlowerRate(api_.libvlc_media_player_get_rate(player_)));
}

void Libvlc3Engine::SetOption(const std::string& key, const std::string& option) {
  auto it = std::find_if(options_.begin(), options_.end(), [&](const auto& o) { return o.first == key; });
  if (option.empty()) {
    if (it != options_.end()) options_.erase(it);
  } else if (it != options_.end()) {
    it->second = option;
  } else {
    options_.emplace_back(key, option);
  }
}

std::vector<std::string> Libvlc3Engine::MediaOptions() const {
  std::vector<std::string> texts;
  for (const auto& [key, text] : options_) texts.push_back(text);
  return texts;
}

// The chain says which video filters are on; deinterlacing and cropping keep
// their mode and geometry, so a channel without them in its chain does not
// inherit the previous channel's.
void Libvlc3Engine::ApplyFilters() {
  api_.libvlc_video_set_adjust_int(player_, libvlc_adjust_Enable, filters_.adjust ? 1 : 0);
  const bool deinterlace = filters_.deinterlace && !deinterlaceMode_.empty();
  api_.libvlc_video_set_deinterlace(player_, deinterlace ? deinterlaceMode_.c_str() : nullptr);
  // Automatic crop reads no geometry in the 0.8 engine; 3.x has none at all.
  const bool crop = filters_.crop && !autoCrop_ && !cropGeometry_.empty();
  api_.libvlc_video_set_crop_geometry(player_, crop ? cropGeometry_.c_str() : nullptr);
}

void Libvlc3Engine::SetAudioDevice(int index) {
  // 0 is the system's default, which the engine uses unless told otherwise.
  if (index <= 0) return;
  libvlc_audio_output_device_t* list = api_.libvlc_audio_output_device_enum(player_);
  const libvlc_audio_output_device_t* d = list;
  for (int i = 1; d && i < index; ++i) d = d->p_next;
  if (d && d->psz_device) api_.libvlc_audio_output_device_set(player_, nullptr, d->psz_device);
  else LogLine("libvlc3: audio device " + std::to_string(index) + " not found");
  if (list) api_.libvlc_audio_output_device_list_release(list);
}

int Libvlc3Engine::SetAudioTrack(int index) {
  // The 0.8 engine counts audio tracks from 0; 3.x selects them by id, and
  // its list begins with "disable" (id -1), which is no track.
  libvlc_track_description_t* list = api_.libvlc_audio_get_track_description(player_);
  int id = -1, n = 0;
  for (const libvlc_track_description_t* t = list; t; t = t->p_next) {
    if (t->i_id < 0) continue;
    if (n++ == index) {
      id = t->i_id;
      break;
    }
  }
  if (list) api_.libvlc_track_description_list_release(list);
  if (id < 0) {
    LogLine("libvlc3: audio track " + std::to_string(index) + " not found");
    return engine_abi::kGeneric;
  }
  return api_.libvlc_audio_set_track(player_, id) == 0 ? engine_abi::kSuccess : engine_abi::kGeneric;
}

int Libvlc3Engine::TakeSnapshot() {
  if (snapshotFolder_.empty()) {
    LogLine("libvlc3: snapshot without a folder ignored");
    return engine_abi::kGeneric;
  }
  // Into the folder under a name of the engine's, at the picture's own size.
  // The 3.x interface writes PNG whatever the format asked for.
  return api_.libvlc_video_take_snapshot(player_, 0, snapshotFolder_.c_str(), 0, 0) == 0 ? engine_abi::kSuccess
                                                                                         : engine_abi::kGeneric;
}

int Libvlc3Engine::VariableSet(const std::string& name, const EngineValue& value) {
  if (!Loaded()) return engine_abi::kNoObject;
  const std::string text = EngineValueText(value);
  switch (Libvlc3UseOf(name)) {
    case Libvlc3Use::MediaOption: {
      const std::string key = Libvlc3OptionKey(name);
      SetOption(key, Libvlc3MediaOption(name, value));
      if (key == "miface-addr") {
        // 3.x keeps the address option but joins groups on the interface
        // it names by "miface"; without it the join goes to the default
        // route's interface and a group on another one never arrives.
        const std::string iface = text.empty() || !interfaceOf_ ? "" : interfaceOf_(text);
        if (!text.empty() && iface.empty()) LogLine("libvlc3: no interface has the address " + text);
        SetOption("miface", iface.empty() ? "" : ":miface=" + iface);
      }
      return engine_abi::kSuccess;
    }
    case Libvlc3Use::Picture:
      api_.libvlc_video_set_adjust_float(player_, Libvlc3AdjustOption(name), Libvlc3AdjustValue(name, value));
      return engine_abi::kSuccess;
    case Libvlc3Use::FilterChain:
      filters_ = ParseFilterChain(text);
      ApplyFilters();
      return engine_abi::kSuccess;
    case Libvlc3Use::Deinterlace: deinterlaceMode_ = text; return engine_abi::kSuccess;
    case Libvlc3Use::CropGeometry: cropGeometry_ = text; return engine_abi::kSuccess;
    case Libvlc3Use::AutoCrop:
      autoCrop_ = EngineValueIsOn(value);
      if (autoCrop_) LogIgnored(name, value);
      return autoCrop_ ? engine_abi::kNoVariable : engine_abi::kSuccess;
    case Libvlc3Use::AspectRatio:
      api_.libvlc_video_set_aspect_ratio(player_, text.empty() ? nullptr : text.c_str());
      return engine_abi::kSuccess;
    case Libvlc3Use::AudioDevice:
      SetAudioDevice(value.type == EngineValue::Type::Int ? value.i : std::atoi(text.c_str()));
      return engine_abi::kSuccess;
    case Libvlc3Use::SnapshotPath: snapshotFolder_ = text; return engine_abi::kSuccess;
    case Libvlc3Use::Drawable:
      api_.libvlc_media_player_set_hwnd(player_, reinterpret_cast<void*>(static_cast<intptr_t>(value.i)));
      return engine_abi::kSuccess;
    case Libvlc3Use::Ignored: break;
  }
  LogIgnored(name, value);
  return engine_abi::kNoVariable;
}

std::string Libvlc3Engine::Version() {
  const char* v = api_.libvlc_get_version ? api_.libvlc_get_version() : nullptr;
  return v ? v : "";
}

void* Libvlc3Engine::CurrentObject() { return Loaded() ? &root_ : nullptr; }

void* Libvlc3Engine::FindObject(void* from, int kind) {
  if (!Loaded() || from != &root_) return nullptr;
  switch (kind) {
    case engine_abi::kObjectVideoOutput: return api_.libvlc_media_player_has_vout(player_) > 0 ? &videoOutput_ : nullptr;
    case engine_abi::kObjectAudioOutput: return HasInput() ? &audioOutput_ : nullptr;
    case engine_abi::kObjectInput: return HasInput() ? &input_ : nullptr;
    default: return nullptr;
  }
}

int Libvlc3Engine::ObjectVariableSet(void* object, const std::string& name, const EngineValue& value) {
  if (!Loaded() || !object) return engine_abi::kNoObject;
  if (object == &videoOutput_) {
    if (name == "video-snapshot") return TakeSnapshot();
    if (Libvlc3AdjustOption(name) >= 0) {
      api_.libvlc_video_set_adjust_float(player_, Libvlc3AdjustOption(name), Libvlc3AdjustValue(name, value));
      return engine_abi::kSuccess;
    }
  } else if (object == &audioOutput_) {
    // The 0.8 output's channel choice: 1 mono, 2 stereo. 3.x offers no mono.
    if (name == "audio-device" && value.type == EngineValue::Type::Int && value.i == 2)
      return api_.libvlc_audio_set_channel(player_, libvlc_AudioChannel_Stereo) == 0 ? engine_abi::kSuccess
                                                                                      : engine_abi::kGeneric;
  } else if (object == &input_) {
    if (name == "audio-track") return SetAudioTrack(value.type == EngineValue::Type::Int ? value.i : -1);
  } else {
    return engine_abi::kNoObject;
  }
  LogIgnored(name, value);
  return engine_abi::kNoVariable;
}

}  // namespace strevo

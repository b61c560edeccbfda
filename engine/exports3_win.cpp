// The stand-in engine's second face: the 3.x interface ("libvlc_*") over the
// same instances and sessions as the 0.8 entry points. A media carries its
// options (":sout=...", ":miface-addr=..."), which become the instance's
// variables when it plays. Every call is traced as the 0.8 ones are.
#include <winsock2.h>

#include <vlc/vlc.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "instances_win.h"
#include "snapshot_win.h"
#include "status_window_win.h"
#include "trace_win.h"
#include "util_win.h"

using namespace strevo::engine;
using namespace strevo::engine_abi;

struct libvlc_instance_t {
  int id;
};
struct libvlc_media_t {
  std::string location;
  std::vector<std::string> options;
  int refs = 1;
};
struct libvlc_media_player_t {
  libvlc_instance_t* instance;
  libvlc_media_t* media = nullptr;
  std::vector<std::string> optionVars;  // what the playing media set, undone by the next
};

namespace {

std::once_flag g_winsock3;
std::mutex g_mediaMutex;  // media reference counts

void Release(libvlc_media_t* m) {
  if (!m) return;
  std::lock_guard<std::mutex> lock(g_mediaMutex);
  if (--m->refs == 0) delete m;
}

template <class R, class F>
R OnInstance(const std::string& call, libvlc_media_player_t* p, R missing, F f) {
  Trace(call);
  Instance* inst = p && p->instance ? FindInstance(p->instance->id) : nullptr;
  if (!inst) return missing;
  std::lock_guard<std::mutex> lock(inst->mu);
  return f(*inst);
}

Stored TextValue(const std::string& text) {
  Stored s;
  s.kind = VarKind::Text;
  s.text = text;
  return s;
}

Stored IntValue(int v) {
  Stored s;
  s.kind = VarKind::Int;
  s.raw.i_int = v;
  return s;
}

// ":key=value" sets conf::key to the text; ":key" and ":no-key" a flag.
void ApplyOptions(Instance& inst, libvlc_media_player_t& p) {
  for (const std::string& name : p.optionVars) inst.vars.erase(name);
  p.optionVars.clear();
  if (!p.media) return;
  for (std::string o : p.media->options) {
    if (!o.empty() && o[0] == ':') o.erase(0, 1);
    const size_t eq = o.find('=');
    std::string key = o.substr(0, eq);
    if (key.empty()) continue;
    Stored value;
    if (eq != std::string::npos) {
      value = TextValue(o.substr(eq + 1));
    } else if (key.rfind("no-", 0) == 0) {
      key.erase(0, 3);
      value = IntValue(0);
    } else {
      value = IntValue(1);
    }
    inst.vars["conf::" + key] = value;
    p.optionVars.push_back("conf::" + key);
  }
}

libvlc_media_t* NewMedia(const char* call, const char* address) {
  Trace(std::string(call) + " " + TraceText(address));
  if (!address) return nullptr;
  auto* m = new libvlc_media_t;
  m->location = address;
  return m;
}

std::string PlayerCall(const char* name, libvlc_media_player_t* p) {
  return std::string(name) + " " + (p && p->instance ? std::to_string(p->instance->id) : std::string("null"));
}

}  // namespace

extern "C" {

libvlc_instance_t* libvlc_new(int argc, const char* const* argv) {
  std::string line = "libvlc_new " + std::to_string(argc);
  for (int i = 0; argv && i < argc; ++i) line += " " + TraceText(argv[i]);
  Trace(line);
  std::call_once(g_winsock3, [] {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
  });
  return new libvlc_instance_t{CreateInstance()};
}

void libvlc_release(libvlc_instance_t* instance) {
  Trace("libvlc_release " + (instance ? std::to_string(instance->id) : std::string("null")));
  if (!instance) return;
  bool last = false;
  std::unique_ptr<Instance> inst = RemoveInstance(instance->id, last);
  delete instance;
  if (!inst) return;
  {
    std::lock_guard<std::mutex> lock(inst->mu);
    StopSession(*inst);
  }
  inst.reset();
  if (last) StopUiThread();
}

const char* libvlc_errmsg(void) { return nullptr; }

const char* libvlc_get_version(void) {
  Trace("libvlc_get_version");
  return "3.0.0-strevo";
}

libvlc_media_t* libvlc_media_new_location(libvlc_instance_t*, const char* mrl) {
  return NewMedia("libvlc_media_new_location", mrl);
}

libvlc_media_t* libvlc_media_new_path(libvlc_instance_t*, const char* path) {
  return NewMedia("libvlc_media_new_path", path);
}

void libvlc_media_add_option(libvlc_media_t* media, const char* option) {
  Trace("libvlc_media_add_option " + TraceText(option));
  if (media && option) media->options.push_back(option);
}

void libvlc_media_release(libvlc_media_t* media) {
  Trace("libvlc_media_release");
  Release(media);
}

libvlc_media_player_t* libvlc_media_player_new(libvlc_instance_t* instance) {
  Trace("libvlc_media_player_new " + (instance ? std::to_string(instance->id) : std::string("null")));
  return instance ? new libvlc_media_player_t{instance} : nullptr;
}

void libvlc_media_player_release(libvlc_media_player_t* p) {
  OnInstance(PlayerCall("libvlc_media_player_release", p), p, 0, [](Instance& inst) {
    StopSession(inst);
    return 0;
  });
  if (!p) return;
  Release(p->media);
  delete p;
}

void libvlc_media_player_set_media(libvlc_media_player_t* p, libvlc_media_t* media) {
  Trace(PlayerCall("libvlc_media_player_set_media", p) + (media ? " " + TraceText(media->location.c_str()) : " null"));
  if (!p) return;
  if (media) {
    std::lock_guard<std::mutex> lock(g_mediaMutex);
    ++media->refs;
  }
  Release(p->media);
  p->media = media;
}

int libvlc_media_player_play(libvlc_media_player_t* p) {
  return OnInstance(PlayerCall("libvlc_media_player_play", p), p, -1, [p](Instance& inst) {
    if (!p->media) return -1;
    if (inst.session && inst.session->Live() && inst.session->paused) {
      inst.session->paused = false;
      return 0;
    }
    ApplyOptions(inst, *p);
    inst.playlist = {p->media->location};
    inst.index = 0;
    StartSession(inst);
    return 0;
  });
}

void libvlc_media_player_set_pause(libvlc_media_player_t* p, int pause) {
  OnInstance(PlayerCall("libvlc_media_player_set_pause", p) + " " + std::to_string(pause), p, 0, [&](Instance& inst) {
    if (Session* s = OpenSource(inst)) s->paused = pause != 0;
    return 0;
  });
}

void libvlc_media_player_pause(libvlc_media_player_t* p) {
  OnInstance(PlayerCall("libvlc_media_player_pause", p), p, 0, [](Instance& inst) {
    if (Session* s = OpenSource(inst)) s->paused = !s->paused;
    return 0;
  });
}

void libvlc_media_player_stop(libvlc_media_player_t* p) {
  OnInstance(PlayerCall("libvlc_media_player_stop", p), p, 0, [](Instance& inst) {
    StopSession(inst);
    return 0;
  });
}

libvlc_state_t libvlc_media_player_get_state(libvlc_media_player_t* p) {
  Instance* inst = p && p->instance ? FindInstance(p->instance->id) : nullptr;
  if (!inst) return libvlc_Error;
  std::lock_guard<std::mutex> lock(inst->mu);
  const Session* s = inst->session.get();
  if (!s) return p->media ? libvlc_Stopped : libvlc_NothingSpecial;
  if (s->ended) return libvlc_Ended;
  if (s->Playing()) return libvlc_Playing;
  if (s->Live()) return libvlc_Paused;
  return libvlc_Opening;
}

libvlc_time_t libvlc_media_player_get_time(libvlc_media_player_t* p) {
  Instance* inst = p && p->instance ? FindInstance(p->instance->id) : nullptr;
  if (!inst) return -1;
  std::lock_guard<std::mutex> lock(inst->mu);
  const Session* s = OpenSource(*inst);
  return s ? s->timeSeconds * 1000 : -1;
}

void libvlc_media_player_set_time(libvlc_media_player_t* p, libvlc_time_t ms) {
  OnInstance(PlayerCall("libvlc_media_player_set_time", p) + " " + std::to_string(ms), p, 0, [ms](Instance& inst) {
    if (Session* s = OpenSource(inst)) s->seekSeconds = ms / 1000;
    return 0;
  });
}

libvlc_time_t libvlc_media_player_get_length(libvlc_media_player_t* p) {
  Instance* inst = p && p->instance ? FindInstance(p->instance->id) : nullptr;
  if (!inst) return -1;
  std::lock_guard<std::mutex> lock(inst->mu);
  const Session* s = OpenSource(*inst);
  return s ? s->lengthSeconds * 1000 : -1;
}

float libvlc_media_player_get_rate(libvlc_media_player_t* p) {
  return OnInstance(PlayerCall("libvlc_media_player_get_rate", p), p, 1.0f, [](Instance& inst) { return inst.rate; });
}

int libvlc_media_player_set_rate(libvlc_media_player_t* p, float rate) {
  return OnInstance(PlayerCall("libvlc_media_player_set_rate", p) + " " + std::to_string(rate), p, -1,
                    [rate](Instance& inst) { return ChangeRate(inst, rate / inst.rate) == rate ? 0 : -1; });
}

unsigned libvlc_media_player_has_vout(libvlc_media_player_t* p) {
  Instance* inst = p && p->instance ? FindInstance(p->instance->id) : nullptr;
  if (!inst) return 0;
  std::lock_guard<std::mutex> lock(inst->mu);
  return inst->session && inst->session->Live() ? 1 : 0;
}

void libvlc_media_player_set_hwnd(libvlc_media_player_t* p, void* drawable) {
  const int handle = static_cast<int>(reinterpret_cast<intptr_t>(drawable));
  OnInstance(PlayerCall("libvlc_media_player_set_hwnd", p) + " " + std::to_string(handle), p, 0,
             [handle](Instance& inst) {
               inst.vars["drawable"] = IntValue(handle);
               return 0;
             });
}

int libvlc_audio_get_volume(libvlc_media_player_t* p) {
  return OnInstance(PlayerCall("libvlc_audio_get_volume", p), p, -1, [](Instance& inst) { return inst.volume; });
}

int libvlc_audio_set_volume(libvlc_media_player_t* p, int volume) {
  return OnInstance(PlayerCall("libvlc_audio_set_volume", p) + " " + std::to_string(volume), p, -1,
                    [volume](Instance& inst) {
                      if (volume < 0 || volume > 200) return -1;
                      inst.volume = volume;
                      return 0;
                    });
}

void libvlc_audio_toggle_mute(libvlc_media_player_t* p) {
  OnInstance(PlayerCall("libvlc_audio_toggle_mute", p), p, 0, [](Instance& inst) {
    inst.muted = !inst.muted;
    return 0;
  });
}

void libvlc_audio_set_mute(libvlc_media_player_t* p, int mute) {
  OnInstance(PlayerCall("libvlc_audio_set_mute", p) + " " + std::to_string(mute), p, 0, [mute](Instance& inst) {
    inst.muted = mute != 0;
    return 0;
  });
}

int libvlc_audio_get_mute(libvlc_media_player_t* p) {
  return OnInstance(PlayerCall("libvlc_audio_get_mute", p), p, -1, [](Instance& inst) { return inst.muted ? 1 : 0; });
}

// The stand-in's picture window takes no input of its own: traced only.
void libvlc_video_set_mouse_input(libvlc_media_player_t* p, unsigned on) {
  Trace(PlayerCall("libvlc_video_set_mouse_input", p) + " " + std::to_string(on));
}

void libvlc_video_set_key_input(libvlc_media_player_t* p, unsigned on) {
  Trace(PlayerCall("libvlc_video_set_key_input", p) + " " + std::to_string(on));
}

// Channels, tracks, devices and the picture: traced and kept nowhere; the
// stand-in decodes no sound and draws a status picture, not the video.
int libvlc_audio_set_channel(libvlc_media_player_t* p, int channel) {
  Trace(PlayerCall("libvlc_audio_set_channel", p) + " " + std::to_string(channel));
  return 0;
}

libvlc_track_description_t* libvlc_audio_get_track_description(libvlc_media_player_t* p) {
  Trace(PlayerCall("libvlc_audio_get_track_description", p));
  return nullptr;
}

void libvlc_track_description_list_release(libvlc_track_description_t*) {}

int libvlc_audio_set_track(libvlc_media_player_t* p, int track) {
  Trace(PlayerCall("libvlc_audio_set_track", p) + " " + std::to_string(track));
  return -1;
}

libvlc_audio_output_device_t* libvlc_audio_output_device_enum(libvlc_media_player_t* p) {
  Trace(PlayerCall("libvlc_audio_output_device_enum", p));
  return nullptr;
}

void libvlc_audio_output_device_list_release(libvlc_audio_output_device_t*) {}

void libvlc_audio_output_device_set(libvlc_media_player_t* p, const char* module, const char* device) {
  Trace(PlayerCall("libvlc_audio_output_device_set", p) + " " + TraceText(module) + " " + TraceText(device));
}

void libvlc_video_set_aspect_ratio(libvlc_media_player_t* p, const char* aspect) {
  Trace(PlayerCall("libvlc_video_set_aspect_ratio", p) + " " + TraceText(aspect));
}

void libvlc_video_set_crop_geometry(libvlc_media_player_t* p, const char* geometry) {
  Trace(PlayerCall("libvlc_video_set_crop_geometry", p) + " " + TraceText(geometry));
}

void libvlc_video_set_deinterlace(libvlc_media_player_t* p, const char* mode) {
  Trace(PlayerCall("libvlc_video_set_deinterlace", p) + " " + TraceText(mode));
}

void libvlc_video_set_adjust_int(libvlc_media_player_t* p, unsigned option, int value) {
  Trace(PlayerCall("libvlc_video_set_adjust_int", p) + " " + std::to_string(option) + " " + std::to_string(value));
}

void libvlc_video_set_adjust_float(libvlc_media_player_t* p, unsigned option, float value) {
  Trace(PlayerCall("libvlc_video_set_adjust_float", p) + " " + std::to_string(option) + " " + std::to_string(value));
}

int libvlc_video_take_snapshot(libvlc_media_player_t* p, unsigned num, const char* path, unsigned w, unsigned h) {
  return OnInstance(PlayerCall("libvlc_video_take_snapshot", p) + " " + TraceText(path), p, -1, [&](Instance& inst) {
    if (!path || !inst.session) return -1;
    VarStore vars = inst.vars;
    vars["conf::snapshot-path"] = TextValue(path);
    return WriteSnapshot(inst.session.get(), vars, inst.snapshots) == kSuccess ? 0 : -1;
  });
}

}  // extern "C"


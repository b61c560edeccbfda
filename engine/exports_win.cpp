// The entry points of the stand-in engine, each traced, then run on the
// instance under its lock.
#include <winsock2.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "engine_abi.h"
#include "instances_win.h"
#include "snapshot_win.h"
#include "status_window_win.h"
#include "trace_win.h"
#include "util_win.h"

using namespace strevo::engine;
using namespace strevo::engine_abi;

// The definitions below must match the interface the player binds to.
extern "C" {
#define STREVO_ENGINE_DECLARE(member, symbol, result, params) result STREVO_ENGINE_CALL symbol params;
STREVO_ENGINE_ENTRY_POINTS(STREVO_ENGINE_DECLARE)
#undef STREVO_ENGINE_DECLARE
}

namespace {

std::once_flag g_winsock;
std::string g_versionText;
std::mutex g_versionMutex;

// Traces the call, then runs `f` on the instance under its lock; `missing`
// when there is no such instance.
template <class R, class F>
R Locked(const std::string& call, int id, R missing, F f) {
  Trace(call);
  Instance* inst = FindInstance(id);
  if (!inst) return missing;
  std::lock_guard<std::mutex> lock(inst->mu);
  return f(*inst);
}

std::string Call(const char* name, int id) { return std::string(name) + " " + std::to_string(id); }

// Reads a value to be set and traces the call: "<call> <name> <type> <value>".
Stored ReadTraced(const std::string& call, const char* name, vlc_value_t value) {
  std::string traced;
  Stored s = ReadValue(name ? name : "", value, traced);
  Trace(call + " " + TraceName(name) + " " + traced);
  return s;
}

int StopInstance(Instance& inst) {
  StopSession(inst);
  return kSuccess;
}

}  // namespace

extern "C" {

int STREVO_ENGINE_CALL rootwrap(void) {
  Trace("rootwrap");
  return kSuccess;
}

int STREVO_ENGINE_CALL VLC_Create(void) {
  Trace("VLC_Create");
  std::call_once(g_winsock, [] {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
  });
  return CreateInstance();
}

int STREVO_ENGINE_CALL VLC_Init(int id, int argc, char* argv[]) {
  std::string line = "VLC_Init " + std::to_string(id) + " " + std::to_string(argc);
  for (int i = 0; argv && i < argc; ++i) line += " " + TraceText(argv[i]);
  Trace(line);
  return FindInstance(id) ? kSuccess : kNoObject;
}

int STREVO_ENGINE_CALL VLC_AddIntf(int id, const char* module, int block, int play) {
  Trace("VLC_AddIntf " + std::to_string(id) + " " + TraceText(module) + " " + std::to_string(block) + " " +
        std::to_string(play));
  return FindInstance(id) ? kNoModule : kNoObject;  // no interface modules here
}

int STREVO_ENGINE_CALL VLC_Die(int id) { return Locked(Call("VLC_Die", id), id, kNoObject, StopInstance); }

int STREVO_ENGINE_CALL VLC_CleanUp(int id) { return Locked(Call("VLC_CleanUp", id), id, kNoObject, StopInstance); }

int STREVO_ENGINE_CALL VLC_Destroy(int id) {
  Trace("VLC_Destroy " + std::to_string(id));
  bool last = false;
  std::unique_ptr<Instance> inst = RemoveInstance(id, last);
  if (!inst) return kNoObject;
  {
    std::lock_guard<std::mutex> lock(inst->mu);
    StopSession(*inst);
  }
  inst.reset();
  // No window is left: the UI thread can go, so the library may be unloaded.
  if (last) StopUiThread();
  return kSuccess;
}

int STREVO_ENGINE_CALL VLC_VariableSet(int id, const char* name, vlc_value_t value) {
  Stored s = ReadTraced("VLC_VariableSet " + std::to_string(id), name, value);
  Instance* inst = FindInstance(id);
  if (!inst) return kNoObject;
  if (!name || !*name) return kNoVariable;
  std::lock_guard<std::mutex> lock(inst->mu);
  inst->vars[name] = std::move(s);
  // The picture settings apply to the picture on screen at once.
  if (inst->session && (std::strcmp(name, "conf::aspect-ratio") == 0 || std::strcmp(name, "conf::crop-geometry") == 0)) {
    FrameQueue& q = inst->session->frames;
    std::lock_guard<std::mutex> frames(q.mu);
    (name[6] == 'a' ? q.aspect : q.crop) = TextVar(inst->vars, name);
  }
  return kSuccess;
}

int STREVO_ENGINE_CALL VLC_VariableGet(int id, const char* name, vlc_value_t* value) {
  Trace("VLC_VariableGet " + std::to_string(id) + " " + TraceName(name));
  Instance* inst = FindInstance(id);
  if (!inst) return kNoObject;
  if (!name || !value) return kNoVariable;
  std::lock_guard<std::mutex> lock(inst->mu);
  return CopyOut(inst->vars, name, value);
}

int STREVO_ENGINE_CALL VLC_VariableType(int id, const char* name, int* type) {
  Trace("VLC_VariableType " + std::to_string(id) + " " + TraceName(name));
  Instance* inst = FindInstance(id);
  if (!inst) return kNoObject;
  if (!name || !type) return kNoVariable;
  std::lock_guard<std::mutex> lock(inst->mu);
  auto it = inst->vars.find(name);
  VarKind k = it != inst->vars.end() ? it->second.kind : VariableKind(name);
  *type = TypeCode(k);
  return it != inst->vars.end() ? kSuccess : kNoVariable;
}

int STREVO_ENGINE_CALL VLC_AddTarget(int id, const char* target, const char** options, int optionCount, int mode,
                                     int pos) {
  std::string line = "VLC_AddTarget " + std::to_string(id) + " " + TraceText(target) + " " +
                     std::to_string(optionCount) + " " + std::to_string(mode) + " " + std::to_string(pos);
  for (int i = 0; options && i < optionCount; ++i) line += " " + TraceText(options[i]);
  Trace(line);
  Instance* inst = FindInstance(id);
  if (!inst) return kNoObject;
  if (!target) return kGeneric;
  std::lock_guard<std::mutex> lock(inst->mu);
  int at = pos == kEndOfList || pos < 0 || pos > static_cast<int>(inst->playlist.size())
               ? static_cast<int>(inst->playlist.size())
               : pos;
  inst->playlist.insert(inst->playlist.begin() + at, target);
  if (inst->index >= at && inst->index >= 0 && !(mode & kModeGo)) ++inst->index;
  if (mode & kModeGo) {
    inst->index = at;
    StartSession(*inst);
  }
  return kSuccess;
}

int STREVO_ENGINE_CALL VLC_Play(int id) {
  return Locked(Call("VLC_Play", id), id, kNoObject, [](Instance& inst) {
    if (inst.session && !inst.session->ended) {
      inst.session->paused = false;
      return kSuccess;
    }
    if (inst.playlist.empty()) return kGeneric;
    if (inst.index < 0) inst.index = 0;
    StartSession(inst);  // after a stop or the end: the last target again
    return kSuccess;
  });
}

int STREVO_ENGINE_CALL VLC_Pause(int id) {
  return Locked(Call("VLC_Pause", id), id, kNoObject, [](Instance& inst) {
    if (!inst.session || inst.session->ended) return kNoObject;
    inst.session->paused = !inst.session->paused;  // a second pause resumes
    return kSuccess;
  });
}

int STREVO_ENGINE_CALL VLC_Stop(int id) { return Locked(Call("VLC_Stop", id), id, kNoObject, StopInstance); }

int STREVO_ENGINE_CALL VLC_IsPlaying(int id) {
  return Locked(Call("VLC_IsPlaying", id), id, 0,
                [](Instance& inst) { return inst.session && inst.session->Playing() ? 1 : 0; });
}

int STREVO_ENGINE_CALL VLC_FullScreen(int id) {
  return Locked(Call("VLC_FullScreen", id), id, kNoObject, [](Instance&) { return kSuccess; });
}

int STREVO_ENGINE_CALL VLC_LengthGet(int id) {
  return Locked(Call("VLC_LengthGet", id), id, kNoObject, [](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s) return kNoObject;
    return s->source.kind == SourceKind::File ? static_cast<int>(s->lengthSeconds) : 0;
  });
}

int STREVO_ENGINE_CALL VLC_TimeGet(int id) {
  return Locked(Call("VLC_TimeGet", id), id, kNoObject, [](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s) return kNoObject;
    if (s->source.kind != SourceKind::File) return static_cast<int>((NowMs() - s->startMs) / 1000);
    int64_t pending = s->seekSeconds;
    return static_cast<int>(pending >= 0 ? pending : s->timeSeconds.load());
  });
}

int STREVO_ENGINE_CALL VLC_TimeSet(int id, int seconds, int relative) {
  std::string call = Call("VLC_TimeSet", id) + " " + std::to_string(seconds) + " " + std::to_string(relative);
  return Locked(call, id, kNoObject, [&](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s || s->source.kind != SourceKind::File) return kNoObject;
    int64_t t = relative ? s->timeSeconds + seconds : seconds;
    int64_t len = s->lengthSeconds;
    s->seekSeconds = t < 0 ? 0 : t > len ? len : t;
    return kSuccess;
  });
}

float STREVO_ENGINE_CALL VLC_PositionGet(int id) {
  return Locked(Call("VLC_PositionGet", id), id, 0.0f, [](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s || s->lengthSeconds <= 0) return 0.0f;
    return static_cast<float>(s->timeSeconds) / static_cast<float>(s->lengthSeconds);
  });
}

float STREVO_ENGINE_CALL VLC_PositionSet(int id, float position) {
  return Locked(Call("VLC_PositionSet", id) + " " + TraceFloat(position), id, 0.0f, [&](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s || s->source.kind != SourceKind::File) return 0.0f;
    float p = position < 0 ? 0 : position > 1 ? 1 : position;
    s->seekSeconds = static_cast<int64_t>(p * static_cast<float>(s->lengthSeconds));
    return p;
  });
}

float STREVO_ENGINE_CALL VLC_SpeedFaster(int id) {
  return Locked(Call("VLC_SpeedFaster", id), id, 1.0f, [](Instance& inst) { return ChangeRate(inst, 2.0f); });
}

float STREVO_ENGINE_CALL VLC_SpeedSlower(int id) {
  return Locked(Call("VLC_SpeedSlower", id), id, 1.0f, [](Instance& inst) { return ChangeRate(inst, 0.5f); });
}

int STREVO_ENGINE_CALL VLC_PlaylistIndex(int id) {
  return Locked(Call("VLC_PlaylistIndex", id), id, kNoObject, [](Instance& inst) { return inst.index; });
}

int STREVO_ENGINE_CALL VLC_PlaylistNumberOfItems(int id) {
  return Locked(Call("VLC_PlaylistNumberOfItems", id), id, kNoObject,
                [](Instance& inst) { return static_cast<int>(inst.playlist.size()); });
}

int STREVO_ENGINE_CALL VLC_PlaylistNext(int id) {
  return Locked(Call("VLC_PlaylistNext", id), id, kNoObject, [](Instance& inst) { return MovePlaylist(inst, 1); });
}

int STREVO_ENGINE_CALL VLC_PlaylistPrev(int id) {
  return Locked(Call("VLC_PlaylistPrev", id), id, kNoObject, [](Instance& inst) { return MovePlaylist(inst, -1); });
}

int STREVO_ENGINE_CALL VLC_PlaylistClear(int id) {
  return Locked(Call("VLC_PlaylistClear", id), id, kNoObject, [](Instance& inst) {
    StopSession(inst);
    inst.playlist.clear();
    inst.index = -1;
    return kSuccess;
  });
}

int STREVO_ENGINE_CALL VLC_VolumeSet(int id, int volume) {
  return Locked(Call("VLC_VolumeSet", id) + " " + std::to_string(volume), id, kNoObject, [&](Instance& inst) {
    inst.volume = volume < 0 ? 0 : volume > 200 ? 200 : volume;
    return kSuccess;
  });
}

int STREVO_ENGINE_CALL VLC_VolumeGet(int id) {
  return Locked(Call("VLC_VolumeGet", id), id, kNoObject, [](Instance& inst) { return inst.volume; });
}

int STREVO_ENGINE_CALL VLC_VolumeMute(int id) {
  return Locked(Call("VLC_VolumeMute", id), id, kNoObject, [](Instance& inst) {
    inst.muted = !inst.muted;
    return kSuccess;
  });
}

const char* STREVO_ENGINE_CALL VLC_Version(void) {
  Trace("VLC_Version");
  std::lock_guard<std::mutex> lock(g_versionMutex);
  g_versionText = EnvUtf8(L"STREVO_ENGINE_VERSION");
  if (g_versionText.empty()) g_versionText = "0.8.6-strevo";
  return g_versionText.c_str();
}

const char* STREVO_ENGINE_CALL VLC_CompileBy(void) {
  Trace("VLC_CompileBy");
  return "strevo";
}

const char* STREVO_ENGINE_CALL VLC_CompileDomain(void) {
  Trace("VLC_CompileDomain");
  return "localhost";
}

const char* STREVO_ENGINE_CALL VLC_CompileHost(void) {
  Trace("VLC_CompileHost");
  return "localhost";
}

const char* STREVO_ENGINE_CALL VLC_Compiler(void) {
  Trace("VLC_Compiler");
  return "gcc (MinGW-w64)";
}

const char* STREVO_ENGINE_CALL VLC_Error(int code) {
  Trace("VLC_Error " + std::to_string(code));
  switch (code) {
    case kSuccess: return "no error";
    case kNoMemory: return "not enough memory";
    case kThreadError: return "thread error";
    case kTimeout: return "timeout";
    case kNoModule: return "module not found";
    case kNoObject: return "object not found";
    case kBadObject: return "bad object type";
    case kNoVariable: return "variable not found";
    case kBadVariable: return "bad variable value";
    case kDied: return "died";
    case kExited: return "exited";
    case kGeneric: return "generic error";
    default: return "unknown error";
  }
}

void* STREVO_ENGINE_CALL vlc_current_object(int id) {
  Trace("vlc_current_object " + std::to_string(id));
  Instance* inst = FindInstance(id);
  return inst ? &inst->root : nullptr;
}

void* STREVO_ENGINE_CALL __vlc_object_find(void* object, int kind, int mode) {
  EngineObject* o = FindObject(object);
  Trace("__vlc_object_find " + ObjectText(o) + " " + std::to_string(kind) + " " + std::to_string(mode));
  if (!o) return nullptr;
  Instance* inst = o->owner;
  std::lock_guard<std::mutex> lock(inst->mu);
  // The outputs and the input exist only while a source is open and live.
  if (!inst->session || !inst->session->Live()) return nullptr;
  switch (kind) {
    case kVoutObject: return &inst->vout;
    case kAoutObject: return &inst->aout;
    case kInputObject: return &inst->input;
    default: return nullptr;
  }
}

int STREVO_ENGINE_CALL __var_Set(void* object, const char* name, vlc_value_t value) {
  EngineObject* o = FindObject(object);
  Stored s = ReadTraced("__var_Set " + ObjectText(o), name, value);
  if (!o) return kBadObject;
  if (!name || !*name) return kNoVariable;
  Instance* inst = o->owner;
  std::lock_guard<std::mutex> lock(inst->mu);
  o->vars[name] = std::move(s);
  if (o->kind == kVoutObject && std::strcmp(name, "video-snapshot") == 0)
    return WriteSnapshot(inst->session.get(), inst->vars, inst->snapshots);
  return kSuccess;
}

int STREVO_ENGINE_CALL __var_Get(void* object, const char* name, vlc_value_t* value) {
  EngineObject* o = FindObject(object);
  Trace("__var_Get " + ObjectText(o) + " " + TraceName(name));
  if (!o) return kBadObject;
  if (!name || !value) return kNoVariable;
  std::lock_guard<std::mutex> lock(o->owner->mu);
  return CopyOut(o->vars, name, value);
}

}  // extern "C"

// Every definition above has the type the binding resolves and calls.
STREVO_ENGINE_ENTRY_POINTS(STREVO_ENGINE_DEFINITION_MATCHES)

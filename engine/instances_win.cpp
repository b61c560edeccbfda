#include "instances_win.h"

#include <windows.h>

#include <map>

#include "status_window_win.h"
#include "trace_win.h"
#include "support/engine_text.h"
#include "util_win.h"

namespace strevo::engine {

using namespace engine_abi;

namespace {

std::mutex g_instancesMutex;
std::map<int, std::unique_ptr<Instance>> g_instances;
int g_nextId = 0;

const char* KindName(ObjectKind k) {
  switch (k) {
    case kInputObject: return "input";
    case kVoutObject: return "vout";
    case kAoutObject: return "aout";
    default: return "root";
  }
}

}  // namespace

int CreateInstance() {
  std::lock_guard<std::mutex> lock(g_instancesMutex);
  auto inst = std::make_unique<Instance>();
  inst->id = g_nextId++;
  int id = inst->id;
  g_instances[id] = std::move(inst);
  return id;
}

Instance* FindInstance(int id) {
  std::lock_guard<std::mutex> lock(g_instancesMutex);
  auto it = g_instances.find(id);
  return it == g_instances.end() ? nullptr : it->second.get();
}

std::unique_ptr<Instance> RemoveInstance(int id, bool& last) {
  std::lock_guard<std::mutex> lock(g_instancesMutex);
  auto it = g_instances.find(id);
  if (it == g_instances.end()) return nullptr;
  std::unique_ptr<Instance> inst = std::move(it->second);
  g_instances.erase(it);
  last = g_instances.empty();
  return inst;
}

EngineObject* FindObject(void* p) {
  std::lock_guard<std::mutex> lock(g_instancesMutex);
  for (auto& [id, inst] : g_instances)
    for (EngineObject* o : {&inst->root, &inst->input, &inst->vout, &inst->aout})
      if (o == p) return o;
  return nullptr;
}

std::string ObjectText(EngineObject* o) {
  return o ? std::to_string(o->owner->id) + ":" + KindName(o->kind) : std::string("null");
}

void StopSession(Instance& inst) {
  std::unique_ptr<Session> s = std::move(inst.session);
  if (!s) return;
  s->stop = true;
  CloseStatusWindow(*s);
  if (s->thread.joinable()) s->thread.join();
}

void StartSession(Instance& inst) {
  StopSession(inst);
  if (inst.index < 0 || inst.index >= static_cast<int>(inst.playlist.size())) return;
  auto s = std::make_unique<Session>();
  s->address = inst.playlist[static_cast<size_t>(inst.index)];
  s->source = ParseSourceAddress(s->address);
  s->iface = TextVar(inst.vars, "conf::miface-addr");
  s->rate = inst.rate;
  s->startMs = NowMs();
  if (auto target = ParseRecordChain(TextVar(inst.vars, "conf::sout"))) {
    bool known = false;
    Recording r;
    r.path = target->path;
    r.mux = RecordMuxFor(target->mux, &known);
    if (!known) Trace("mux " + TraceQuote(target->mux) + " not supported: the transport stream is written unchanged");
    s->recordings.push_back(std::move(r));
  }
  std::string dumpFile = TextVar(inst.vars, "conf::demuxdump-file");
  if (TextVar(inst.vars, "conf::demux") == "dump" && !dumpFile.empty()) {
    Recording r;
    r.path = dumpFile;
    s->recordings.push_back(std::move(r));
  }
  s->windowClass = TextVar(inst.vars, "conf::vout") == "opengl" ? L"VLC WinGDI" : L"VLC DirectX";
  int drawable = IntVar(inst.vars, "drawable", 0);
  s->drawable = reinterpret_cast<HWND>(static_cast<intptr_t>(drawable));
  s->frames.aspect = TextVar(inst.vars, "conf::aspect-ratio");
  s->frames.crop = TextVar(inst.vars, "conf::crop-geometry");
  s->decodeVideo = drawable != 0;
  bool supported = s->source.kind == SourceKind::File || s->source.kind == SourceKind::Http ||
                   s->source.kind == SourceKind::Udp;
  if (!supported) {
    s->ended = true;  // tuners and unknown schemes: nothing plays
  } else {
    if (drawable && IsWindow(s->drawable)) ShowStatusWindow(*s);
    s->thread = std::thread(RunSession, s.get());
  }
  inst.session = std::move(s);
}

Session* OpenSource(Instance& inst) {
  Session* s = inst.session.get();
  return s && s->opened && !s->ended ? s : nullptr;
}

int MovePlaylist(Instance& inst, int step) {
  int next = inst.index + step;
  if (next < 0 || next >= static_cast<int>(inst.playlist.size())) return kGeneric;
  inst.index = next;
  StartSession(inst);
  return kSuccess;
}

float ChangeRate(Instance& inst, float factor) {
  float rate = inst.rate * factor;
  if (rate >= 0.125f && rate <= 8.0f) inst.rate = rate;
  if (inst.session) inst.session->rate = inst.rate;
  return inst.rate;
}

}  // namespace strevo::engine

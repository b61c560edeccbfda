// Engine instances: their variables, their own playlist, the source playing
// and the objects (root, input, outputs) that live variables are set on.
// Every member is guarded by the instance's lock.
#pragma once
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine_abi.h"
#include "session_win.h"
#include "variables_win.h"

namespace strevo::engine {

enum ObjectKind {
  kRootObject = 0,
  kInputObject = engine_abi::kObjectInput,
  kVoutObject = engine_abi::kObjectVideoOutput,
  kAoutObject = engine_abi::kObjectAudioOutput
};

struct Instance;
struct EngineObject {
  ObjectKind kind;
  Instance* owner;
  VarStore vars;
};

struct Instance {
  int id = 0;
  std::mutex mu;
  VarStore vars;
  std::vector<std::string> playlist;
  int index = -1;
  std::unique_ptr<Session> session;
  int volume = 100;
  bool muted = false;
  float rate = 1.0f;
  int snapshots = 0;
  EngineObject root{kRootObject, this, {}}, input{kInputObject, this, {}}, vout{kVoutObject, this, {}},
      aout{kAoutObject, this, {}};
};

// The next id: 0, 1, 2, ...
int CreateInstance();
Instance* FindInstance(int id);
// Takes the instance out of the list; `last` tells whether it was the only one.
std::unique_ptr<Instance> RemoveInstance(int id, bool& last);
// The object `p` points to, if it is one of ours.
EngineObject* FindObject(void* p);
// "<id>:<kind>" for the trace, or null.
std::string ObjectText(EngineObject* o);

// The functions below are called with inst.mu held.

// Starts the playlist entry at inst.index as a new session (stopping the old).
// The stream-output and dump settings are read here, when a target starts.
void StartSession(Instance& inst);
void StopSession(Instance& inst);
// The instance's source while it is open (paused or not), else null.
Session* OpenSource(Instance& inst);
// Starts the entry `step` places on; an error past either end.
int MovePlaylist(Instance& inst, int step);
// Multiplies the file pace by `factor` within 1/8..8; the new rate.
float ChangeRate(Instance& inst, float factor);

}  // namespace strevo::engine

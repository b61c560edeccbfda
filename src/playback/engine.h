// The media engine as the player sees it: the entry points it calls, each on
// the one engine instance of the process. The shell implements it over the
// loaded library; tests implement it with a recorder, so the order of engine
// calls is checked without the library.
#pragma once
#include <string>
#include <vector>

#include "engine_abi.h"

namespace strevo {

// What a variable is set to. The engine's value union carries one of these in
// its first word.
struct EngineValue {
  enum class Type { Int, Float, String };
  Type type = Type::String;
  int i = 0;
  float f = 0;
  std::string s;

  static EngineValue Int(int v) { return {Type::Int, v, 0, {}}; }
  static EngineValue Float(float v) { return {Type::Float, 0, v, {}}; }
  static EngineValue Text(std::string v) { return {Type::String, 0, 0, std::move(v)}; }
};

struct Engine {
  virtual ~Engine() = default;
  virtual int Play() = 0;
  virtual int Pause() = 0;
  virtual int Stop() = 0;
  virtual int PlaylistClear() = 0;
  // Puts the address into the engine's playlist (engine_abi::kModeAppendAndGo
  // at engine_abi::kEndOfList starts it), with the input options of that
  // address alone (":name=value").
  virtual int AddTarget(const std::string& address, const std::vector<std::string>& options, int mode,
                        int position) = 0;
  int AddTarget(const std::string& address, int mode, int position) { return AddTarget(address, {}, mode, position); }
  virtual int IsPlaying() = 0;
  virtual int TimeGet() = 0;
  virtual int LengthGet() = 0;
  virtual int TimeSet(int seconds, bool relative) = 0;
  virtual int VolumeGet() = 0;
  virtual int VolumeSet(int volume) = 0;  // 0..200
  virtual int VolumeMute() = 0;
  // An engine whose mute is a flag of its own, which no volume change clears,
  // is told the player's mute state outright instead of toggling it.
  virtual bool MuteIsAFlag() { return false; }
  virtual int MuteSet(bool) { return engine_abi::kGeneric; }
  // Whether the engine can draw the picture as the desktop's background
  // (desktop mode); an engine that cannot is not offered the mode.
  virtual bool DrawsOnDesktop() { return true; }
  virtual void SpeedFaster() = 0;
  virtual void SpeedSlower() = 0;
  virtual int VariableSet(const std::string& name, const EngineValue& value) = 0;
  virtual std::string Version() = 0;
  // The instance's root object, and a running object of a kind below it
  // (engine_abi::kObjectVideoOutput, ...; null when there is none).
  virtual void* CurrentObject() = 0;
  virtual void* FindObject(void* from, int kind) = 0;
  virtual int ObjectVariableSet(void* object, const std::string& name, const EngineValue& value) = 0;
};

}  // namespace strevo

// The media engine library: found at run time, loaded, its entry points
// resolved by name, and one engine instance wrapped per process.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine_abi.h"
#include "playback/engine.h"

namespace strevo {

// Load result: 0 all resolved, -1 library not loaded, -2 an entry point missing.
inline constexpr int kVlcLoaded = 0;
inline constexpr int kVlcNoLibrary = -1;
inline constexpr int kVlcMissingEntry = -2;

// One function pointer per entry point, null when the library lacks it;
// members are named as in the ABI header (`var_Set` for "__var_Set", ...).
struct VlcEntryPoints {
#define STREVO_VLC_MEMBER(member, symbol, result, params) engine_abi::member##_fn member;
  STREVO_ENGINE_ENTRY_POINTS(STREVO_VLC_MEMBER)
#undef STREVO_VLC_MEMBER
};

// The engine folder with its closing "\" ("" when none was found; searched
// again on the next call until one is).
std::string VlcEngineFolder();
// Loads the library and resolves the table (once loaded, kept). Returns the
// last error: kVlcLoaded, kVlcNoLibrary or kVlcMissingEntry.
int VlcLoad();
const VlcEntryPoints& Vlc();
// The loaded library (null before VlcLoad found one), for the 3.x binding.
HMODULE VlcLibrary();

class TVLCPlugin {
 public:
  // With a host, the engine draws into it and construction errors are shown.
  explicit TVLCPlugin(HWND host = nullptr);
  ~TVLCPlugin();
  TVLCPlugin(const TVLCPlugin&) = delete;
  TVLCPlugin& operator=(const TVLCPlugin&) = delete;

  int Id() const { return id_; }  // -1: no engine
  bool Loaded() const { return id_ != -1; }

  int AddIntf(const char* module, int block, int play);
  int AddTarget(const std::string& target, const std::vector<std::string>& options, int mode, int position);
  int AddTarget(const std::string& target, int mode, int position) { return AddTarget(target, {}, mode, position); }
  int IsPlaying();
  int LengthGet();
  int TimeGet();
  int TimeSet(int seconds, int relative);
  int Play();
  int Pause();
  int Stop();
  int PlaylistClear();
  float SpeedFaster();
  float SpeedSlower();
  int VariableSet(const char* name, vlc_value_t value);
  int VariableGet(const char* name, vlc_value_t* value);
  int VolumeGet();
  int VolumeSet(int volume);
  int VolumeMute();
  std::string Version();
  std::string Error(int code);
  void* CurrentObject();
  void* ObjectFind(void* from, int kind);
  int ObjectVarSet(void* object, const char* name, vlc_value_t value);

 private:
  HWND host_ = nullptr;
  int id_ = -1;
};

// The player control layer's engine over a TVLCPlugin.
class VlcEngine : public Engine {
 public:
  explicit VlcEngine(TVLCPlugin& plugin) : p_(plugin) {}
  int Play() override { return p_.Play(); }
  int Pause() override { return p_.Pause(); }
  int Stop() override { return p_.Stop(); }
  int PlaylistClear() override { return p_.PlaylistClear(); }
  using Engine::AddTarget;
  int AddTarget(const std::string& a, const std::vector<std::string>& options, int mode, int pos) override {
    return p_.AddTarget(a, options, mode, pos);
  }
  int IsPlaying() override { return p_.IsPlaying(); }
  int TimeGet() override { return p_.TimeGet(); }
  int LengthGet() override { return p_.LengthGet(); }
  int TimeSet(int s, bool relative) override { return p_.TimeSet(s, relative ? 1 : 0); }
  int VolumeGet() override { return p_.VolumeGet(); }
  int VolumeSet(int v) override { return p_.VolumeSet(v); }
  int VolumeMute() override { return p_.VolumeMute(); }
  void SpeedFaster() override { p_.SpeedFaster(); }
  void SpeedSlower() override { p_.SpeedSlower(); }
  int VariableSet(const std::string& name, const EngineValue& v) override;
  std::string Version() override { return p_.Version(); }
  void* CurrentObject() override { return p_.CurrentObject(); }
  void* FindObject(void* from, int kind) override { return p_.ObjectFind(from, kind); }
  int ObjectVariableSet(void* o, const std::string& name, const EngineValue& v) override;

 private:
  TVLCPlugin& p_;
};

}  // namespace strevo

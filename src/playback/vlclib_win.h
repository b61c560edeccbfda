// The media engine library: found at run time, loaded, its entry points
// resolved by name, and one engine instance wrapped per process.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "playback/engine.h"

namespace strevo {

// The engine's 8-byte value union; the player fills the first word only.
typedef union {
  int i_int;
  float f_float;
  char* psz_string;
  void* p_address;
  int64_t i_time;
} vlc_value_t;
static_assert(sizeof(vlc_value_t) == 8, "the engine's value union is 8 bytes");

// Load result: 0 all resolved, -1 library not loaded, -2 an entry point missing.
inline constexpr int kVlcLoaded = 0;
inline constexpr int kVlcNoLibrary = -1;
inline constexpr int kVlcMissingEntry = -2;

struct VlcEntryPoints {
  int (*rootwrap)(void);
  int (*VLC_AddIntf)(int, const char*, int, int);
  int (*VLC_AddTarget)(int, const char*, const char**, int, int, int);
  int (*VLC_CleanUp)(int);
  const char* (*VLC_CompileBy)(void);
  const char* (*VLC_CompileDomain)(void);
  const char* (*VLC_CompileHost)(void);
  const char* (*VLC_Compiler)(void);
  int (*VLC_Create)(void);
  int (*VLC_Destroy)(int);
  int (*VLC_Die)(int);
  const char* (*VLC_Error)(int);
  int (*VLC_FullScreen)(int);
  int (*VLC_Init)(int, int, char*[]);
  int (*VLC_IsPlaying)(int);
  int (*VLC_LengthGet)(int);
  int (*VLC_Pause)(int);
  int (*VLC_Play)(int);
  int (*VLC_PlaylistClear)(int);
  int (*VLC_PlaylistIndex)(int);
  int (*VLC_PlaylistNext)(int);
  int (*VLC_PlaylistNumberOfItems)(int);
  int (*VLC_PlaylistPrev)(int);
  float (*VLC_PositionGet)(int);
  float (*VLC_PositionSet)(int, float);
  float (*VLC_SpeedFaster)(int);
  float (*VLC_SpeedSlower)(int);
  int (*VLC_Stop)(int);
  int (*VLC_TimeGet)(int);
  int (*VLC_TimeSet)(int, int, int);
  int (*VLC_VariableGet)(int, const char*, vlc_value_t*);
  int (*VLC_VariableSet)(int, const char*, vlc_value_t);
  int (*VLC_VariableType)(int, const char*, int*);
  const char* (*VLC_Version)(void);
  int (*VLC_VolumeGet)(int);
  int (*VLC_VolumeMute)(int);
  int (*VLC_VolumeSet)(int, int);
  int (*var_Set)(void*, const char*, vlc_value_t);    // "__var_Set"
  int (*var_Get)(void*, const char*, vlc_value_t*);   // "__var_Get"
  void* (*vlc_object_find)(void*, int, int);          // "__vlc_object_find"
  void* (*vlc_current_object)(int);
};

// The engine folder with its closing "\" ("" when none was found; searched
// again on the next call until one is).
std::string VlcEngineFolder();
// Loads the library and resolves the table (once loaded, kept). Returns the
// last error: kVlcLoaded, kVlcNoLibrary or kVlcMissingEntry.
int VlcLoad();
const VlcEntryPoints& Vlc();

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
  int AddTarget(const std::string& target, int mode, int position);
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
  int AddTarget(const std::string& a, int mode, int pos) override { return p_.AddTarget(a, mode, pos); }
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

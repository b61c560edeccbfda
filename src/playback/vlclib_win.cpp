#include "playback/vlclib_win.h"

#include "win/util_win.h"

namespace strevo {

static std::string g_folder;
static HMODULE g_library = nullptr;
static int g_lastError = kVlcNoLibrary;
static VlcEntryPoints g_vlc{};

static std::string RegistryInstallDir() {
  HKEY key;
  // Full access as the engine's installer leaves it; a limited user fails here.
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VideoLAN\\VLC", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return {};
  wchar_t buf[MAX_PATH * 2] = {};
  DWORD size = sizeof buf - sizeof(wchar_t), type = 0;
  std::string dir;
  if (RegQueryValueExW(key, L"InstallDir", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ))
    dir = Narrow(buf) + "\\";
  RegCloseKey(key);
  return dir;
}

std::string VlcEngineFolder() {
  if (!g_folder.empty()) return g_folder;
  const std::string exeFolder = ExeFolder() + "\\";
  if (FileExists(exeFolder + "LibVLC.dll")) g_folder = exeFolder;
  else if (FileExists(exeFolder + "Vlc\\LibVLC.dll")) g_folder = exeFolder + "Vlc\\";
  else g_folder = RegistryInstallDir();
  return g_folder;
}

template <typename F>
static void Resolve(F& slot, const char* name) {
  slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_library, name)));
  if (!slot) g_lastError = kVlcMissingEntry;
}

int VlcLoad() {
  if (g_library && g_lastError == kVlcLoaded) return kVlcLoaded;
  if (!g_library) {
    g_library = LoadLibraryW(L"libvlc.dll");
    if (!g_library) {
      const std::string folder = VlcEngineFolder();
      // The library's own folder first for what it loads: a 3.x engine's
      // libvlc.dll needs libvlccore.dll beside it.
      if (!folder.empty())
        g_library = LoadLibraryExW(Widen(folder + "libvlc.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (!g_library) return g_lastError = kVlcNoLibrary;
  }
  g_lastError = kVlcLoaded;
  // Every name, in the table's order; a missing one only marks the load failed.
#define STREVO_VLC_RESOLVE(member, symbol, result, params) Resolve(g_vlc.member, #symbol);
  STREVO_ENGINE_ENTRY_POINTS(STREVO_VLC_RESOLVE)
#undef STREVO_VLC_RESOLVE
  return g_lastError;
}

const VlcEntryPoints& Vlc() { return g_vlc; }
HMODULE VlcLibrary() { return g_library; }

static vlc_value_t IntValue(int v) {
  vlc_value_t value{};
  value.i_int = v;
  return value;
}

TVLCPlugin::TVLCPlugin(HWND host) : host_(host) {
  if (VlcLoad() != kVlcLoaded) {
    id_ = -1;
    return;
  }
  id_ = g_vlc.VLC_Create();
  // The engine keeps argv's texts only during the call.
  std::string folder = Utf8ToAnsi(VlcEngineFolder());
  char* argv[2] = {folder.data(), nullptr};
  int code = g_vlc.VLC_Init(id_, 1, argv);
  if (!host_) return;
  if (code >= 0) {
    RECT rc{};
    GetClientRect(host_, &rc);
    code = g_vlc.VLC_VariableSet(id_, "conf::width", IntValue(rc.right - rc.left));
    if (code >= 0) code = g_vlc.VLC_VariableSet(id_, "conf::height", IntValue(rc.bottom - rc.top));
    if (code >= 0)
      code = g_vlc.VLC_VariableSet(id_, "drawable", IntValue(static_cast<int>(reinterpret_cast<intptr_t>(host_))));
    if (code >= 0) {
      vlc_value_t back{};
      code = g_vlc.VLC_VariableGet(id_, "drawable", &back);
    }
  }
  if (code < 0)
    MessageBoxUtf8(host_, "Error " + std::to_string(code) + " :" + Error(code), "error", MB_OK | MB_ICONWARNING);
}

TVLCPlugin::~TVLCPlugin() {
  if (id_ == -1) return;
  g_vlc.VLC_CleanUp(id_);
  g_vlc.VLC_Destroy(id_);
}

// Every call below is made only with an engine: callers test Loaded(), and
// these return a neutral value otherwise.
int TVLCPlugin::AddIntf(const char* module, int block, int play) {
  return Loaded() ? g_vlc.VLC_AddIntf(id_, module, block, play) : -1;
}
int TVLCPlugin::AddTarget(const std::string& target, const std::vector<std::string>& options, int mode,
                          int position) {
  if (!Loaded()) return -1;
  std::vector<const char*> texts;
  for (const std::string& option : options) texts.push_back(option.c_str());
  return g_vlc.VLC_AddTarget(id_, target.c_str(), texts.empty() ? nullptr : texts.data(),
                             static_cast<int>(texts.size()), mode, position);
}
int TVLCPlugin::IsPlaying() { return Loaded() ? g_vlc.VLC_IsPlaying(id_) : 0; }
int TVLCPlugin::LengthGet() { return Loaded() ? g_vlc.VLC_LengthGet(id_) : 0; }
int TVLCPlugin::TimeGet() { return Loaded() ? g_vlc.VLC_TimeGet(id_) : 0; }
int TVLCPlugin::TimeSet(int seconds, int relative) {
  return Loaded() ? g_vlc.VLC_TimeSet(id_, seconds, relative) : -1;
}
int TVLCPlugin::Play() { return Loaded() ? g_vlc.VLC_Play(id_) : -1; }
int TVLCPlugin::Pause() { return Loaded() ? g_vlc.VLC_Pause(id_) : -1; }
int TVLCPlugin::Stop() { return Loaded() ? g_vlc.VLC_Stop(id_) : -1; }
int TVLCPlugin::PlaylistClear() { return Loaded() ? g_vlc.VLC_PlaylistClear(id_) : -1; }
float TVLCPlugin::SpeedFaster() { return Loaded() ? g_vlc.VLC_SpeedFaster(id_) : 0; }
float TVLCPlugin::SpeedSlower() { return Loaded() ? g_vlc.VLC_SpeedSlower(id_) : 0; }
int TVLCPlugin::VariableSet(const char* name, vlc_value_t value) {
  return Loaded() ? g_vlc.VLC_VariableSet(id_, name, value) : -1;
}
int TVLCPlugin::VariableGet(const char* name, vlc_value_t* value) {
  return Loaded() ? g_vlc.VLC_VariableGet(id_, name, value) : -1;
}
int TVLCPlugin::VolumeGet() { return Loaded() ? g_vlc.VLC_VolumeGet(id_) : 0; }
int TVLCPlugin::VolumeSet(int volume) { return Loaded() ? g_vlc.VLC_VolumeSet(id_, volume) : -1; }
int TVLCPlugin::VolumeMute() { return Loaded() ? g_vlc.VLC_VolumeMute(id_) : -1; }
std::string TVLCPlugin::Version() {
  const char* v = Loaded() ? g_vlc.VLC_Version() : nullptr;
  return v ? v : "";
}
std::string TVLCPlugin::Error(int code) {
  const char* e = g_vlc.VLC_Error ? g_vlc.VLC_Error(code) : nullptr;
  return e ? e : "";
}
void* TVLCPlugin::CurrentObject() { return Loaded() ? g_vlc.vlc_current_object(id_) : nullptr; }
void* TVLCPlugin::ObjectFind(void* from, int kind) {
  return Loaded() && from ? g_vlc.vlc_object_find(from, kind, engine_abi::kFindAnywhere) : nullptr;
}
int TVLCPlugin::ObjectVarSet(void* object, const char* name, vlc_value_t value) {
  return Loaded() && object ? g_vlc.var_Set(object, name, value) : -1;
}

// The value's text must outlive the call: it is held by `text`.
static vlc_value_t ToVlcValue(const EngineValue& v, std::string& text) {
  vlc_value_t value{};
  switch (v.type) {
    case EngineValue::Type::Int: value.i_int = v.i; break;
    case EngineValue::Type::Float: value.f_float = v.f; break;
    case EngineValue::Type::String:
      text = v.s;
      value.psz_string = text.data();
      break;
  }
  return value;
}

int VlcEngine::VariableSet(const std::string& name, const EngineValue& v) {
  std::string text;
  return p_.VariableSet(name.c_str(), ToVlcValue(v, text));
}

int VlcEngine::ObjectVariableSet(void* o, const std::string& name, const EngineValue& v) {
  std::string text;
  return p_.ObjectVarSet(o, name.c_str(), ToVlcValue(v, text));
}

}  // namespace strevo

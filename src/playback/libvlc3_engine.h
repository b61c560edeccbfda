// The player's engine over the 3.x engine interface: one instance and one
// media player, driven through a table of entry points (loaded from the
// library at run time; a recording table in tests). Everything the player
// asks in the 0.8 engine's terms is translated here.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "playback/engine.h"
#include "playback/libvlc3_api.h"
#include "playback/libvlc3_options.h"

namespace strevo {

// No title over the picture at each start, and no engine messages on the
// console or the debugger.
inline const std::vector<std::string> kLibvlc3Options = {"--no-video-title-show", "--quiet"};

class Libvlc3Engine : public Engine {
 public:
  // The name of the network interface that has an address ("" when none):
  // the 3.x engine joins multicast groups on an interface named so.
  using InterfaceNamer = std::function<std::string(const std::string& address)>;

  // Creates the instance with the player's own options (kLibvlc3Options)
  // followed by `args`, and its media player; `window` (may be null) is where
  // the video is drawn, the engine's own mouse and key handling off on it.
  Libvlc3Engine(const Libvlc3Api& api, const std::vector<std::string>& args, void* window,
                InterfaceNamer interfaceOf = {});
  ~Libvlc3Engine() override;
  Libvlc3Engine(const Libvlc3Engine&) = delete;
  Libvlc3Engine& operator=(const Libvlc3Engine&) = delete;

  // False when the engine refused to start: no call may follow.
  bool Loaded() const { return player_ != nullptr; }
  // The engine's own text for its last failure.
  std::string LastError();

  int Play() override;
  int Pause() override;
  int Stop() override;
  int PlaylistClear() override;
  using Engine::AddTarget;
  int AddTarget(const std::string& address, const std::vector<std::string>& options, int mode,
                int position) override;
  int IsPlaying() override;
  int TimeGet() override;
  int LengthGet() override;
  int TimeSet(int seconds, bool relative) override;
  int VolumeGet() override;
  int VolumeSet(int volume) override;
  int VolumeMute() override;
  bool MuteIsAFlag() override { return true; }
  int MuteSet(bool muted) override;
  // Its interface offers no wallpaper output ("conf::directx-wallpaper" has
  // no counterpart): the desktop would show the key colour and no picture.
  bool DrawsOnDesktop() override { return false; }
  void SpeedFaster() override;
  void SpeedSlower() override;
  int VariableSet(const std::string& name, const EngineValue& value) override;
  std::string Version() override;
  void* CurrentObject() override;
  void* FindObject(void* from, int kind) override;
  int ObjectVariableSet(void* object, const std::string& name, const EngineValue& value) override;

  // The engine's own mute flag: 1, 0, or -1 without an audio output.
  int EngineMute() { return Loaded() ? api_.libvlc_audio_get_mute(player_) : -1; }

  // The ":option" texts the next media gets, in the order first set.
  std::vector<std::string> MediaOptions() const;

 private:
  int StartMedia();
  void SetOption(const std::string& key, const std::string& option);
  void ApplyFilters();
  void SetAudioDevice(int index);
  int SetAudioTrack(int index);
  int TakeSnapshot();
  bool HasInput();
  void KeepVolume();

  const Libvlc3Api& api_;
  InterfaceNamer interfaceOf_;
  libvlc_instance_t* instance_ = nullptr;
  libvlc_media_player_t* player_ = nullptr;
  std::string target_;  // the address the player started last ("" after a clear)
  std::vector<std::pair<std::string, std::string>> options_;  // key, ":option"
  std::vector<std::string> targetOptions_;                    // the address's own, ":option"
  Libvlc3Filters filters_;
  std::string deinterlaceMode_, cropGeometry_, snapshotFolder_;
  bool autoCrop_ = false;
  int volume_ = -1;  // last set, for an engine without an audio output yet
  int muted_ = -1;   // likewise: -1 never set, else 0 or 1
  // The running objects the player looks for: stand-ins for the 0.8
  // engine's video output, audio output and input.
  char root_ = 0, videoOutput_ = 0, audioOutput_ = 0, input_ = 0;
};

}  // namespace strevo

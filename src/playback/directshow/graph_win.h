// The DirectShow playback path: a filter graph built anew for every address,
// rendering into a panel of the video window, registered in the running
// object table so that graph-inspection tools can see it.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "playback/directshow/video_layout.h"
#include "playback/player.h"

struct IGraphBuilder;
struct IVideoWindow;
struct IMediaControl;
struct IBasicAudio;
struct IBasicVideo;
struct IMediaPosition;

namespace strevo {

class DirectShowPlayer : public DirectShowGraph {
 public:
  // `panel` owns the renderer window. `started` runs once a graph runs,
  // before its picture is shown: the settings are applied there.
  DirectShowPlayer(HWND panel, std::function<void()> started);
  ~DirectShowPlayer() override;
  DirectShowPlayer(const DirectShowPlayer&) = delete;
  DirectShowPlayer& operator=(const DirectShowPlayer&) = delete;

  // dxplaymrl: a new graph for `address`; "" leaves an empty graph.
  void PlayMrl(const std::string& address) override;
  void Run() override;
  void Pause() override;
  bool VideoWindowExists() override;
  bool HasPosition() override;
  double CurrentPosition() override;
  double Duration() override;
  void SetCurrentPosition(double seconds) override;
  bool HasAudio() override;
  int AudioVolume() override;
  void SetAudioVolume(int hundredthsDb) override;
  bool HasVideo() override;
  void SetSourceRect(int left, int top, int width, int height) override;
  void ResetSourceRect() override;

  // The renderer window over the whole w x h panel (the zoom sizes the panel
  // itself), and the picture fitted in it at `forced` or else at the source's
  // own size.
  void Layout(int w, int h, std::optional<AspectRatio> forced);
  // Erases the bars around a picture smaller than the renderer window.
  void ClearBars();
  // Drops the graph and its registration (the shut-down).
  void Release();

  HWND panel() const { return panel_; }
  DWORD registration() const { return rotCookie_; }

 private:
  void ReleaseInterfaces();
  HWND panel_;
  std::function<void()> started_;
  IGraphBuilder* graph_ = nullptr;
  IVideoWindow* window_ = nullptr;
  IMediaControl* control_ = nullptr;
  IBasicAudio* audio_ = nullptr;
  IBasicVideo* video_ = nullptr;
  IMediaPosition* position_ = nullptr;
  DWORD rotCookie_ = 0;
  VideoRect area_, picture_;  // the last layout, in the panel and in the renderer window
};

}  // namespace strevo

// The window side of playback: the engine object on its host panel and the
// host the playback operations call back into.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "playback/player.h"

namespace strevo {

struct MainWindow;

class PlayerHostWin : public PlayerHost {
 public:
  explicit PlayerHostWin(MainWindow& mw) : mw_(mw) {}
  void PumpMessages() override;
  void SleepMs(int ms) override;
  long long NowMs() override;
  void WaitForMessages(int ms) override;
  DateTime LocalNow() override;
  void ShowInformation(const std::string& text) override;
  bool CanCreateFile(const std::string& path) override;
  void ShowSelection(int index) override;
  void SetChannelLabel(const std::string& text) override;
  void RedrawControlBar() override;
  bool AskOpenFile(std::string& chosen) override;
  bool FileExists(const std::string& path) override;
  void SetProcessPriority(bool high) override;
  void ArmStartPlayTimer() override;
  void AfterSwitch() override;
  void ShowChannelSettings() override;
  void ShowCaptureFolder(const std::string& folder) override;
  void EnableCropEdits(bool enabled) override;
  void SetVolumeTooltip(const std::string& text) override;
  void FocusKeyControl() override;
  bool GuideWindowVisible() override;
  void RegenerateGuideWindow() override;

 private:
  MainWindow& mw_;
};

// Start-up: the playback state's window side (before anything plays).
void InitPlayback(MainWindow& mw);
// Start-up, unless in DirectShow mode: the engine host panel inside frmVideo
// and the engine object on it.
void CreateEngineObject(MainWindow& mw);
// Closing: stops playback and destroys the engine object.
void ReleaseEngineObject(MainWindow& mw);
// Keeps the engine host filling the video window, enlarged by the zoom.
void FitEngineHost(MainWindow& mw);

// Files dropped on the main window or the video window: the first one plays.
void AcceptDroppedFiles(MainWindow& mw);
void OnDropFiles(MainWindow& mw, HDROP drop);
void OnStartPlayTimer(MainWindow& mw);

// The running system's major version (6 for Vista and 7, 10 for 10 and 11).
int WindowsMajorVersion();

}  // namespace strevo

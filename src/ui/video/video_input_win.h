// The video window's and the panel's keys, mouse and wheel: the messages
// are read here, turned into commands by the bindings of ui/input.h and run
// through the one dispatcher; the commands that only input has (the
// regulators, the zoom, full screen, the wheel's resizing, the drags) are
// carried out here too.
#pragma once
#include <windows.h>

namespace strevo {

struct MainWindow;
struct Command;

struct VideoInputState {
  int zoom = 0;               // 0..100: the picture enlarged by that many per cent on every side
  bool cursorHidden = false;  // set by the cursor timer in full screen, cleared by a mouse move
  bool rightButtonWheeled = false;  // the wheel turned while the right button was held
  // The windows' places before full screen, put back exactly afterwards.
  RECT videoBeforeFullScreen{};
  RECT panelBeforeFullScreen{};
};

// The key handler on ebhotkey and on the panel's key receiver; the engine's
// host panel lets the mouse through to the video window. After the overlays exist.
void InstallInputHandlers(MainWindow& mw);

// The engine draws in windows of its own threads inside its host panel; they
// are made to let the mouse through to the video window as the panel does.
// Cheap when there is nothing new; the status tick calls it.
void LetMouseThroughEngineWindows(MainWindow& mw);

// frmVideo's and the panel's input messages; true when handled (the message
// then returns `result`).
bool HandleVideoInput(MainWindow& mw, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
bool HandlePanelInput(MainWindow& mw, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

// A key with its modifier flags, as both key fields handle it: logged and run.
void HandleKey(MainWindow& mw, int key, int modifiers);

// What the commands that only input has do (the dispatcher's handlers call them).
// Up or Down: the guide list's, else the channel list's selection, else the
// current regulator.
void StepSelectionOrRegulator(MainWindow& mw, bool up);
// Enter (direction 1) or Shift+Enter (-1).
void EnterKey(MainWindow& mw, int direction);
void SetZoom(MainWindow& mw, int zoom);
int Zoom(const MainWindow& mw);
// The guide of the channel selected in the shown channel list, else the current one's.
void ShowGuideOfSelectionOrCurrent(MainWindow& mw);
// The guide list or channel list under the pointer, one line.
void ScrollListUnderPointer(MainWindow& mw, bool up);
void ToggleFullScreen(MainWindow& mw);
void ScaleVideoWindow(MainWindow& mw, bool larger);
void DragWindow(MainWindow& mw);
// The system's sizing of the video window from the edge SC_SIZE + `edge` names.
void ResizeVideoWindow(MainWindow& mw, int edge);
void DragPanel(MainWindow& mw);

}  // namespace strevo

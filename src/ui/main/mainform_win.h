// The main window's controls: the top bar, the bottom control bar, the channel
// selector, the sliders, tool tips and the tray icon.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <array>
#include <map>
#include <string>

#include "config/config.h"
#include "ui/main/main_controls.h"
#include "ui/commands/menus_win.h"

namespace strevo {

struct MainWindow;

inline constexpr std::array<COLORREF, 7> ColoursOf(const InterfaceColors& colors) {
  std::array<COLORREF, 7> out{};
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<COLORREF>(colors[i]);
  return out;
}

// The seven interface colours (the configuration's order).
struct Palette {
  std::array<COLORREF, 7> colour = ColoursOf(kDefaultColors);
  COLORREF GradientTop() const { return colour[0]; }
  COLORREF GradientBottom() const { return colour[1]; }
  COLORREF Text() const { return colour[2]; }
  COLORREF Slider() const { return colour[3]; }
  COLORREF Shadow() const { return colour[4]; }
  COLORREF Highlight() const { return colour[5]; }
  COLORREF Osd() const { return colour[6]; }
};

struct MainForm {
  HWND topBar = nullptr, bottomBar = nullptr, dockPanel = nullptr;
  std::map<int, HWND> controls;  // by MainControlId
  HWND tooltip = nullptr;
  HFONT tahoma = nullptr, captionFont1 = nullptr, captionFont2 = nullptr, versionFont = nullptr, timeFont = nullptr;
  bool onTop = false;
  Palette palette;
  NOTIFYICONDATAW tray{};
  bool trayShown = false;
  PopupMenu mainMenu, listMenu;
  // How the two windows sat at start-up (moving them together).
  bool videoAboveMain = false;
  bool following = false;  // set while one window follows the other: its own move must not pull back
  int videoOffsetX = 0;

  HWND Control(int id) const {
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
  }
};

// Builds the bars, buttons, sliders, selector, tool tips and both menus.
void BuildMainForm(MainWindow& mw);
// Lays the bars (and the docked video panel) out in the client area.
void LayoutMainForm(MainWindow& mw);
void SetOnTopButton(MainWindow& mw, bool on);
void ShowTrayIcon(MainWindow& mw, bool shown);
// Volume and position bars: 0..100.
int SliderPosition(HWND bar);
void SetSliderPosition(HWND bar, int position);
void SetCurrentChannelText(MainWindow& mw, const std::string& text);
// The channel selector over the current-channel label, opened.
void OpenChannelSelector(MainWindow& mw);

// Adds a tool tip to a control of any of the player's windows.
void AddToolTip(MainWindow& mw, HWND control, const std::string& tip);
// Changes the text of a control's tool tip.
void SetToolTip(MainWindow& mw, HWND control, const std::string& tip);

// Whether a glyph font is installed (otherwise a plain fallback text is drawn).
bool FontInstalled(const wchar_t* family);
// A font and text for a glyph: the symbol font when it has the glyph, else the
// fallback text in the first installed text font that has it (never a box).
HFONT PickGlyphFont(const wchar_t* family, wchar_t glyph, const wchar_t* fallback, int height, bool bold,
                    std::wstring& text);

}  // namespace strevo

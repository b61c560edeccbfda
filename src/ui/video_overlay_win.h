// The overlay controls of the video window: the empty-screen panel with the
// logo, the OSD line, the recording line, the mute sign, the control strip,
// the guide list and the key-capture field. They are made at start-up with
// their looks and kept hidden; the status tick and the OSD show and fill them.
#pragma once
#include <windows.h>

namespace strevo {

struct MainWindow;

struct VideoOverlays {
  HWND pnEmptyScr = nullptr;  // covers the picture area when nothing is rendered
  HWND lbinfo = nullptr;      // the logo in the middle of pnEmptyScr
  HWND lbcursub = nullptr;    // the OSD line
  HWND lbrecbox = nullptr;    // the recording line
  HWND lbmute = nullptr;      // the mute sign
  HWND lbControls = nullptr;  // the control strip
  HWND box = nullptr;         // the guide list
  HWND ebhotkey = nullptr;    // holds the video window's keyboard focus
};

// The overlay colour key: text on it shows over the engine's picture.
COLORREF OverlayKeyColour(bool directShowMode);

// Creates the controls in mw.frmVideo, with "Images\Logo.bmp" beside the exe
// as the logo when it exists, else the glyph logo.
void CreateVideoOverlays(MainWindow& mw);

// WM_CTLCOLORSTATIC of the video window: the overlay labels' colours on the
// colour key; null for any other control.
HBRUSH OverlayColours(MainWindow& mw, HWND control, HDC dc);

}  // namespace strevo

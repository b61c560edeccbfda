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
  // The fonts the layout sized to the window, and the size they were made for.
  int fontSize = 0;
  COLORREF text = RGB(255, 255, 255);  // the OSD's and the control strip's (the palette's seventh)
  COLORREF logo = RGB(192, 192, 192);  // the glyph logo's: silver until the palette is applied
  HFONT osdFont = nullptr, glyphFont = nullptr, boxFont = nullptr;
};

// The overlay colour key: text on it shows over the engine's picture.
COLORREF OverlayKeyColour(bool directShowMode);

// Creates the controls in mw.frmVideo, with "Images\Logo.bmp" beside the exe
// as the logo when it exists, else the glyph logo.
void CreateVideoOverlays(MainWindow& mw);

// WM_CTLCOLORSTATIC of the video window: the overlay labels' colours on the
// colour key; null for any other control.
HBRUSH OverlayColours(MainWindow& mw, HWND control, HDC dc);

// Draws the control strip (owner-drawn, so that each glyph sits on its zone
// and a plain character stands in for one the symbol font lacks); false for
// any other control.
bool DrawControlStrip(MainWindow& mw, const DRAWITEMSTRUCT& item);

// Places and sizes the overlays for the video window's client area, with
// fonts that follow its width.
void LayOutVideoWindow(MainWindow& mw);

}  // namespace strevo

#include "ui/main/colours_win.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include "../../resources/resource.h"
#include "base/eventlog.h"
#include "ui/main/mainwindow_win.h"
#include "ui/main/palette.h"
#include "ui/settings/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

namespace {

SystemColours CurrentSystemColours() {
  return {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW),
          GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_HIGHLIGHT)};
}

// The seven dialogs in the palette's order; a cancelled one keeps its colour
// and the others still follow.
void AskColours(MainWindow& mw, PaletteColours& colours) {
  const std::string caption = LoadStringUtf8(IDS_COLOURS_CAPTION);
  if (MessageBoxUtf8(mw.frmCfg, LoadStringUtf8(IDS_COLOURS_INTRO), caption, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return;
  COLORREF custom[16] = {};
  for (size_t i = 0; i < colours.size(); ++i) custom[i] = colours[i];
  for (Rgb& colour : colours) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = mw.frmCfg;
    cc.rgbResult = colour;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (ChooseColorW(&cc)) colour = cc.rgbResult;
  }
}

void PaintBars(MainWindow& mw, const PaletteUse& use) {
  MainForm& f = mw.form;
  for (int id : {kPbVolume, kPbPosition, kPbTransfer}) {
    if (HWND bar = f.Control(id)) {
      SendMessageW(bar, PBM_SETBARCOLOR, 0, use.slider);
      SendMessageW(bar, PBM_SETBKCOLOR, 0, use.controlBackground);
    }
  }
  static HBRUSH background = nullptr;
  if (background) DeleteObject(background);
  background = CreateSolidBrush(use.windowBackground);
  SetClassLongPtrW(mw.hwnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(background));
  RedrawWindow(mw.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

void ApplyInterfaceColours(MainWindow& mw, bool askUser) {
  const bool own = IsChecked(mw.settings, kIdOwnColours);
  mw.globals.ownColors = own;
  EnableWindow(mw.settings.Control(kIdColoursDialog), own);
  PaletteColours user{};
  for (size_t i = 0; i < user.size(); ++i) user[i] = static_cast<Rgb>(mw.globals.colors[i]);
  if (own && askUser) {
    AskColours(mw, user);
    for (size_t i = 0; i < user.size(); ++i) mw.globals.colors[i] = static_cast<int>(user[i]);
  }
  const PaletteColours palette = ActivePalette(own, user, CurrentSystemColours());
  for (size_t i = 0; i < palette.size(); ++i) mw.form.palette.colour[i] = palette[i];
  const PaletteUse use = UseOf(palette);
  PaintBars(mw, use);
  // The video window's texts: the channel list, the guide list, the OSD and the logo.
  mw.overlays.text = mw.overlays.logo = use.videoText;
  if (mw.overlays.pnEmptyScr) InvalidateRect(mw.overlays.pnEmptyScr, nullptr, TRUE);
  for (HWND h : {mw.lstPlaylist, mw.overlays.box, mw.overlays.lbcursub, mw.overlays.lbControls})
    if (h) InvalidateRect(h, nullptr, TRUE);
  LogLine("usercolors applied");
}

}  // namespace strevo

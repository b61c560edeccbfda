// The video window's overlays placed for its size: the OSD, the recording
// line, the mute sign and the control strip take a font that follows the
// picture's width, the logo and the guide list grow with the window.
#include <windows.h>

#include <algorithm>

#include "ui/channels/channel_list_win.h"
#include "ui/commands/command_dispatch_win.h"
#include "ui/commands/input.h"
#include "ui/main/mainwindow_win.h"
#include "ui/video/overlay_layout.h"
#include "win/util_win.h"

namespace strevo {

namespace {

HFONT MakeFont(const wchar_t* face, int cellHeight, int weight, BYTE charset) {
  // A positive height is the cell's: a line of text takes exactly that much.
  return CreateFontW(cellHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

void Replace(HFONT& font, HFONT made) {
  if (font) DeleteObject(font);
  font = made;
}

SIZE TextExtent(HWND control) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  const std::wstring text = Widen(WindowText(control));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return extent;
}

void Move(HWND h, const OverlayRect& r) {
  if (!h) return;
  RECT now{};
  GetWindowRect(h, &now);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&now), 2);
  if (now.left == r.left && now.top == r.top && now.right - now.left == r.width && now.bottom - now.top == r.height)
    return;
  SetWindowPos(h, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsGlyphLogo(HWND logo) { return logo && !(GetWindowLongPtrW(logo, GWL_STYLE) & SS_BITMAP); }

}  // namespace

void LayOutVideoWindow(MainWindow& mw) {
  VideoOverlays& o = mw.overlays;
  if (!mw.frmVideo || !o.pnEmptyScr) return;
  RECT client{};
  GetClientRect(mw.frmVideo, &client);
  const bool listShown = mw.lstPlaylist && IsWindowVisible(mw.lstPlaylist);
  const OverlayLayout l = LayOutOverlays(client.right, client.bottom, 0, listShown, kPlaylistBoxWidth);
  const int s = std::max(1, l.osdFont);

  if (o.fontSize != s) {
    o.fontSize = s;
    Replace(o.osdFont, MakeFont(L"Arial", s, FW_BOLD, DEFAULT_CHARSET));
    Replace(o.glyphFont, MakeFont(L"Webdings", s, FW_NORMAL, SYMBOL_CHARSET));
    for (HWND h : {o.lbcursub, o.lbrecbox}) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(o.osdFont), TRUE);
    for (HWND h : {o.lbmute, o.lbControls}) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(o.glyphFont), TRUE);
  }

  Move(o.pnEmptyScr, {0, 0, l.pictureWidth, l.pictureHeight});
  if (IsGlyphLogo(o.lbinfo)) {
    static HFONT logoFont = nullptr;
    static int logoSize = 0;
    if (logoSize != l.logoFont && l.logoFont > 0) {
      logoSize = l.logoFont;
      Replace(logoFont, MakeFont(L"Webdings", -l.logoFont, FW_NORMAL, SYMBOL_CHARSET));
      SendMessageW(o.lbinfo, WM_SETFONT, reinterpret_cast<WPARAM>(logoFont), TRUE);
    }
    const int side = l.logoLabelHeight;
    Move(o.lbinfo, {(l.pictureWidth - side) / 2, (l.pictureHeight - side) / 2, side, side});
  } else if (o.lbinfo) {
    RECT r{};
    GetClientRect(o.lbinfo, &r);
    Move(o.lbinfo, {(l.pictureWidth - r.right) / 2, (l.pictureHeight - r.bottom) / 2, r.right, r.bottom});
  }

  Move(o.lbcursub, l.osd);

  // The recording line keeps its place and sizes itself to its text.
  RECT rec{};
  GetWindowRect(o.lbrecbox, &rec);
  MapWindowPoints(nullptr, mw.frmVideo, reinterpret_cast<POINT*>(&rec), 2);
  const SIZE recText = TextExtent(o.lbrecbox);
  const int lineHeight = s + 4;
  Move(o.lbrecbox, {rec.left, rec.top, recText.cx + 4, lineHeight});
  const SIZE mute = TextExtent(o.lbmute);
  Move(o.lbmute, {rec.left, MuteSignTop(rec.top, lineHeight), mute.cx + 4, lineHeight});

  Move(o.lbControls, StripPlacement(l.pictureWidth, l.pictureHeight, StripWidth(s), lineHeight));

  if (o.box) {
    static int boxSize = 0;
    if (!o.boxFont || boxSize != l.boxFont) {
      boxSize = l.boxFont;
      Replace(o.boxFont, MakeFont(L"Arial", -l.boxFont, FW_NORMAL, DEFAULT_CHARSET));
      SendMessageW(o.box, WM_SETFONT, reinterpret_cast<WPARAM>(o.boxFont), FALSE);
    }
    SendMessageW(o.box, LB_SETITEMHEIGHT, 0, l.boxItemHeight);
    Move(o.box, {0, 0, l.pictureWidth, l.pictureHeight});
    SendMessageW(o.box, LB_RESETCONTENT, 0, 0);
    ShowWindow(o.box, SW_HIDE);
  }

  // "Размер видеоокна" checks the size the window now has.
  ShowMenuChecks(mw);
}

}  // namespace strevo

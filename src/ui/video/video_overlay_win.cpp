#include "ui/video/video_overlay_win.h"

#include <iterator>
#include <string>

#include "ui/commands/input.h"
#include "ui/main/mainwindow_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

const wchar_t kEmptyScreenClass[] = L"StrevoEmptyScreen";

constexpr COLORREF kRecordColour = RGB(255, 0, 0);
constexpr int kOverlayFontHeight = 23;  // until the first layout sizes them to the window

// The empty-screen panel paints in the colour of the channel list (the video
// window's black) and gives its logo label the logo's colour, which the
// overlays' record (handed over at creation) holds.
LRESULT CALLBACK EmptyScreenProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  const auto* overlays = reinterpret_cast<const VideoOverlays*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_CTLCOLORSTATIC && overlays) {
    HDC dc = reinterpret_cast<HDC>(wp);
    SetTextColor(dc, overlays->logo);
    SetBkColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           HFONT font) {
  HWND c = CreateWindowExW(0, cls, text, WS_CHILD | style, x, y, w, h, parent, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  if (c && font) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

HFONT Font(const wchar_t* face, int pixelHeight, int weight, BYTE charset) {
  return CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

void SetHandCursor(HWND control) {
  SetClassLongPtrW(control, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(LoadCursorW(nullptr, IDC_HAND)));
}

// The logo: the picture sized to itself, or the glyph label, in the middle of the panel.
HWND CreateLogo(HWND panel, int panelWidth, int panelHeight) {
  const std::string picture = ExeFolder() + "\\Images\\Logo.bmp";
  if (FileExists(picture)) {
    if (auto bmp = static_cast<HBITMAP>(LoadImageW(nullptr, Widen(picture).c_str(), IMAGE_BITMAP, 0, 0,
                                                   LR_LOADFROMFILE))) {
      BITMAP info{};
      GetObjectW(bmp, sizeof info, &info);
      HWND logo = Child(panel, L"STATIC", L"", WS_VISIBLE | SS_BITMAP, (panelWidth - info.bmWidth) / 2,
                        (panelHeight - info.bmHeight) / 2, info.bmWidth, info.bmHeight, nullptr);
      SendMessageW(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
      return logo;
    }
  }
  constexpr int kSide = 200;
  return Child(panel, L"STATIC", L"\x00B7", WS_VISIBLE | SS_CENTER, (panelWidth - kSide) / 2,
               (panelHeight - kSide) / 2, kSide, kSide, Font(L"Webdings", 160, FW_NORMAL, SYMBOL_CHARSET));
}

// The strip's glyphs, zone by zone, in the symbol font, and the characters
// of a text font that stand in for them.
struct StripGlyph {
  const wchar_t* symbol;
  const wchar_t* plain;
};
constexpr StripGlyph kStripGlyphs[] = {
    {L"\x0034", L"\x25BA"},         {L"\x003C", L"\x25A0"}, {L"\x003D", L"\x25CF"},
    {L"\x0039", L"\x00AB"},         {L"\x003A", L"\x00BB"},
    {L"\x009D", L"\x2261"},         {L"\x0069", L"i"},      {L"\x0058\x00F0", L"x"},
    {L"\x0035", L"\x25B2"},         {L"\x0036", L"\x25BC"},
};

}  // namespace

COLORREF OverlayKeyColour(bool directShowMode) { return directShowMode ? RGB(16, 0, 16) : RGB(0, 0, 1); }

void CreateVideoOverlays(MainWindow& mw) {
  VideoOverlays& o = mw.overlays;
  if (o.pnEmptyScr || !mw.frmVideo) return;
  HWND video = mw.frmVideo;

  RegisterWindowClassOnce(kEmptyScreenClass, EmptyScreenProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  constexpr int kWidth = 360, kHeight = 288;
  o.pnEmptyScr = CreateWindowExW(0, kEmptyScreenClass, L"", WS_CHILD | WS_DISABLED | WS_CLIPSIBLINGS, 0, 0, kWidth,
                                 kHeight, video, nullptr, GetModuleHandleW(nullptr), &o);
  o.lbinfo = CreateLogo(o.pnEmptyScr, kWidth, kHeight);

  HFONT osd = Font(L"Arial", kOverlayFontHeight, FW_BOLD, DEFAULT_CHARSET);
  HFONT glyphs = Font(L"Webdings", kOverlayFontHeight, FW_NORMAL, SYMBOL_CHARSET);
  o.lbcursub = Child(video, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 1, kHeight - kOverlayFontHeight * 4 - 1, kWidth,
                     kOverlayFontHeight * 4, osd);
  o.lbrecbox = Child(video, L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 10, 10, 0, kOverlayFontHeight + 4, osd);
  SetHandCursor(o.lbrecbox);
  o.lbmute = Child(video, L"STATIC", L"X\x00F0", SS_LEFT | SS_NOTIFY, 10, 55, 2 * kOverlayFontHeight,
                   kOverlayFontHeight + 4, glyphs);
  o.lbControls = Child(video, L"STATIC",
                       L"\x0034\x0020\x003C\x0020\x003D\x0020\x0039\x0020\x003A\x0020\x009D\x0020\x0069\x0020\x0058"
                       L"\x00F0\x0035\x0020\x0036",
                       SS_OWNERDRAW | SS_NOTIFY, 0, kHeight - kOverlayFontHeight - 4, kWidth,
                       kOverlayFontHeight + 4, glyphs);
  // Drawn by the program: white on the video window's black, not in system colours.
  o.box = Child(video, L"LISTBOX", L"",
                WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 0, 0, kWidth, kHeight,
                Font(L"Arial", 13, FW_NORMAL, DEFAULT_CHARSET));
  // One pixel outside the client area: it holds the focus and is never seen.
  o.ebhotkey = Child(video, L"EDIT", L"", WS_VISIBLE | ES_AUTOHSCROLL, -1, -1, 1, 1, nullptr);
  AddToolTip(mw, o.lbrecbox, "Остановить запись");
  AddToolTip(mw, o.lbmute, "Включить звук");
}

bool DrawControlStrip(MainWindow& mw, const DRAWITEMSTRUCT& item) {
  const VideoOverlays& o = mw.overlays;
  if (!o.lbControls || item.hwndItem != o.lbControls) return false;
  HDC dc = item.hDC;
  RECT all = item.rcItem;
  HBRUSH key = CreateSolidBrush(OverlayKeyColour(mw.directShowMode));
  FillRect(dc, &all, key);
  DeleteObject(key);
  // Laid out before it is first shown: the fonts are those of the window's size.
  if (!o.glyphFont || !o.osdFont || o.fontSize <= 0) return true;
  HFONT symbols = o.glyphFont, plain = o.osdFont;
  const int s = o.fontSize;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, o.text);
  const auto zones = StripZones();
  for (size_t i = 0; i < zones.size() && i < std::size(kStripGlyphs); ++i) {
    const StripGlyph& g = kStripGlyphs[i];
    const bool own = FontHasGlyphs(symbols, g.symbol);
    HGDIOBJ old = SelectObject(dc, own ? symbols : plain);
    const int middle = all.left + StripZoneMiddle(zones[i], s);
    RECT r{middle - s, all.top, middle + s, all.bottom};
    DrawTextW(dc, own ? g.symbol : g.plain, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
  }
  return true;
}

HBRUSH OverlayColours(MainWindow& mw, HWND control, HDC dc) {
  const VideoOverlays& o = mw.overlays;
  COLORREF text;
  if (control == o.lbcursub || control == o.lbControls) text = o.text;
  else if (control == o.lbrecbox || control == o.lbmute) text = kRecordColour;
  else return nullptr;
  static HBRUSH keyBrush[2] = {};
  HBRUSH& brush = keyBrush[mw.directShowMode ? 1 : 0];
  if (!brush) brush = CreateSolidBrush(OverlayKeyColour(mw.directShowMode));
  SetTextColor(dc, text);
  SetBkColor(dc, OverlayKeyColour(mw.directShowMode));
  return brush;
}

}  // namespace strevo

#include "ui/main/mainform_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <vector>

#include "base/eventlog.h"
#include "ui/commands/command_dispatch_win.h"
#include "ui/main/geometry.h"
#include "ui/commands/input.h"
#include "ui/main/mainwindow_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

const wchar_t kBarClass[] = L"StrevoBar";

enum Bar { kTop, kBottom };

struct ButtonDef {
  int id;
  Bar bar;
  int x, y, w, h;
  const wchar_t* font;     // symbol font of the glyph
  wchar_t glyph;
  const wchar_t* fallback; // drawn in a text font when the symbol font lacks the glyph
  const char* tip;
};

// Fonts tried, in order, for a fallback text; the last one always serves.
const wchar_t* const kFallbackFonts[] = {L"DejaVu Sans", L"Arial Unicode MS", L"Segoe UI Symbol", L"Tahoma"};

constexpr int kB = 19;  // glyph button size
constexpr int kGrip = 12;  // the resize grip in the bottom bar's corner

// x < 0 counts from the right edge of the bar.
const ButtonDef kButtons[] = {
    {kBtnMenu, kTop, 2, 2, kB, kB, L"Webdings", L'\x32', L"\x2261", "Меню"},
    {kBtnDock, kTop, -4 * (kB + 1) - 2, 2, kB, kB, L"Webdings", L'\x31', L"\x25A1", "Видео в отдельном окне"},
    {kBtnOnTop, kTop, -3 * (kB + 1) - 2, 2, kB, kB, L"Webdings", L'\x35', L"^", "Панель управления поверх всех окон"},
    {kBtnMinimise, kTop, -2 * (kB + 1) - 2, 2, kB, kB, L"Marlett", L'\x30', L"_", "Свернуть"},
    {kBtnClose, kTop, -1 * (kB + 1) - 2, 2, kB, kB, L"Marlett", L'\x72', L"x", "Закрыть"},

    {kBtnPlay, kBottom, 2, 2, kB, kB, L"Webdings", L'\x34', L"\x25BA", "Воспроизвести"},
    {kBtnPause, kBottom, 22, 2, kB, kB, L"Webdings", L'\x3B', L"||", "Приостановить"},
    {kBtnStop, kBottom, 42, 2, kB, kB, L"Webdings", L'\x3C', L"\x25A0", "Остановить"},
    {kBtnRecord, kBottom, 62, 2, kB, kB, L"Webdings", L'\x3D', L"\x25CF", "Записать / Остановить запись"},
    {kBtnChannelBack, kBottom, 86, 2, kB, kB, L"Webdings", L'\x39', L"|<", "Канал назад"},
    {kBtnChannelForward, kBottom, 106, 2, kB, kB, L"Webdings", L'\x3A', L">|", "Канал вперёд"},
    {kBtnChannelChoice, kBottom, 126, 2, kB, kB, L"Marlett", L'\x36', L"v", "Выбрать канал"},
    {kBtnChannelList, kBottom, -5 * (kB + 1) - 2, 2, kB, kB, L"Webdings", L'\x4C', L"\x2630", "Показать / Скрыть список каналов"},
    {kBtnOpen, kBottom, -4 * (kB + 1) - 2, 2, kB, kB, L"Wingdings", L'\x31', L"\x2026", "Открыть файл или поток"},
    {kBtnGuide, kBottom, -3 * (kB + 1) - 2, 2, kB, kB, L"Wingdings", L'\x26', L"TV", "Телепрограмма"},
    {kBtnSnapshot, kBottom, -2 * (kB + 1) - 2, 2, kB, kB, L"Webdings", L'\xB8', L"\x25A3", "Сделать скриншот"},
    {kBtnFullScreen, kBottom, -1 * (kB + 1) - 2, 2, kB, kB, L"Marlett", L'\x31', L"\x25A1", "На полный экран"},

    {kBtnSeekBack, kBottom, 2, 25, kB, kB, L"Webdings", L'\x37', L"\x00AB", "Перемотать назад"},
    {kBtnSeekForward, kBottom, 22, 25, kB, kB, L"Webdings", L'\x38', L"\x00BB", "Перемотать вперёд"},
    {kBtnSlower, kBottom, 42, 25, kB, kB, L"Webdings", L'\x33', L"<", "Воспроизводить медленнее"},
    {kBtnFaster, kBottom, 62, 25, kB, kB, L"Webdings", L'\x34', L">", "Воспроизодить быстрее"},
    {kBtnVolumeDown, kBottom, 86, 25, kB, kB, L"Webdings", L'\x36', L"-", "Громкость ниже"},
    {kBtnVolumeUp, kBottom, 106, 25, kB, kB, L"Webdings", L'\x35', L"+", "Громкость выше"},
    {kBtnMute, kBottom, 126, 25, kB, kB, L"Webdings", L'\x55', L"M", "Включить / Выключить звук"},
    {kBtnSettings, kBottom, -1 * (kB + 1) - kGrip - 2, 25, kB, kB, L"Webdings", L'\x40', L"\x2699", "Настройки"},
};

void FillGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
  TRIVERTEX v[2] = {{r.left, r.top, static_cast<COLOR16>(GetRValue(top) << 8), static_cast<COLOR16>(GetGValue(top) << 8),
                     static_cast<COLOR16>(GetBValue(top) << 8), 0},
                    {r.right, r.bottom, static_cast<COLOR16>(GetRValue(bottom) << 8),
                     static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8), 0}};
  GRADIENT_RECT g{0, 1};
  GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_V);
}

const ButtonDef* FindButton(int id) {
  for (const ButtonDef& b : kButtons)
    if (b.id == id) return &b;
  return nullptr;
}

struct GlyphChoice {
  HFONT font;
  std::wstring text;
};

const GlyphChoice& ChooseGlyph(MainForm& f, const ButtonDef& def, bool bold) {
  static std::map<std::pair<int, bool>, GlyphChoice> cache;
  auto key = std::make_pair(def.id, bold);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  GlyphChoice choice{nullptr, {}};
  choice.font = PickGlyphFont(def.font, def.glyph, def.fallback, -14, bold, choice.text);
  if (!choice.font) choice = {f.tahoma, L"?"};
  return cache.emplace(key, choice).first->second;
}

void DrawGlyphButton(MainWindow& mw, const DRAWITEMSTRUCT* di) {
  MainForm& f = mw.form;
  const ButtonDef* def = FindButton(static_cast<int>(di->CtlID));
  if (!def) return;
  HDC dc = di->hDC;
  RECT r = di->rcItem;
  const bool pressed = di->itemState & ODS_SELECTED;
  FillGradient(dc, r, pressed ? f.palette.GradientBottom() : f.palette.GradientTop(),
               pressed ? f.palette.GradientTop() : f.palette.GradientBottom());
  const bool bold = def->id == kBtnOnTop && f.onTop;
  const GlyphChoice& g = ChooseGlyph(f, *def, bold);
  HGDIOBJ old = SelectObject(dc, g.font);
  const std::wstring& text = g.text;
  SetBkMode(dc, TRANSPARENT);
  RECT shadow = r;
  OffsetRect(&shadow, 1, 1);
  SetTextColor(dc, f.palette.Shadow());
  DrawTextW(dc, text.c_str(), -1, &shadow, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  // The record button's glyph is red while a recording runs.
  const bool red = def->id == kBtnRecord && mw.recording;
  SetTextColor(dc, red ? RGB(255, 0, 0) : bold ? f.palette.Highlight() : f.palette.Text());
  if (pressed) OffsetRect(&r, 1, 1);
  DrawTextW(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

// Labels on the bars draw the bar's gradient behind their text.
void DrawBarLabel(MainWindow& mw, const DRAWITEMSTRUCT* di) {
  MainForm& f = mw.form;
  HWND bar = GetParent(di->hwndItem);
  RECT barRect, item;
  GetClientRect(di->hwndItem, &item);  // the label's size now, not at creation
  GetClientRect(bar, &barRect);
  POINT origin{0, 0};
  MapWindowPoints(di->hwndItem, bar, &origin, 1);
  auto at = [&](int y) {
    const double t = barRect.bottom > 0 ? static_cast<double>(y) / barRect.bottom : 0.0;
    COLORREF a = f.palette.GradientTop(), b = f.palette.GradientBottom();
    return RGB(GetRValue(a) + (GetRValue(b) - GetRValue(a)) * t, GetGValue(a) + (GetGValue(b) - GetGValue(a)) * t,
               GetBValue(a) + (GetBValue(b) - GetBValue(a)) * t);
  };
  FillGradient(di->hDC, item, at(origin.y), at(origin.y + item.bottom));
  const int id = static_cast<int>(di->CtlID);
  std::wstring text = Widen(WindowText(di->hwndItem));
  HGDIOBJ old = SelectObject(di->hDC, reinterpret_cast<HFONT>(SendMessageW(di->hwndItem, WM_GETFONT, 0, 0)));
  SetBkMode(di->hDC, TRANSPARENT);
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  // The time is drawn left-aligned: Wine's DT_RIGHT measured it short and cut its last digit.
  if (id == kLblTime) format |= DT_LEFT;
  else format |= DT_END_ELLIPSIS;
  if (id == kLblCurrentChannel) {
    format |= DT_CENTER;
    FrameRect(di->hDC, &item, reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    InflateRect(&item, -3, 0);
  }
  RECT shadow = item;
  OffsetRect(&shadow, 1, 1);
  SetTextColor(di->hDC, f.palette.Shadow());
  if (id != kLblVersion) DrawTextW(di->hDC, text.c_str(), -1, &shadow, format);
  SetTextColor(di->hDC, id == kLblMuteSign   ? RGB(255, 0, 0)
                        : id == kLblCaption2 ? f.palette.Highlight()
                                             : f.palette.Text());
  DrawTextW(di->hDC, text.c_str(), -1, &item, format);
  SelectObject(di->hDC, old);
}

// The sliders are progress bars; a press, a drag or the release sets the
// volume, or seeks within a stream of known length.
LRESULT CALLBACK SliderProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  const bool press = msg == WM_LBUTTONDOWN, release = msg == WM_LBUTTONUP && GetCapture() == h;
  if (press || release || (msg == WM_MOUSEMOVE && (wp & MK_LBUTTON) && GetCapture() == h)) {
    if (press) SetCapture(h);
    if (release) ReleaseCapture();
    RECT r;
    GetWindowRect(h, &r);
    const int top = static_cast<int>(SendMessageW(h, PBM_GETRANGE, FALSE, 0));
    const int value = HorizontalBarValue(top, GET_X_LPARAM(lp), r.right - r.left);
    // The bars sit on a bar panel, which holds the player's record.
    if (auto* mw = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(GetParent(h), GWLP_USERDATA)))
      RunCommand(*mw, Command::By(GetDlgCtrlID(h) == kPbVolume ? CommandId::VolumeSet : CommandId::PositionSet, value));
    return 0;
  }
  if (msg == WM_LBUTTONUP) return 0;
  return DefSubclassProc(h, msg, wp, lp);
}

// The resize grip: a press, unless the video is full screen, starts the
// system's sizing from the bottom-right corner of the main window when the
// video is docked in it, else of the video window.
LRESULT CALLBACK GripProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  auto* mw = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(GetParent(h), GWLP_USERDATA));
  switch (msg) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_SIZENWSE));
      return TRUE;
    case WM_LBUTTONDOWN:
      // A press handled after its release would leave the sizing waiting
      // for the next one, which a later drag would then resize with.
      if (mw && !IsFullScreen(*mw) && LeftButtonHeld()) {
        LogLine("grip resize");
        ReleaseCapture();
        SendMessageW(mw->docked ? mw->hwnd : mw->frmVideo, WM_SYSCOMMAND, SC_SIZE | WMSZ_BOTTOMRIGHT, 0);
      }
      return 0;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

// A bar finds the player's record in its own user data, put there at creation.
LRESULT CALLBACK BarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrW(h, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  auto* mw = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND: {
      if (!mw) break;
      RECT r;
      GetClientRect(h, &r);
      FillGradient(reinterpret_cast<HDC>(wp), r, mw->form.palette.GradientTop(), mw->form.palette.GradientBottom());
      return 1;
    }
    case WM_DRAWITEM:
      if (mw) {
        auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (di->CtlType == ODT_STATIC) DrawBarLabel(*mw, di);
        else DrawGlyphButton(*mw, di);
      }
      return TRUE;
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageW(GetAncestor(h, GA_ROOT), msg, wp, lp);
    case WM_LBUTTONDOWN:
      // A press on a bar is a press on the panel, which moves it.
      return SendMessageW(GetAncestor(h, GA_ROOT), msg, wp, lp);
  }
  return DefWindowProcW(h, msg, wp, lp);
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id,
           HFONT font, DWORD exStyle = 0) {
  HWND c = CreateWindowExW(exStyle, cls, text, WS_CHILD | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (font) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

void AddTip(MainForm& f, HWND control, const std::string& tip) {
  std::wstring text = Widen(tip);
  TOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V1_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = text.data();
  SendMessageW(f.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}


// A Win32 callback: stdcall on 32-bit x86, where a lambda's plain function
// pointer would not do.
int CALLBACK MarkFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

bool FontInstalled(const wchar_t* family) {
  static std::map<std::wstring, bool> cache;
  auto it = cache.find(family);
  if (it != cache.end()) return it->second;
  HDC dc = GetDC(nullptr);
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, family, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc, &lf, MarkFontFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  cache[family] = found;
  return found;
}

HFONT PickGlyphFont(const wchar_t* family, wchar_t glyph, const wchar_t* fallback, int height, bool bold,
                    std::wstring& text) {
  if (FontInstalled(family)) {
    HFONT font = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0,
                             ANTIALIASED_QUALITY, 0, family);
    if (FontHasGlyphs(font, std::wstring(1, glyph))) {
      text.assign(1, glyph);
      return font;
    }
    DeleteObject(font);
  }
  for (const wchar_t* face : kFallbackFonts) {
    if (!FontInstalled(face)) continue;
    HFONT font = CreateFontW(height + 2, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                             ANTIALIASED_QUALITY, 0, face);
    if (FontHasGlyphs(font, fallback) || face == std::wstring(L"Tahoma")) {
      text = fallback;
      return font;
    }
    DeleteObject(font);
  }
  return nullptr;
}

void AddToolTip(MainWindow& mw, HWND control, const std::string& tip) {
  if (mw.form.tooltip && control) AddTip(mw.form, control, tip);
}

void SetToolTip(MainWindow& mw, HWND control, const std::string& tip) {
  if (!mw.form.tooltip || !control) return;
  std::wstring text = Widen(tip);
  TOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V1_SIZE;
  ti.hwnd = GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = text.data();
  SendMessageW(mw.form.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

int SliderPosition(HWND bar) { return static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)); }

void SetSliderPosition(HWND bar, int position) {
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(std::max(0, std::min(100, position))), 0);
}

void SetCurrentChannelText(MainWindow& mw, const std::string& text) {
  SetWindowTextUtf8(mw.form.Control(kLblCurrentChannel), text);
}

void OpenChannelSelector(MainWindow& mw) {
  HWND label = mw.form.Control(kLblCurrentChannel), selector = mw.form.Control(kCbChannelSelector);
  RECT r;
  GetWindowRect(label, &r);
  MapWindowPoints(nullptr, GetParent(label), reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(selector, HWND_TOP, r.left, r.top - 1, r.right - r.left, 300, SWP_SHOWWINDOW);
  SetFocus(selector);
  SendMessageW(selector, CB_SHOWDROPDOWN, TRUE, 0);
}

void SetOnTopButton(MainWindow& mw, bool on) {
  mw.form.onTop = on;
  InvalidateRect(mw.form.Control(kBtnOnTop), nullptr, FALSE);
}

void ShowTrayIcon(MainWindow& mw, bool shown) {
  SetTrayIconShown(mw.form.tray, mw.form.trayShown, shown);
}

void LayoutMainForm(MainWindow& mw) {
  MainForm& f = mw.form;
  RECT c;
  GetClientRect(mw.hwnd, &c);
  const int b = mw.borderWidth;
  const int w = c.right - 2 * b;
  MoveWindow(f.topBar, b, b, w, mw.topBarHeight, TRUE);
  int y = b + mw.topBarHeight;
  if (f.dockPanel) {
    RECT vr;
    GetWindowRect(mw.frmVideo, &vr);
    const int panelHeight = c.bottom - y - b - mw.bottomBarHeight;
    MoveWindow(f.dockPanel, b, y, w, std::max(0, panelHeight), TRUE);
    MoveWindow(mw.frmVideo, 0, 0, w, std::max(0, panelHeight), TRUE);
  }
  MoveWindow(f.bottomBar, b, c.bottom - b - mw.bottomBarHeight, w, mw.bottomBarHeight, TRUE);
  // Right-aligned buttons follow the bar's width.
  for (const ButtonDef& def : kButtons) {
    if (def.x >= 0) continue;
    MoveWindow(f.Control(def.id), w + def.x, def.y, def.w, def.h, TRUE);
  }
  const int rightButtons = 5 * (kB + 1) + 4;
  MoveWindow(f.Control(kLblCurrentChannel), 146, 3, w - rightButtons - 146 - 2, 17, TRUE);
  const int settingsX = w - (kB + 1) - kGrip - 2;
  MoveWindow(f.Control(kLblGrip), w - kGrip, mw.bottomBarHeight - kGrip, kGrip, kGrip, TRUE);
  MoveWindow(f.Control(kLblTime), settingsX - 112, 27, 110, 16, TRUE);
  MoveWindow(f.Control(kPbPosition), 214, 30, std::max(10, settingsX - 112 - 214 - 4), 9, TRUE);
  MoveWindow(f.Control(kPbTransfer), 118, 8, std::max(10, w - 118 - 4 * (kB + 1) - 12), 6, TRUE);
}

void BuildMainForm(MainWindow& mw) {
  MainForm& f = mw.form;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  RegisterWindowClassOnce(kBarClass, BarProc, nullptr);
  f.tahoma = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  const wchar_t* captionFace = FontInstalled(L"Trebuchet MS") ? L"Trebuchet MS" : L"Tahoma";
  f.captionFont1 = CreateFontW(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, captionFace);
  f.captionFont2 = CreateFontW(-15, 0, 0, 0, FW_NORMAL, 1, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, L"Tahoma");
  f.timeFont = CreateFontW(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  f.versionFont = CreateFontW(-9, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  SendMessageW(mw.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(f.tahoma), FALSE);

  f.topBar = CreateWindowExW(0, kBarClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kBarWidth,
                             mw.topBarHeight, mw.hwnd, nullptr, inst, &mw);
  f.bottomBar = CreateWindowExW(0, kBarClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kBarWidth,
                                mw.bottomBarHeight, mw.hwnd, nullptr, inst, &mw);

  f.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                              0, mw.hwnd, nullptr, inst, nullptr);

  for (const ButtonDef& def : kButtons) {
    HWND parent = def.bar == kTop ? f.topBar : f.bottomBar;
    int x = BarControlX(def.x);
    HWND b = Child(parent, L"BUTTON", L"", WS_VISIBLE | BS_OWNERDRAW, x, def.y, def.w, def.h, def.id, nullptr);
    f.controls[def.id] = b;
    AddTip(f, b, def.tip);
  }

  // Caption: the two parts of the product name in different fonts, and the version up to its first blank.
  const std::string part1 = LoadStringUtf8(65400), part2 = LoadStringUtf8(65401);
  HDC dc = GetDC(mw.hwnd);
  auto width = [&](HFONT font, const std::string& text) {
    HGDIOBJ old = SelectObject(dc, font);
    SIZE s{};
    std::wstring w = Widen(text);
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &s);
    SelectObject(dc, old);
    return static_cast<int>(s.cx);
  };
  const int w1 = width(f.captionFont1, part1) + 1, w2 = width(f.captionFont2, part2) + 2;
  ReleaseDC(mw.hwnd, dc);
  f.controls[kLblCaption1] = Child(f.topBar, L"STATIC", Widen(part1).c_str(), WS_VISIBLE | SS_OWNERDRAW, 26, 2, w1, 18,
                                   kLblCaption1, f.captionFont1);
  f.controls[kLblCaption2] = Child(f.topBar, L"STATIC", Widen(part2).c_str(), WS_VISIBLE | SS_OWNERDRAW, 26 + w1, 2, w2,
                                   18, kLblCaption2, f.captionFont2);
  const std::string shortVersion = mw.version.substr(0, mw.version.find(' '));
  f.controls[kLblVersion] = Child(f.topBar, L"STATIC", Widen(shortVersion).c_str(), WS_VISIBLE | SS_OWNERDRAW,
                                  28 + w1 + w2, 8, 40, 11, kLblVersion, f.versionFont);
  f.controls[kPbTransfer] = Child(f.topBar, PROGRESS_CLASSW, L"", PBS_SMOOTH, 118, 8, 150, 6, kPbTransfer, nullptr);

  // Channel controls in Arial: the label and, over it, the selector.
  HFONT channelFont = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  f.controls[kLblCurrentChannel] =
      Child(f.bottomBar, L"STATIC", L"Название канала", WS_VISIBLE | SS_OWNERDRAW | SS_NOTIFY, 146, 3, 130, 17,
            kLblCurrentChannel, channelFont);
  f.controls[kCbChannelSelector] = Child(f.bottomBar, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 146, 2, 130, 300,
                                         kCbChannelSelector, channelFont);

  // Volume and position: progress bars used as sliders.
  // The resize grip in the bottom bar's right corner.
  {
    std::wstring glyph;
    HFONT font = PickGlyphFont(L"Marlett", L'o', L"\x25E2", -12, false, glyph);
    f.controls[kLblGrip] = Child(f.bottomBar, L"STATIC", glyph.c_str(), WS_VISIBLE | SS_OWNERDRAW | SS_NOTIFY, 0, 0,
                                 kGrip, kGrip, kLblGrip, font ? font : f.tahoma);
    SetWindowSubclass(f.Control(kLblGrip), GripProc, 1, 0);
  }
  // The mute glyph beside the mute button, shown while the sound is off.
  {
    std::wstring glyph;
    HFONT font = PickGlyphFont(L"Marlett", L'r', L"\x00D7", -11, true, glyph);
    f.controls[kLblMuteSign] = Child(f.bottomBar, L"STATIC", glyph.c_str(), SS_OWNERDRAW | SS_NOTIFY, 146, 27, 14, 15,
                                     kLblMuteSign, font ? font : f.tahoma);
  }
  f.controls[kPbVolume] = Child(f.bottomBar, PROGRESS_CLASSW, L"", WS_VISIBLE | PBS_SMOOTH, 161, 30, 47, 9, kPbVolume,
                                nullptr);
  f.controls[kPbPosition] = Child(f.bottomBar, PROGRESS_CLASSW, L"", WS_VISIBLE | PBS_SMOOTH, 214, 30, 56, 9,
                                  kPbPosition, nullptr);
  for (int id : {kPbVolume, kPbPosition}) {
    HWND bar = f.Control(id);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETBARCOLOR, 0, f.palette.Slider());
    SendMessageW(bar, PBM_SETBKCOLOR, 0, MixColours(f.palette.GradientTop(), RGB(255, 255, 255)));
    SetWindowSubclass(bar, SliderProc, 1, 0);
  }
  SetSliderPosition(f.Control(kPbVolume), 50);
  AddTip(f, f.Control(kPbVolume), "Громкость");
  f.controls[kLblTime] = Child(f.bottomBar, L"STATIC", L"0:00:00 / 0:00:00", WS_VISIBLE | SS_OWNERDRAW, 274,
                               28, 86, 14, kLblTime, f.timeFont);
  // The hidden key-capture field takes the keys while the main window has the focus.
  // Visible to take the focus, but outside the client area.
  f.controls[kEbHotkey] = Child(mw.hwnd, L"EDIT", L"", WS_VISIBLE | ES_AUTOHSCROLL, -100, -100, 10, 10, kEbHotkey, nullptr);

  // Tray icon: the exe's small icon, the product name as tip.
  f.tray = TrayIconData(mw.hwnd, kTrayMessage,
                        static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)),
                        mw.productName);

  f.mainMenu = BuildPopupMenu(kMainMenu, kMainMenuCommandBase);
  f.listMenu = BuildPopupMenu(kChannelListMenu, kListMenuCommandBase);
  LayoutMainForm(mw);
}

}  // namespace strevo

#include "ui/settings/settings_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "ui/commands/commands_win.h"
#include "ui/main/docking_win.h"
#include "ui/commands/input.h"
#include "ui/settings/list_source_win.h"
#include "ui/main/mainform_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/settings/settings_controls.h"
#include "ui/settings/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

namespace {

const wchar_t kPanelClass[] = L"StrevoSettingsPanel";
const wchar_t kPageClass[] = L"StrevoSettingsPage";
constexpr int kTabsX = 6, kTabsY = 6, kTabsW = kSettingsWidth - 12, kTabsH = 312;

// The panel and the pages hold the player's record in their user data, put
// there once the window is built: what the controls send while it is being
// built is not a user's change.
MainWindow* RecordOf(HWND panelOrPage) {
  return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(panelOrPage, GWLP_USERDATA));
}

void Forward(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  MainWindow* mw = RecordOf(h);
  if (!mw) return;
  if (msg == WM_COMMAND) {
    HandleSettingsCommand(*mw, LOWORD(wp), HIWORD(wp));
  } else if (msg == WM_VSCROLL || msg == WM_HSCROLL) {
    HWND control = reinterpret_cast<HWND>(lp);
    if (control) HandleSettingsCommand(*mw, GetDlgCtrlID(control), LOWORD(wp));
  }
}

LRESULT CALLBACK PageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kShowListAddressMessage:
      if (MainWindow* mw = RecordOf(h)) ShowListAddress(*mw);
      return 0;
    case WM_COMMAND:
    case WM_HSCROLL:
      Forward(h, msg, wp, lp);
      return 0;
    case WM_VSCROLL: {
      // The time-correction scroll bar moves by itself only when told to.
      HWND bar = reinterpret_cast<HWND>(lp);
      wchar_t cls[32];
      GetClassNameW(bar, cls, 32);
      if (_wcsicmp(cls, L"ScrollBar") == 0) {
        SCROLLINFO si{sizeof si, SIF_ALL};
        GetScrollInfo(bar, SB_CTL, &si);
        int pos = si.nPos;
        switch (LOWORD(wp)) {
          case SB_LINEUP: --pos; break;
          case SB_LINEDOWN: ++pos; break;
          case SB_PAGEUP: pos -= 10; break;
          case SB_PAGEDOWN: pos += 10; break;
          case SB_THUMBTRACK:
          case SB_THUMBPOSITION: pos = si.nTrackPos; break;
        }
        SetScrollPos(bar, SB_CTL, std::max(si.nMin, std::min(si.nMax, pos)), TRUE);
      }
      Forward(h, msg, wp, lp);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      HWND control = reinterpret_cast<HWND>(lp);
      const int id = GetDlgCtrlID(control);
      wchar_t cls[16] = L"";
      GetClassNameW(control, cls, 16);
      if (!IsWindowEnabled(control) && _wcsicmp(cls, L"Edit") == 0) {
        // Disabled edits (the crop edits without manual crop) look it, not
        // like the page around them.
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      if (id == kIdHomePage || id == kIdSupportPage) SetTextColor(dc, RGB(0, 0, 204));
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
  }
  return DefWindowProcW(h, msg, wp, lp);
}

LRESULT CALLBACK PanelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      Forward(h, msg, wp, lp);
      return 0;
    case WM_NOTIFY: {
      auto* n = reinterpret_cast<NMHDR*>(lp);
      if (n->code == TCN_SELCHANGE)
        if (MainWindow* mw = RecordOf(h)) SelectSettingsPage(*mw, TabCtrl_GetCurSel(n->hwndFrom));
      return 0;
    }
  }
  return DefWindowProcW(h, msg, wp, lp);
}

// A middle click on a picture slider puts it back to its default; a left or
// right press or release sets the value under the pointer, the top being the
// maximum, and the engine gets it at once. The slider reaches the record
// through its page.
LRESULT CALLBACK PictureSliderProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_MBUTTONDOWN:
      if (MainWindow* mw = RecordOf(GetParent(h))) HandleSettingsCommand(*mw, GetDlgCtrlID(h), kSliderMiddleClick);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (MainWindow* mw = RecordOf(GetParent(h))) {
        RECT r{};
        GetWindowRect(h, &r);
        const int top = static_cast<int>(SendMessageW(h, TBM_GETRANGEMAX, 0, 0));
        const int id = GetDlgCtrlID(h);
        SetSliderValue(mw->settings, id, VerticalBarValue(top, GET_Y_LPARAM(lp), r.bottom - r.top));
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) SetFocus(h);
        HandleSettingsCommand(*mw, id, TB_ENDTRACK);
      }
      return 0;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

// A vertical trackbar has its minimum at the top: the picture sliders keep
// the value upside down in it, so that their top is the maximum.
int FlippedPosition(HWND bar, int value) {
  return static_cast<int>(SendMessageW(bar, TBM_GETRANGEMIN, 0, 0) + SendMessageW(bar, TBM_GETRANGEMAX, 0, 0)) - value;
}

HWND CreateControl(SettingsWindow& s, HWND parent, const ControlDef& c) {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | (c.hidden ? 0 : WS_VISIBLE);
  DWORD ex = 0;
  std::wstring text = Widen(c.text);
  switch (c.kind) {
    case CtlKind::Label:
    case CtlKind::BoldLabel: style |= SS_NOPREFIX; break;
    case CtlKind::Check: cls = L"BUTTON"; style |= BS_AUTOCHECKBOX | WS_TABSTOP; break;
    case CtlKind::Button: cls = L"BUTTON"; style |= BS_PUSHBUTTON | WS_TABSTOP; break;
    case CtlKind::GlyphButton: cls = L"BUTTON"; style |= BS_PUSHBUTTON | WS_TABSTOP; break;
    case CtlKind::Combo: cls = L"COMBOBOX"; style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP; break;
    case CtlKind::ComboEdit: cls = L"COMBOBOX"; style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP; break;
    case CtlKind::Edit:
      cls = L"EDIT";
      style |= ES_AUTOHSCROLL | WS_TABSTOP;
      // Typing takes digits only; what a paste brings is sorted out when taken.
      if (const SettingsControlRow* row = SettingsControlRowOf(c.id); row && row->held == Held::Digits) style |= ES_NUMBER;
      ex = WS_EX_CLIENTEDGE;
      break;
    case CtlKind::VSlider: cls = TRACKBAR_CLASSW; style |= TBS_VERT | TBS_BOTH | TBS_NOTICKS | WS_TABSTOP; break;
    case CtlKind::VScroll: cls = L"SCROLLBAR"; style |= SBS_VERT; break;
    case CtlKind::Memo:
      cls = L"EDIT";
      style |= ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL;
      ex = WS_EX_CLIENTEDGE;
      break;
    case CtlKind::Link: style |= SS_NOTIFY | SS_NOPREFIX; break;
  }
  HWND h = CreateWindowExW(ex, cls, text.c_str(), style, c.x, c.y, c.w, c.h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), inst, nullptr);
  HFONT font = c.kind == CtlKind::BoldLabel ? s.boldFont : s.font;
  if (c.kind == CtlKind::GlyphButton) {
    // Webdings' refresh arrows, or a plain arrow where the font lacks them.
    std::wstring glyph;
    static HFONT refresh = PickGlyphFont(L"Webdings", L'q', L"\x21BB", -14, false, glyph);
    static std::wstring refreshText = glyph;
    if (refresh) {
      font = refresh;
      SetWindowTextW(h, refreshText.c_str());
    }
  } else if (c.kind == CtlKind::Link) {
    static HFONT link = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, TRUE, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    font = link;
  }
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  s.controls[c.id] = h;
  switch (c.kind) {
    case CtlKind::Check: SendMessageW(h, BM_SETCHECK, c.initial ? BST_CHECKED : BST_UNCHECKED, 0); break;
    case CtlKind::Combo:
    case CtlKind::ComboEdit:
      for (std::string_view item : c.items)
        SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
      SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(c.initial), 0);
      break;
    case CtlKind::VSlider:
      SendMessageW(h, TBM_SETRANGEMIN, FALSE, c.min);
      SendMessageW(h, TBM_SETRANGEMAX, FALSE, c.max);
      SendMessageW(h, TBM_SETPOS, TRUE, FlippedPosition(h, c.initial));
      SetWindowSubclass(h, PictureSliderProc, 1, 0);
      break;
    case CtlKind::VScroll: {
      SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS, c.min, c.max, 0, c.initial};
      SetScrollInfo(h, SB_CTL, &si, TRUE);
      break;
    }
    default: break;
  }
  return h;
}

}  // namespace

void BuildSettingsWindow(MainWindow& mw) {
  SettingsWindow& s = mw.settings;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  s.font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  s.boldFont = CreateFontW(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  RegisterWindowClassOnce(kPanelClass, PanelProc, GetSysColorBrush(COLOR_BTNFACE));
  RegisterWindowClassOnce(kPageClass, PageProc, GetSysColorBrush(COLOR_WINDOW));
  SendMessageW(mw.frmCfg, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);

  s.panel = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                            kSettingsWidth, kSettingsHeight, mw.frmCfg, nullptr, inst, nullptr);
  s.tabs = CreateWindowExW(WS_EX_CONTROLPARENT, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP,
                           kTabsX, kTabsY, kTabsW, kTabsH, s.panel, nullptr, inst, nullptr);
  SendMessageW(s.tabs, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
  const auto& pages = SettingsPages();
  for (size_t i = 0; i < pages.size(); ++i) {
    std::wstring caption = Widen(pages[i].caption);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    TabCtrl_InsertItem(s.tabs, static_cast<int>(i), &item);
  }
  RECT page{0, 0, kTabsW, kTabsH};
  TabCtrl_AdjustRect(s.tabs, FALSE, &page);
  for (size_t i = 0; i < pages.size(); ++i) {
    HWND p = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, Widen(pages[i].caption).c_str(),
                             WS_CHILD | WS_CLIPSIBLINGS | (i == 0 ? WS_VISIBLE : 0), page.left, page.top,
                             page.right - page.left, page.bottom - page.top, s.tabs, nullptr, inst, nullptr);
    // The page's own caption is only for translation; pages draw no text.
    s.pages.push_back(p);
    for (const ControlDef& c : pages[i].controls) CreateControl(s, p, c);
  }
  for (const ControlDef& c : SettingsPanelControls()) CreateControl(s, s.panel, c);
  SetControlText(s, kIdAboutText, AboutBaseText());
  SendMessageW(s.Control(kIdApply), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  AddToolTip(mw, s.Control(kIdRefreshList), "Обновить список каналов");
  AddToolTip(mw, s.Control(kIdRefreshGuide), "Обновить телепрограмму");

  // The window has no close command and takes the panel's size.
  HMENU sys = GetSystemMenu(mw.frmCfg, FALSE);
  if (sys) DeleteMenu(sys, SC_CLOSE, MF_BYCOMMAND);
  SetClientSize(mw.frmCfg, kSettingsWidth, kSettingsHeight);

  SetWindowLongPtrW(s.panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&mw));
  for (HWND p : s.pages) SetWindowLongPtrW(p, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&mw));
}

void SelectSettingsPage(MainWindow& mw, int index) {
  SettingsWindow& s = mw.settings;
  if (index < 0 || index >= static_cast<int>(s.pages.size())) return;
  TabCtrl_SetCurSel(s.tabs, index);
  for (size_t i = 0; i < s.pages.size(); ++i) ShowWindow(s.pages[i], static_cast<int>(i) == index ? SW_SHOW : SW_HIDE);
}

int CurrentSettingsPage(const MainWindow& mw) { return TabCtrl_GetCurSel(mw.settings.tabs); }

void ShowSettingsWindow(MainWindow& mw, bool show) {
  if (show) {
    ShowWindow(mw.frmCfg, SW_SHOW);
    SetForegroundWindow(mw.frmCfg);
  } else {
    ShowWindow(mw.frmCfg, SW_HIDE);
  }
}

bool IsChecked(const SettingsWindow& s, int id) {
  return SendMessageW(s.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void SetChecked(SettingsWindow& s, int id, bool checked) {
  SendMessageW(s.Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
int ComboIndex(const SettingsWindow& s, int id) {
  return static_cast<int>(SendMessageW(s.Control(id), CB_GETCURSEL, 0, 0));
}
void SetComboIndex(SettingsWindow& s, int id, int index) {
  SendMessageW(s.Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
std::string ControlText(const SettingsWindow& s, int id) { return WindowText(s.Control(id)); }
void SetControlText(SettingsWindow& s, int id, const std::string& text) { SetWindowTextUtf8(s.Control(id), text); }
void SetComboItems(SettingsWindow& s, int id, const std::vector<std::string>& items) {
  HWND h = s.Control(id);
  const std::string text = WindowText(h);
  SendMessageW(h, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  SetWindowTextUtf8(h, text);
}
std::string ComboItemText(const SettingsWindow& s, int id, int index) {
  HWND h = s.Control(id);
  const int len = static_cast<int>(SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
  if (len < 0) return {};
  std::wstring w(static_cast<size_t>(len) + 1, L'\0');
  SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(w.data()));
  w.resize(static_cast<size_t>(len));
  return Narrow(w);
}

int SliderValue(const SettingsWindow& s, int id) {
  HWND h = s.Control(id);
  wchar_t cls[32];
  GetClassNameW(h, cls, 32);
  if (_wcsicmp(cls, L"ScrollBar") == 0) return GetScrollPos(h, SB_CTL);
  return FlippedPosition(h, static_cast<int>(SendMessageW(h, TBM_GETPOS, 0, 0)));
}
void SetSliderValue(SettingsWindow& s, int id, int value) {
  HWND h = s.Control(id);
  wchar_t cls[32];
  GetClassNameW(h, cls, 32);
  if (_wcsicmp(cls, L"ScrollBar") == 0) SetScrollPos(h, SB_CTL, value, TRUE);
  else SendMessageW(h, TBM_SETPOS, TRUE, FlippedPosition(h, value));
}
void ShowControl(SettingsWindow& s, int id, bool shown) { ShowWindow(s.Control(id), shown ? SW_SHOW : SW_HIDE); }

}  // namespace strevo

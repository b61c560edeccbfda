#include "ui/scheduler/scheduler_controls_win.h"

#include <commctrl.h>

#include <string>

#include "ui/scheduler/scheduler_layout.h"
#include "win/util_win.h"

namespace strevo {

SchedulerControlSet::~SchedulerControlSet() {
  if (tips) DestroyWindow(tips);
  if (font) DeleteObject(font);
  for (HFONT f : glyphFonts) DeleteObject(f);
}

// Whether the font has a picture for the character (a symbol font's code is
// looked up as the system does, in the font's private range too).
static bool HasGlyph(HFONT font, wchar_t code) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  WORD index[2] = {0xFFFF, 0xFFFF};
  const wchar_t codes[2] = {code, static_cast<wchar_t>(0xF000 | code)};
  GetGlyphIndicesW(dc, codes, 2, index, GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return index[0] != 0xFFFF || index[1] != 0xFFFF;
}

SchedulerControlSet CreateSchedulerControls(HWND parent, bool tips) {
  SchedulerControlSet made;
  made.font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  if (tips)
    made.tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, parent,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  bool firstRadio = true;
  for (const ShControl& c : SchedulerControls()) {
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE, exStyle = 0;
    int height = c.height;
    std::wstring text = Widen(c.text);
    switch (c.kind) {
      case ShControlKind::CheckBox: cls = L"BUTTON"; style |= BS_AUTOCHECKBOX | WS_TABSTOP; break;
      case ShControlKind::Label: style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX; break;
      case ShControlKind::TaskList:
        cls = WC_LISTVIEWW;
        style |= LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ShControlKind::Edit: cls = L"EDIT"; style |= ES_AUTOHSCROLL | WS_TABSTOP; exStyle = WS_EX_CLIENTEDGE; break;
      case ShControlKind::TimePicker:
        cls = DATETIMEPICK_CLASSW;
        style |= DTS_UPDOWN | DTS_TIMEFORMAT | WS_TABSTOP;
        break;
      case ShControlKind::DatePicker: cls = DATETIMEPICK_CLASSW; style |= DTS_SHORTDATEFORMAT | WS_TABSTOP; break;
      case ShControlKind::Glyph:
        style |= SS_CENTER | SS_NOTIFY | SS_NOPREFIX | WS_CLIPSIBLINGS;
        if (c.glyph.code) text = std::wstring(1, static_cast<wchar_t>(c.glyph.code));
        break;
      case ShControlKind::Line: style |= c.width > c.height ? SS_ETCHEDHORZ : SS_ETCHEDVERT; break;
      case ShControlKind::Radio:
        cls = L"BUTTON";
        style |= BS_AUTORADIOBUTTON | (firstRadio ? WS_GROUP | WS_TABSTOP : 0);
        firstRadio = false;
        break;
      case ShControlKind::DropDown:
        cls = L"COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
        height = 300;
        break;
      case ShControlKind::ComboEdit:
        cls = L"COMBOBOX";
        style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
        height = 300;
        break;
      case ShControlKind::Button:
        cls = L"BUTTON";
        style |= WS_TABSTOP | (c.id == kShOk ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case ShControlKind::RecorderList:
        cls = L"LISTBOX";
        style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    }
    HWND h = CreateWindowExW(exStyle, cls, text.c_str(), style, c.x, c.y, c.width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleW(nullptr), nullptr);
    HFONT font = made.font;
    if (c.kind == ShControlKind::Glyph) {
      font = CreateFontW(-c.glyph.height, 0, 0, 0, c.glyph.bold ? FW_BOLD : FW_NORMAL, 0, 0, 0,
                         c.glyph.code ? SYMBOL_CHARSET : DEFAULT_CHARSET, 0, 0, 0, 0, Widen(c.glyph.face).c_str());
      if (c.glyph.code && !HasGlyph(font, static_cast<wchar_t>(c.glyph.code))) {
        DeleteObject(font);
        font = CreateFontW(-c.glyph.height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
        SetWindowTextW(h, Widen(c.glyph.fallback).c_str());
      }
      made.glyphFonts.push_back(font);
      if (made.tips && !c.tip.empty()) {
        std::wstring tip = Widen(c.tip);
        TTTOOLINFOW ti{sizeof ti};
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = parent;
        ti.uId = reinterpret_cast<UINT_PTR>(h);
        ti.lpszText = tip.data();
        SendMessageW(made.tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
      }
    }
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (c.listWidth) SendMessageW(h, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(c.listWidth), 0);
  }
  // The "+" of the copy button lies over its glyph.
  SetWindowPos(GetDlgItem(parent, kShCopyPlus), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  HWND list = GetDlgItem(parent, kShTaskList);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW col{};
  col.mask = LVCF_WIDTH;
  col.cx = 130;
  ListView_InsertColumn(list, 0, &col);
  for (int id : {kShStart, kShEnd, kShDuration}) DateTime_SetFormat(GetDlgItem(parent, id), L"HH:mm");
  return made;
}

}  // namespace strevo

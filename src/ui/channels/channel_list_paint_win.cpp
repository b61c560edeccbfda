#include "ui/channels/channel_list_paint_win.h"

#include <windowsx.h>

#include <map>
#include <string>

#include "base/eventlog.h"
#include "ui/channels/channel_list_draw.h"
#include "ui/guide/guide_ui_win.h"
#include "ui/channels/logos.h"
#include "ui/channels/logos_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/main/status_tick_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

constexpr COLORREF kListBackground = RGB(0, 0, 0);  // the video window's

struct ListFonts {
  HFONT title, second, times;
};

const ListFonts& Fonts() {
  static const ListFonts fonts = [] {
    auto make = [](int height, int weight) {
      return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
    };
    return ListFonts{make(13, FW_BOLD), make(11, FW_NORMAL), make(8, FW_NORMAL)};
  }();
  return fonts;
}

// Icons by file: looked for once, so a repaint touches no disk.
HBITMAP IconOf(const std::string& path) {
  static std::map<std::string, HBITMAP> icons;
  auto it = icons.find(path);
  if (it != icons.end()) return it->second;
  HBITMAP bmp = nullptr;
  if (FileExists(path))
    bmp = static_cast<HBITMAP>(LoadImageW(nullptr, Widen(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  return icons.emplace(path, bmp).first->second;
}

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  RECT r{left, top, right, bottom};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FillGradient(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  const std::vector<Rgb> rows = GradientRows(colour, bottom - top);
  for (size_t l = 0; l < rows.size(); ++l) Fill(dc, left, top + static_cast<int>(l), right, top + static_cast<int>(l) + 1, rows[l]);
}

std::string EntryText(HWND list, int row) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length == LB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return Narrow(text);
}

void Text(HDC dc, HFONT font, COLORREF colour, int x, int y, const std::string& text) {
  SelectObject(dc, font);
  SetTextColor(dc, colour);
  const std::wstring w = Widen(text);
  TextOutW(dc, x, y, w.c_str(), static_cast<int>(w.size()));
}

// Hands everything on to the list box's own procedure (mw.listBoxProc). A
// plain replacement rather than a comctl32 subclass: under Wine that one made
// each of the 20 000 additions of a long list cost a third of a millisecond.
// The record is the window's user data, set before the procedure is replaced.
LRESULT CALLBACK ListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* mw = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  const WNDPROC listBoxProc = mw->listBoxProc;
  switch (msg) {
    case WM_PAINT:
      if (ViewTimingWanted()) {
        const long long started = MicrosecondsNow();
        const LRESULT result = CallWindowProcW(listBoxProc, h, msg, wp, lp);
        LogLine("list paint " + std::to_string(MicrosecondsNow() - started) + " us");
        return result;
      }
      break;
    case WM_RBUTTONDOWN: {
      const LRESULT hit = SendMessageW(h, LB_ITEMFROMPOINT, 0, lp);
      if (!HIWORD(hit) && !(mw && mw->listRows.IsHeader(LOWORD(hit)))) SendMessageW(h, LB_SETCURSEL, LOWORD(hit), 0);
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // A group header is no channel: a click on it chooses nothing.
      const LRESULT hit = SendMessageW(h, LB_ITEMFROMPOINT, 0, lp);
      if (mw && !HIWORD(hit) && mw->listRows.IsHeader(LOWORD(hit))) {
        SetFocus(h);
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
    case WM_CHAR: {
      // The keys move the selection past headers, in the direction they went.
      const LRESULT result = CallWindowProcW(listBoxProc, h, msg, wp, lp);
      const int sel = static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0));
      if (mw && mw->listRows.IsHeader(sel)) {
        const bool up = msg == WM_KEYDOWN && (wp == VK_UP || wp == VK_PRIOR || wp == VK_HOME || wp == VK_LEFT);
        SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(mw->listRows.SelectableRow(sel, up ? -1 : 1)), 0);
      }
      return result;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      const LRESULT result = CallWindowProcW(listBoxProc, h, msg, wp, lp);
      const int channel = mw ? mw->listRows.ChannelOfRow(static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0))) : -1;
      if (channel > 0 && static_cast<size_t>(channel) < mw->channelTitles.size())
        ShowOsd(*mw, mw->channelTitles[static_cast<size_t>(channel)]);
      return result;
    }
  }
  return CallWindowProcW(listBoxProc, h, msg, wp, lp);
}

// A group's header: its name on a band of its own, or a rule across the list
// where channels without a group follow a group.
void DrawHeader(HDC dc, const RECT& r, const std::string& group, COLORREF text) {
  const COLORREF dim = MixRgb(text, kListBackground);
  Fill(dc, r.left, r.top, r.right, r.bottom, kListBackground);
  const int mid = (r.top + r.bottom) / 2;
  if (group.empty()) {
    Fill(dc, r.left + 4, mid, r.right - 4, mid + 1, dim);
    return;
  }
  Fill(dc, r.left, r.top, r.right, r.bottom, MixRgb(dim, kListBackground));
  Fill(dc, r.left, r.bottom - 2, r.right, r.bottom, dim);
  const int saved = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, Fonts().title);
  SetTextColor(dc, text);
  RECT band{r.left + 6, r.top, r.right - 4, r.bottom - 2};
  const std::wstring w = Widen(group);
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &band, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  RestoreDC(dc, saved);
}

}  // namespace

bool DrawGuideListEntry(MainWindow& mw, const DRAWITEMSTRUCT& item) {
  HWND box = mw.overlays.box;
  if (!box || item.hwndItem != box) return false;
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  const COLORREF text = mw.overlays.text;
  const bool selected = item.itemID != static_cast<UINT>(-1) && (item.itemState & ODS_SELECTED);
  Fill(dc, r.left, r.top, r.right, r.bottom, selected ? text : kListBackground);
  if (item.itemID == static_cast<UINT>(-1)) return true;
  const int saved = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  Text(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), selected ? kListBackground : text, r.left + 1,
       r.top + 1, EntryText(box, static_cast<int>(item.itemID)));
  RestoreDC(dc, saved);
  return true;
}

bool DrawChannelListEntry(MainWindow& mw, const DRAWITEMSTRUCT& item) {
  if (!mw.lstPlaylist || item.hwndItem != mw.lstPlaylist) return false;
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  const int row = static_cast<int>(item.itemID);
  if (mw.listRows.IsHeader(row)) {
    DrawHeader(dc, r, mw.listRows.HeaderText(row), mw.overlays.text);
    return true;
  }
  const int i = mw.listRows.ChannelOfRow(row) - 1;  // the channel's place in the list, as numbered
  const size_t channel = static_cast<size_t>(i) + 1;
  if (i < 0 || channel >= mw.channelTitles.size()) {
    Fill(dc, r.left, r.top, r.right, r.bottom, kListBackground);
    return true;
  }
  const bool simple = mw.globals.simpleList;
  const bool selected = item.itemState & ODS_SELECTED;
  const COLORREF text = mw.overlays.text;
  const std::string& title = mw.channelTitles[channel];
  const int left = r.left, top = r.top, width = r.right - r.left;

  // The channel's logo stands in for its icon file.
  HBITMAP logo = simple || channel >= mw.channelTags.size() || mw.channelTags[channel].tvgLogo.empty()
                     ? nullptr
                     : ChannelLogo(mw.channelTags[channel].tvgLogo);
  HBITMAP icon = simple || logo ? nullptr : IconOf(ChannelIconPath(ExeFolder(), title));
  const int iconOffset = icon || logo ? 28 : 0;

  if (selected) FillGradient(dc, r.left, r.top, r.right, r.bottom, text);
  else Fill(dc, r.left, r.top, r.right, r.bottom, !simple && i % 2 == 0 ? kListSecondColour : kListBackground);

  const int saved = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  // The entry as the box holds it: the channel tester marks silent channels
  // there with "$", and takes the mark away there.
  const std::string entry = EntryText(mw.lstPlaylist, row);
  const COLORREF first = IsRedEntry(entry) ? kRedEntry : selected ? kListBackground : text;
  Text(dc, Fonts().title, first, left + iconOffset + 2, top + 1, ListEntryTitle(i, entry));

  if (!simple) {
    const COLORREF half = MixRgb(text, kListBackground);
    const std::string& caption = channel < mw.channelSubmenuCaptions.size() ? mw.channelSubmenuCaptions[channel] : title;
    if (const std::optional<GuideLine> guide = SplitGuideCaption(caption)) {
      Text(dc, Fonts().second, half, left + iconOffset + 3, top + 18, guide->text);
      Text(dc, Fonts().times, half, left + 3, top + 32, guide->start);
      Text(dc, Fonts().times, half, left + width - 22, top + 32, guide->end);
      RECT outline{left + 23, top + 34, left + width - 24, top + 40};
      SetDCBrushColor(dc, half);
      FrameRect(dc, &outline, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      FillGradient(dc, left + 24, top + 35, ProgressFillRight(left, width, guide->percent), top + 39, half);
    } else if (channel < mw.channelMrls.size()) {
      Text(dc, Fonts().second, half, left + iconOffset + 3, top + 18, AddressLine(mw.channelMrls[channel]));
    }
    if (logo) {
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, logo);
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      AlphaBlend(dc, left + 3, top + 3, kLogoSide, kLogoSide, mem, 0, 0, kLogoSide, kLogoSide, blend);
      SelectObject(mem, old);
      DeleteDC(mem);
    }
    if (icon) {
      BITMAP info{};
      GetObjectW(icon, sizeof info, &info);
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, icon);
      SetStretchBltMode(dc, HALFTONE);
      StretchBlt(dc, left + 3, top + 3, 24, 24, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
      RECT frame{left + 2, top + 2, left + 28, top + 28};
      SetDCBrushColor(dc, text);
      FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
  }
  RestoreDC(dc, saved);
  return true;
}

void ApplyChannelListStyle(MainWindow& mw) {
  if (!mw.lstPlaylist) return;
  SendMessageW(mw.lstPlaylist, LB_SETITEMHEIGHT, 0, mw.globals.simpleList ? kSimpleListItemHeight : kListItemHeight);
  InvalidateRect(mw.lstPlaylist, nullptr, TRUE);
}

void HookChannelListMouse(MainWindow& mw) {
  if (!mw.lstPlaylist) return;
  SetWindowLongPtrW(mw.lstPlaylist, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&mw));
  const auto previous =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(mw.lstPlaylist, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
  if (previous != ListProc) mw.listBoxProc = previous;
}

void RedrawVisibleChannelEntries(MainWindow& mw) {
  if (!mw.lstPlaylist || !IsWindowVisible(mw.lstPlaylist) || mw.globals.simpleList) return;
  RECT client{};
  GetClientRect(mw.lstPlaylist, &client);
  const int count = static_cast<int>(SendMessageW(mw.lstPlaylist, LB_GETCOUNT, 0, 0));
  const int first = static_cast<int>(SendMessageW(mw.lstPlaylist, LB_GETTOPINDEX, 0, 0));
  const EntryRange range = VisibleEntries(first, client.bottom, count);
  for (int i = range.first; i <= range.last; ++i) {
    RECT r{};
    if (SendMessageW(mw.lstPlaylist, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)) != LB_ERR)
      InvalidateRect(mw.lstPlaylist, &r, FALSE);
  }
}

}  // namespace strevo

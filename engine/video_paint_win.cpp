#include "video_paint_win.h"

#include <string>
#include <vector>

#include "status_window_win.h"
#include "util_win.h"

namespace strevo::engine {

bool AdvanceVideo(Session& s, int64_t nowMs) {
  FrameQueue& q = s.frames;
  std::lock_guard<std::mutex> lock(q.mu);
  bool changed = false;
  while (!q.waiting.empty() && q.waiting.front().dueMs <= nowMs) {
    if (changed) ++q.framesDropped;  // a later one is due as well: this one is late
    q.shown = std::move(q.waiting.front().frame);
    q.waiting.pop_front();
    changed = true;
  }
  if (changed) ++q.framesShown;
  return changed;
}

namespace {

void DrawStatusLine(HDC dc, const RECT& rc, const Session& s) {
  std::string text = StatusLines(FiguresOf(s));
  for (char& c : text)
    if (c == '\n') c = ' ';
  std::wstring line = Widen("  " + text);
  int height = rc.bottom / 24 < 12 ? 12 : rc.bottom / 24 > 16 ? 16 : rc.bottom / 24;
  HFONT font = CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                           FF_SWISS, L"Arial");
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  RECT r{rc.left + 1, rc.bottom - height - 6 + 1, rc.right + 1, rc.bottom + 1};
  // A dark shadow keeps the line readable on any picture.
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  OffsetRect(&r, -1, -1);
  SetTextColor(dc, RGB(230, 230, 230));
  DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteObject(font);
}

}  // namespace

bool PaintVideo(HDC dc, const RECT& rc, Session& s) {
  std::shared_ptr<const VideoFrame> frame;
  std::string aspect, crop;
  {
    std::lock_guard<std::mutex> lock(s.frames.mu);
    frame = s.frames.shown;
    aspect = s.frames.aspect;
    crop = s.frames.crop;
  }
  if (!frame || frame->width <= 0 || frame->height <= 0) return false;
  PictureLayout l = LayOut(*frame, aspect, crop, rc.right - rc.left, rc.bottom - rc.top);
  std::vector<uint8_t> pixels;
  ConvertToBgrx(*frame, l.source, pixels);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  FillRect(dc, &rc, black);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = l.source.width;
  bi.bmiHeader.biHeight = -l.source.height;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, rc.left + l.target.x, rc.top + l.target.y, l.target.width, l.target.height, 0, 0,
                l.source.width, l.source.height, pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
  DrawStatusLine(dc, rc, s);
  return true;
}

}  // namespace strevo::engine

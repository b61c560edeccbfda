#include "snapshot_win.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "status_window_win.h"
#include "support/jpeg_encoder.h"
#include "util_win.h"

namespace strevo::engine {

using namespace engine_abi;

namespace {
std::vector<uint8_t> StatusJpeg(const Session& s, const VarStore& vars);
int SaveSnapshot(const std::vector<uint8_t>& jpg, const std::string& target, int& counter);
}  // namespace

int WriteSnapshot(const Session* session, const VarStore& vars, int& counter) {
  std::string target = TextVar(vars, "conf::snapshot-path");
  if (target.empty() || !session) return kGeneric;
  const Session& s = *session;
  std::vector<uint8_t> jpg;
  std::shared_ptr<const VideoFrame> frame;
  {
    std::lock_guard<std::mutex> lock(s.frames.mu);
    frame = s.frames.shown;
  }
  if (frame) {
    // The decoded picture at its own size.
    std::vector<uint8_t> rgb = ConvertToRgb(*frame);
    jpg = EncodeJpeg(rgb.data(), frame->width, frame->height, frame->width * 3, 90);
  } else {
    jpg = StatusJpeg(s, vars);
  }
  if (jpg.empty()) return kNoMemory;
  return SaveSnapshot(jpg, target, counter);
}

namespace {

// The status picture: the status window's size, else the panel's, else the
// configured size, else 360 x 288.
std::vector<uint8_t> StatusJpeg(const Session& s, const VarStore& vars) {
  RECT rc{0, 0, 0, 0};
  if (s.window) GetClientRect(s.window, &rc);
  else if (s.drawable && IsWindow(s.drawable)) GetClientRect(s.drawable, &rc);
  if (rc.right <= 0 || rc.bottom <= 0) {
    rc.right = IntVar(vars, "conf::width", 360);
    rc.bottom = IntVar(vars, "conf::height", 288);
    if (rc.right <= 0 || rc.right > 8192 || rc.bottom <= 0 || rc.bottom > 8192) rc = RECT{0, 0, 360, 288};
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = rc.right;
  bi.bmiHeader.biHeight = -rc.bottom;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) {
    DeleteDC(dc);
    return {};
  }
  HGDIOBJ old = SelectObject(dc, bmp);
  DrawStatus(dc, rc, FiguresOf(s));
  GdiFlush();
  const int stride = (rc.right * 3 + 3) & ~3;
  std::vector<uint8_t> rgb(static_cast<size_t>(rc.right) * rc.bottom * 3);
  for (int y = 0; y < rc.bottom; ++y)
    for (int x = 0; x < rc.right; ++x) {
      const uint8_t* p = static_cast<const uint8_t*>(bits) + y * stride + x * 3;  // B, G, R
      uint8_t* q = &rgb[(static_cast<size_t>(y) * rc.right + x) * 3];
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
    }
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  return EncodeJpeg(rgb.data(), rc.right, rc.bottom, rc.right * 3, 90);
}

int SaveSnapshot(const std::vector<uint8_t>& jpg, const std::string& target, int& counter) {
  // A folder (closing separator or an existing folder) gets numbered files.
  std::wstring path = Widen(target);
  DWORD attrs = GetFileAttributesW(path.c_str());
  bool folder = target.back() == '\\' || target.back() == '/' ||
                (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY));
  if (folder) {
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    std::wstring name;
    for (int tries = 0; tries < 100000; ++tries) {
      name = path + Widen(SnapshotFileName(++counter));
      if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) break;
    }
    path = name;
  }
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return kGeneric;
  DWORD written = 0;
  BOOL ok = WriteFile(f, jpg.data(), static_cast<DWORD>(jpg.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == jpg.size() ? kSuccess : kGeneric;
}

}  // namespace

}  // namespace strevo::engine

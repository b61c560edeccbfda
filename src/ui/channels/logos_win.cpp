#include "ui/channels/logos_win.h"

#include <wincodec.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/eventlog.h"
#include "net/http_win.h"
#include "playback/playlist.h"
#include "ui/channels/logos.h"
#include "ui/main/mainwindow_win.h"
#include "win/file_win.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

namespace {

using Pixels = std::vector<uint32_t>;  // kLogoSide rows of premultiplied BGRA

struct Fetcher {
  std::mutex m;
  std::condition_variable wake;
  std::deque<std::string> queue;
  bool stop = false;
  std::thread thread;
  std::atomic<DWORD> threadId{0};  // set once the worker has its message queue
  std::atomic<bool> done{false};
  MainWindow* mw = nullptr;
  std::string folder;  // the cache
};
Fetcher g_fetcher;

// UI thread only.
std::map<std::string, HBITMAP> g_logos;

template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

std::optional<Pixels> Decode(const std::string& bytes, std::string& why) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))) {
    why = "no imaging component";
    return std::nullopt;
  }
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                          static_cast<DWORD>(bytes.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame))) {
    why = "not a picture";
    return std::nullopt;
  }
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > kLogoMaxSide ||
      height > kLogoMaxSide) {
    why = "picture of " + std::to_string(width) + "x" + std::to_string(height);
    return std::nullopt;
  }
  const LogoSize fit = FitLogo(static_cast<int>(width), static_cast<int>(height), kLogoSide);
  ComPtr<IWICFormatConverter> converter;
  ComPtr<IWICBitmapScaler> scaler;
  std::vector<uint32_t> scaled(static_cast<size_t>(fit.width) * static_cast<size_t>(fit.height));
  if (FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(factory->CreateBitmapScaler(&scaler)) ||
      FAILED(scaler->Initialize(converter.p, static_cast<UINT>(fit.width), static_cast<UINT>(fit.height),
                                WICBitmapInterpolationModeFant)) ||
      FAILED(scaler->CopyPixels(nullptr, static_cast<UINT>(fit.width) * 4, static_cast<UINT>(scaled.size() * 4),
                                reinterpret_cast<BYTE*>(scaled.data())))) {
    why = "picture not decoded";
    return std::nullopt;
  }
  // Centred in the square; the rest stays transparent.
  Pixels square(static_cast<size_t>(kLogoSide) * kLogoSide, 0);
  const int left = (kLogoSide - fit.width) / 2, top = (kLogoSide - fit.height) / 2;
  for (int y = 0; y < fit.height; ++y)
    for (int x = 0; x < fit.width; ++x)
      square[static_cast<size_t>((top + y) * kLogoSide + left + x)] = scaled[static_cast<size_t>(y * fit.width + x)];
  return square;
}

// Keeps the cache within its limit, the least recently used first out.
void TrimCache(const std::string& folder) {
  std::vector<CachedLogo> files;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(Widen(folder + "\\*.logo").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    files.push_back({Narrow(found.cFileName),
                     static_cast<int64_t>((uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow),
                     (uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) | found.ftLastWriteTime.dwLowDateTime});
  } while (FindNextFileW(h, &found));
  FindClose(h);
  for (const std::string& name : LogosToEvict(files, kLogoCacheMaxBytes)) {
    DeleteFileW(Widen(folder + "\\" + name).c_str());
    LogLine("logo cache: " + name + " removed");
  }
}

// Marks a cached logo as used now, so eviction keeps it longer.
void Touch(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);  // an order of uses, not the program's clock
  SetFileTime(h, nullptr, nullptr, &now);
  CloseHandle(h);
}

// The logo's pixels, or nothing (and a log line that says why).
std::optional<Pixels> Load(const std::string& address, const std::string& folder) {
  std::string path = address;
  const bool cached = LogoSourceOf(address) == LogoSource::Http;
  bool fetched = false;
  if (cached) {
    path = folder + "\\" + LogoCacheName(address);
    if (FileSizeOf(path) > 0) {
      Touch(path);
    } else {
      CreateDirectoryW(Widen(folder).c_str(), nullptr);
      if (!httpgetfile(address, path, nullptr, kLogoLimits)) {
        DeleteFileW(Widen(path).c_str());
        LogLine("logo skipped: " + address + ": not downloaded");
        return std::nullopt;
      }
      fetched = true;
    }
  }
  std::string bytes, why;
  std::optional<Pixels> pixels;
  if (!ReadFileBytes(path, bytes, kLogoLimits.maxBytes)) why = "unreadable or over " + std::to_string(kLogoLimits.maxBytes) + " bytes";
  else if (LogoKindOf(bytes) == LogoKind::None) why = "not a picture";
  else pixels = Decode(bytes, why);
  if (!pixels) {
    // A cached file that is no logo is not kept to be tried again.
    if (cached) DeleteFileW(Widen(path).c_str());
    LogLine("logo skipped: " + address + ": " + why);
    return std::nullopt;
  }
  if (fetched) TrimCache(folder);
  return pixels;
}

HBITMAP MakeBitmap(const Pixels& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kLogoSide;
  info.bmiHeader.biHeight = -kLogoSide;  // top-down, as decoded
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp && bits) memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));
  return bmp;
}

// On the UI thread: the bitmap kept, and the entries showing it redrawn.
void Deliver(MainWindow* mw, const std::string& address, const Pixels& pixels) {
  if (g_logos.count(address)) return;
  HBITMAP bmp = MakeBitmap(pixels);
  if (!bmp) return;
  g_logos[address] = bmp;
  LogLine("logo shown: " + address);
  if (mw->lstPlaylist) InvalidateRect(mw->lstPlaylist, nullptr, FALSE);
}

void Work() {
  // A message queue of its own, so that StopLogoFetcher's WM_QUIT ends a
  // transfer's wait at once.
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  g_fetcher.threadId = GetCurrentThreadId();
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  for (;;) {
    std::string address, folder;
    MainWindow* mw;
    {
      std::unique_lock lock(g_fetcher.m);
      g_fetcher.wake.wait(lock, [] { return g_fetcher.stop || !g_fetcher.queue.empty(); });
      if (g_fetcher.stop) break;
      address = std::move(g_fetcher.queue.front());
      g_fetcher.queue.pop_front();
      folder = g_fetcher.folder;
      mw = g_fetcher.mw;
    }
    std::optional<Pixels> pixels = Load(address, folder);
    if (pixels) PostToUi([mw, address, p = std::move(*pixels)] { Deliver(mw, address, p); });
  }
  if (com) CoUninitialize();
  g_fetcher.done = true;
}

}  // namespace

void FetchChannelLogos(MainWindow& mw) {
  std::vector<std::string> logos;
  if (mw.globals.readM3uTags)
    for (const ChannelTags& tags : mw.channelTags)
      if (!tags.tvgLogo.empty() && !g_logos.count(tags.tvgLogo)) logos.push_back(tags.tvgLogo);
  const bool listIsLocal = ClassifyPlaylistAddress(mw.globals.playlistUrl) == PlaylistSource::LocalFile;
  const std::vector<std::string> addresses = LogoAddresses(logos, listIsLocal);
  std::lock_guard lock(g_fetcher.m);
  if (g_fetcher.stop) return;
  g_fetcher.queue.assign(addresses.begin(), addresses.end());
  g_fetcher.mw = &mw;
  g_fetcher.folder = ExeFolder() + "\\" + kLogoFolder;
  if (!g_fetcher.queue.empty() && !g_fetcher.thread.joinable()) {
    try {
      g_fetcher.thread = std::thread(Work);
    } catch (...) {
      LogLine("logos: no worker thread");
      g_fetcher.queue.clear();
      return;
    }
  }
  g_fetcher.wake.notify_one();
}

HBITMAP ChannelLogo(const std::string& address) {
  auto it = g_logos.find(address);
  return it == g_logos.end() ? nullptr : it->second;
}

void StopLogoFetcher() {
  {
    std::lock_guard lock(g_fetcher.m);
    g_fetcher.stop = true;
    g_fetcher.queue.clear();
  }
  g_fetcher.wake.notify_one();
  if (!g_fetcher.thread.joinable()) return;
  // The worker may be inside a transfer, waiting while it pumps messages:
  // WM_QUIT ends that wait. Posted until the worker is done, as its queue may
  // not exist yet the first time.
  while (!g_fetcher.done) {
    if (const DWORD id = g_fetcher.threadId) PostThreadMessageW(id, WM_QUIT, 0, 0);
    Sleep(20);
  }
  g_fetcher.thread.join();
  LogLine("logos: worker stopped");
}

}  // namespace strevo

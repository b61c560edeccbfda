#include "unzip/zip_host_win.h"

#include <windows.h>

#include <string>

#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {
namespace {

// UTF-8 -> UTF-16, with the long-path prefix for absolute drive paths that
// would exceed MAX_PATH, or the 248 characters CreateDirectoryW allows
// (such paths already use "\" throughout).
std::wstring Wide(const std::string& utf8) {
  std::wstring w;
  if (!utf8.empty()) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    w.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  }
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  if (w.size() >= MAX_PATH - 12 && w.size() > 2 && w[1] == L':' && w[2] == L'\\') w.insert(0, L"\\\\?\\");
  return w;
}

class WinReader : public ZipReader {
 public:
  WinReader(HANDLE h, uint64_t size) : h_(h), size_(size) {}
  ~WinReader() override { CloseHandle(h_); }
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buf, uint32_t n) override {
    if (offset > size_ || size_ - offset < n) return false;
    auto* p = static_cast<char*>(buf);
    while (n) {
      OVERLAPPED ov{};
      ov.Offset = static_cast<DWORD>(offset);
      ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD got = 0;
      if (!ReadFile(h_, p, n, &got, &ov) || got == 0) return false;
      p += got;
      offset += got;
      n -= got;
    }
    return true;
  }

 private:
  HANDLE h_;
  uint64_t size_;
};

class WinWriter : public ZipWriter {
 public:
  explicit WinWriter(HANDLE h) : h_(h) {}
  ~WinWriter() override { Close(); }
  bool Write(const void* data, uint32_t n) override {
    const auto* p = static_cast<const char*>(data);
    while (n) {
      DWORD wrote = 0;
      if (!WriteFile(h_, p, n, &wrote, nullptr) || wrote == 0) return false;
      p += wrote;
      n -= wrote;
    }
    return true;
  }
  bool Close() override {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    const bool ok = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

}  // namespace

std::unique_ptr<ZipReader> WinZipHost::OpenArchive(const std::string& path) {
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h, &size)) {
    CloseHandle(h);
    return nullptr;
  }
  return std::make_unique<WinReader>(h, static_cast<uint64_t>(size.QuadPart));
}

std::unique_ptr<ZipWriter> WinZipHost::CreateOutputFile(const std::string& path) {
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<WinWriter>(h);
}

bool WinZipHost::CreateFolders(const std::string& path) {
  const std::wstring w = Wide(path);
  // Create each prefix in turn, skipping the drive ("C:\"), a UNC server
  // and share, or the long-path prefix.
  size_t start = 0;
  if (w.rfind(L"\\\\?\\", 0) == 0) start = 4;
  if (w.size() >= start + 3 && w[start + 1] == L':') start += 3;
  else if (w.rfind(L"\\\\", 0) == 0) {
    const size_t server = w.find(L'\\', 2);
    const size_t share = server == std::wstring::npos ? server : w.find(L'\\', server + 1);
    start = share == std::wstring::npos ? w.size() : share + 1;
  }
  for (size_t i = start; i <= w.size(); ++i) {
    if (i < w.size() && w[i] != L'\\') continue;
    if (i == 0) continue;
    // Failures are fine here (the folder exists, or a parent is not
    // ours to create); the final check decides.
    CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
  }
  const DWORD attr = GetFileAttributesW(w.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool WinZipHost::FileExists(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<int64_t> WinZipHost::FreeBytes(const std::string& folder) { return FreeBytesOfDrive(folder); }

bool WinZipHost::DeleteOutputFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

void WinZipHost::SetAttributes(const std::string& path, uint32_t attributes) {
  const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                         FILE_ATTRIBUTE_ARCHIVE;
  DWORD a = attributes & settable;
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  SetFileAttributesW(Wide(path).c_str(), a);
}

void WinZipHost::SetFileTime(const std::string& path, uint32_t dos_date_time) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(static_cast<WORD>(dos_date_time >> 16), static_cast<WORD>(dos_date_time & 0xFFFF),
                             &local) ||
      !LocalFileTimeToFileTime(&local, &utc))
    return;
  HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  ::SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
}

void WinZipHost::PumpMessages() { PumpPendingMessages(); }

int WinZipHost::OemCodePage() { return static_cast<int>(GetOEMCP()); }

std::string WinZipHost::NameToUtf8(std::string_view raw, int codepage) {
  if (codepage <= 0 || !IsValidCodePage(static_cast<UINT>(codepage))) return ZipHost::NameToUtf8(raw, codepage);
  return CodePageToUtf8Win(raw, static_cast<UINT>(codepage));
}

}  // namespace strevo

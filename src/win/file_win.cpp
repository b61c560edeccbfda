#include "win/file_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "win/util_win.h"

namespace strevo {

// Reads at most `limit` bytes from the start of the file; with `whole`, a file
// longer than that (or than a string may hold) is refused instead of cut.
static bool ReadStart(std::string_view path, std::string& bytes, int64_t limit, bool whole) {
  bytes.clear();
  // FILE_SHARE_DELETE: a writer may replace the file while it is read here
  // (the scheduler window's save meeting the player's once-a-minute read).
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) != 0;
  if (ok && whole) ok = size.QuadPart < (int64_t{1} << 31) && size.QuadPart <= limit;
  if (ok) {
    bytes.resize(static_cast<size_t>(std::min<int64_t>(size.QuadPart, limit)));
    size_t done = 0;
    while (ok && done < bytes.size()) {
      DWORD got = 0;
      ok = ReadFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) && got > 0;
      done += got;
    }
    bytes.resize(done);
  }
  CloseHandle(h);
  return ok;
}

bool ReadFileBytes(std::string_view path, std::string& bytes, int64_t maxBytes) {
  return ReadStart(path, bytes, maxBytes, true);
}

ReplacingFile::ReplacingFile(std::string_view path)
    : target_(Widen(path)),
      temp_(target_ + L".new"),
      handle_(CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)),
      ok_(handle_ != INVALID_HANDLE_VALUE) {}

ReplacingFile::~ReplacingFile() {
  if (handle_ == INVALID_HANDLE_VALUE && ok_) return;  // committed
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  // The caller tells the reason: the clean-up must not change it.
  const DWORD e = GetLastError();
  DeleteFileW(temp_.c_str());
  SetLastError(e);
}

bool ReplacingFile::Write(std::string_view bytes) {
  size_t done = 0;
  while (ok_ && done < bytes.size()) {
    DWORD put = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    ok_ = ::WriteFile(handle_, bytes.data() + done, chunk, &put, nullptr) && put == chunk;
    done += put;
  }
  return ok_;
}

bool ReplacingFile::Commit(bool flush) {
  if (!ok_ || handle_ == INVALID_HANDLE_VALUE) return false;
  if (flush) ok_ = FlushFileBuffers(handle_) && ok_;
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  // A reader of another program may hold the old file open without letting
  // it be replaced: such a read is over in a moment, so the replacing is
  // tried again for up to a second.
  for (int attempt = 0; ok_; ++attempt) {
    if (MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : 0)))
      break;
    const DWORD e = GetLastError();
    if (attempt >= 20 || (e != ERROR_SHARING_VIOLATION && e != ERROR_ACCESS_DENIED && e != ERROR_LOCK_VIOLATION)) {
      ok_ = false;
      break;
    }
    Sleep(50);
  }
  return ok_;
}

bool WriteFileReplacing(std::string_view path, std::string_view bytes, bool flush) {
  ReplacingFile file(path);
  return file.Write(bytes) && file.Commit(flush);
}

int64_t FileSizeOf(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool AppendToFile(const std::wstring& path, std::string_view text, bool create) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // Windows appends atomically for FILE_APPEND_DATA, Wine does not (two
  // processes lose each other's lines there). Every writer takes this one-byte
  // lock far past any data, which blocks no reader, then writes at the end;
  // the engine's log writer takes the same byte.
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFFE;
  at.OffsetHigh = 0x7FFFFFFF;
  const bool locked = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
  LARGE_INTEGER zero{};
  DWORD written = 0;
  const bool ok = SetFilePointerEx(h, zero, nullptr, FILE_END) &&
                  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  if (locked) UnlockFileEx(h, 0, 1, 0, &at);
  CloseHandle(h);
  return ok;
}

bool ReadFilePrefix(std::string_view path, size_t limit, std::string& bytes) {
  return ReadStart(path, bytes, static_cast<int64_t>(std::min<size_t>(limit, INT64_MAX)), false);
}

// Calls `visit` with the name and whether it is a folder for every entry of a
// folder but "." and "..".
template <typename Visit>
static void ForEachEntry(std::string_view folder, Visit visit) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(std::string(folder) + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    visit(Narrow(name), (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

void RemoveFolderTree(std::string_view folder) {
  const std::string base(folder);
  ForEachEntry(base, [&](const std::string& name, bool isFolder) {
    const std::string path = base + "\\" + name;
    if (isFolder) {
      RemoveFolderTree(path);
    } else {
      SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(Widen(path).c_str());
    }
  });
  RemoveDirectoryW(Widen(base).c_str());
}

bool MoveFilesInto(std::string_view from, std::string_view to) {
  const std::string source(from), target(to);
  CreateDirectoryW(Widen(target).c_str(), nullptr);
  bool ok = true;
  ForEachEntry(source, [&](const std::string& name, bool isFolder) {
    const std::string a = source + "\\" + name, b = target + "\\" + name;
    if (isFolder)
      ok = MoveFilesInto(a, b) && ok;
    else {
      // A read-only target is not replaced by Windows: its attributes go first.
      SetFileAttributesW(Widen(b).c_str(), FILE_ATTRIBUTE_NORMAL);
      ok = MoveFileExW(Widen(a).c_str(), Widen(b).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) && ok;
    }
  });
  return ok;
}

std::optional<int64_t> FreeBytesOfDrive(std::string_view path) {
  if (path.empty()) return std::nullopt;
  char letter = path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const std::string root = std::string(1, letter) + ":\\";
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(Widen(root).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return static_cast<int64_t>(available.QuadPart);
}

bool CanCreateFile(std::string_view path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

}  // namespace strevo

#include "guide/guide_files_win.h"

#include <algorithm>

#include "base/eventlog.h"
#include "base/text_helpers.h"
#include "guide/http_win.h"
#include "guide/unzip/zip.h"
#include "guide/unzip/zip_host_win.h"
#include "win/clock_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

std::vector<std::string> GuideFileNames(const std::string& exeFolder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(exeFolder + "\\TVGuide\\*.ndx").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string n = Narrow(fd.cFileName);
    if (n.size() >= 4) names.push_back(n.substr(0, n.size() - 4));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

static std::wstring UpperName(std::wstring name) {
  CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

int LocalOffsetMinutesAt(DateTime utc) {
  // To the minute: zones differ in whole minutes.
  SYSTEMTIME u = ToSystemTime(utc);
  u.wSecond = u.wMilliseconds = 0;
  SYSTEMTIME local{};
  if (u.wYear < 1601 || !SystemTimeToTzSpecificLocalTime(nullptr, &u, &local)) return 0;
  FILETIME fu{}, fl{};
  SystemTimeToFileTime(&u, &fu);
  SystemTimeToFileTime(&local, &fl);
  const auto ticks = [](const FILETIME& f) { return static_cast<int64_t>(uint64_t{f.dwHighDateTime} << 32 | f.dwLowDateTime); };
  return static_cast<int>((ticks(fl) - ticks(fu)) / (60LL * 10'000'000));
}

uint64_t WinGuideFiles::Now() const { return ticks_ ? ticks_() : GetTickCount64(); }

WinGuideFiles::Listing WinGuideFiles::List(const std::string& folder, uint64_t now) {
  Listing listing;
  listing.takenMs = now;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(folder + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) listing.names.insert(UpperName(fd.cFileName));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  return listing;
}

bool WinGuideFiles::Exists(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::wstring name = UpperName(Widen(FileNameOf(path)));
  const uint64_t now = Now();
  auto it = listings_.find(folder);
  if (it == listings_.end()) it = listings_.emplace(folder, List(folder, now)).first;
  if (it->second.names.count(name)) return true;
  if (now - it->second.takenMs < kRelistAfterMs) return false;
  it->second = List(folder, now);
  return it->second.names.count(name) != 0;
}

std::string WinGuideFiles::TextToUtf8(std::string_view bytes, int codepage) {
  if (codepage <= 0 || !IsValidCodePage(static_cast<UINT>(codepage))) return GuideFiles::TextToUtf8(bytes, codepage);
  return CodePageToUtf8Win(bytes, static_cast<UINT>(codepage));
}

bool WinGuideFiles::Read(const std::string& path, size_t limit, std::string& bytes) {
  return ReadFilePrefix(path, limit, bytes);
}

bool WinGuideUpdateSystem::Download(const std::string& url, const std::string& path) {
  return httpgetfile(url, path, progressBar_);
}

bool WinGuideUpdateSystem::IsArchive(const std::string& path) {
  WinZipHost host;
  ZipEnv env;
  env.host = &host;
  uint32_t offset = 0;
  return ZipCheckArchive(path, &offset, env);
}

bool WinGuideUpdateSystem::ExtractAll(const std::string& archive, const std::string& folder) {
  WinZipHost host;
  ZipEnv env;
  env.host = &host;
  // An entry of a method this program lacks, an encrypted one or one whose
  // name is refused is skipped, logged, and costs no channel its guide; a
  // damaged one (or an abandoned walk) makes the extraction not whole.
  // A few failures are not reported at all: every entry begun must also be
  // reported done or skipped.
  int begun = 0, done = 0;
  bool failed = false;
  const int result = ZipExtractAll(
      archive, folder, "*.*",
      [&](int32_t code, const TReportRec& rec) {
        if (code == kZipReportEntry) {
          ++begun;
        } else if (code == kZipReportDone) {
          ++done;
        } else if ((code == kZipBadMethod || code == kZipEncrypted || code == kZipCreateError) && !rec.is_directory) {
          LogLine("guide: entry skipped (" + std::to_string(code) + "): " + FileNameOf(rec.file_name));
          ++done;
        } else if (code == kZipReportAbandon || (code < 0 && code > kZipReportAbandon)) {
          failed = true;
        }
      },
      nullptr, env);
  return result >= 0 && !failed && begun == done;
}

int64_t WinGuideUpdateSystem::FileSize(const std::string& path) { return FileSizeOf(path); }

// Windows refuses to delete or replace a read-only file (an archive's entry
// may carry the bit, or the user's own file): its attributes go first.
void WinGuideUpdateSystem::RemoveFile(const std::string& path) {
  SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(Widen(path).c_str());
}

void WinGuideUpdateSystem::RemoveTree(const std::string& folder) { RemoveFolderTree(folder); }

bool WinGuideUpdateSystem::MoveFilesInto(const std::string& from, const std::string& to) {
  return strevo::MoveFilesInto(from, to);
}

bool WinGuideUpdateSystem::ReadFile(const std::string& path, int64_t limit, std::string& bytes) {
  return ReadFileBytes(path, bytes, limit);
}

bool WinGuideUpdateSystem::WriteFile(const std::string& path, const std::string& bytes) {
  CreateDirectoryW(Widen(FolderOf(path)).c_str(), nullptr);
  SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  return WriteFileReplacing(path, bytes);
}

std::vector<std::string> WinGuideUpdateSystem::FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(folder + "\\" + Narrow(fd.cFileName));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace strevo

#include "guide/guide_files_win.h"

#include <algorithm>

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

bool WinGuideFiles::Exists(const std::string& path) {
  const std::string folder = FolderOf(path);
  auto it = listings_.find(folder);
  if (it == listings_.end()) {
    std::unordered_set<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Widen(folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(UpperName(fd.cFileName));
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    it = listings_.emplace(folder, std::move(names)).first;
  }
  return it->second.count(UpperName(Widen(FileNameOf(path)))) != 0;
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
  // Skipped entries are reported by their error code, and a few not at all:
  // every entry begun must also be reported done.
  int begun = 0, done = 0;
  bool failed = false;
  const int result = ZipExtractAll(
      archive, folder, "*.*",
      [&](int32_t code, const TReportRec&) {
        if (code == kZipReportEntry) ++begun;
        else if (code == kZipReportDone) ++done;
        else if (code == kZipReportAbandon || (code < 0 && code > kZipReportAbandon)) failed = true;
      },
      nullptr, env);
  return result >= 0 && !failed && begun == done;
}

int64_t WinGuideUpdateSystem::FileSize(const std::string& path) { return FileSizeOf(path); }

void WinGuideUpdateSystem::RemoveFile(const std::string& path) { DeleteFileW(Widen(path).c_str()); }

void WinGuideUpdateSystem::RemoveTree(const std::string& folder) { RemoveFolderTree(folder); }

bool WinGuideUpdateSystem::MoveFilesInto(const std::string& from, const std::string& to) {
  return strevo::MoveFilesInto(from, to);
}

bool WinGuideUpdateSystem::ReadFile(const std::string& path, int64_t limit, std::string& bytes) {
  return ReadFileBytes(path, bytes, limit);
}

bool WinGuideUpdateSystem::WriteFile(const std::string& path, const std::string& bytes) {
  CreateDirectoryW(Widen(FolderOf(path)).c_str(), nullptr);
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

#include "guide/guide_files_win.h"

#include <algorithm>

#include "base/eventlog.h"
#include "base/text_helpers.h"
#include "net/http_win.h"
#include "unzip/zip.h"
#include "unzip/zip_host_win.h"
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
  return httpgetfile(url, path, progressBar_, kGuideDownloadLimits);
}

bool WinGuideUpdateSystem::IsArchive(const std::string& path) {
  WinZipHost host;
  ZipEnv env;
  env.host = &host;
  uint32_t offset = 0;
  return ZipCheckArchive(path, &offset, env);
}

GuideExtraction WinGuideUpdateSystem::ExtractAll(const std::string& archive, const std::string& folder,
                                                 uint64_t limit) {
  WinZipHost host;
  return ExtractGuideArchive(host, archive, folder, limit);
}

int64_t WinGuideUpdateSystem::FileSize(const std::string& path) { return FileSizeOf(path); }

std::optional<int64_t> WinGuideUpdateSystem::FreeBytes(const std::string& folder) { return FreeBytesOfDrive(folder); }

void WinGuideUpdateSystem::ClearAttributes(const std::string& path) {
  SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

void WinGuideUpdateSystem::RemoveFile(const std::string& path) { DeleteFileW(Widen(path).c_str()); }

void WinGuideUpdateSystem::RemoveTree(const std::string& folder) { RemoveFolderTree(folder); }

bool WinGuideUpdateSystem::MoveReplacing(const std::string& from, const std::string& to) {
  WinZipHost().CreateFolders(FolderOf(to));
  return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool WinGuideUpdateSystem::ReadFile(const std::string& path, int64_t limit, std::string& bytes) {
  return ReadFileBytes(path, bytes, limit);
}

std::unique_ptr<ZipReader> WinGuideUpdateSystem::OpenFile(const std::string& path) {
  return WinZipHost().OpenArchive(path);
}

std::unique_ptr<GuideFileWriter> WinGuideUpdateSystem::ReplaceFile(const std::string& path) {
  // The guide is fetched again at will: no flush before it replaces the old.
  class Writer : public GuideFileWriter {
   public:
    explicit Writer(const std::string& path) : file_(path) {}
    bool Write(std::string_view bytes) override { return file_.Write(bytes); }
    bool Commit() override { return file_.Commit(false); }

   private:
    ReplacingFile file_;
  };
  CreateDirectoryW(Widen(FolderOf(path)).c_str(), nullptr);
  return std::make_unique<Writer>(path);
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

std::vector<std::string> WinGuideUpdateSystem::FilesBelow(const std::string& folder) {
  std::vector<std::string> files;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return files;
  do {
    const std::string name = Narrow(fd.cFileName);
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      files.push_back(folder + "\\" + name);
    } else if (name != "." && name != "..") {
      for (std::string& below : FilesBelow(folder + "\\" + name)) files.push_back(std::move(below));
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return files;
}

}  // namespace strevo

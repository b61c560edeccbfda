// The guide's files on a Windows file system.
#pragma once
#include <windows.h>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "guide/guide_update.h"
#include "guide/jtv.h"

namespace strevo {

// The ".ndx" names without extension in the TVGuide folder beside the exe,
// in the order the folder lists them.
std::vector<std::string> GuideFileNames(const std::string& exeFolder);

// The local zone's offset from UTC in minutes at a UTC moment, summer time
// included, as Windows' zone rules say.
int LocalOffsetMinutesAt(DateTime utc);

// Answers Exists from one listing per folder: asking the file system for
// every name costs more than reading the files themselves under Wine. Forget
// the listings whenever the guide cache is emptied.
class WinGuideFiles : public GuideFiles {
 public:
  bool Exists(const std::string& path) override;
  bool Read(const std::string& path, size_t limit, std::string& bytes) override;
  void Forget() { listings_.clear(); }

 private:
  // Folder -> its file names, upper-cased (Windows names ignore case).
  std::unordered_map<std::string, std::unordered_set<std::wstring>> listings_;
};

// Downloads with WinInet (showing `progressBar`, which may be null), unpacks
// with the program's own ZIP code.
class WinGuideUpdateSystem : public GuideUpdateSystem {
 public:
  explicit WinGuideUpdateSystem(HWND progressBar) : progressBar_(progressBar) {}
  bool Download(const std::string& url, const std::string& path) override;
  bool IsArchive(const std::string& path) override;
  bool ExtractAll(const std::string& archive, const std::string& folder) override;
  int64_t FileSize(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void RemoveTree(const std::string& folder) override;
  bool MoveFilesInto(const std::string& from, const std::string& to) override;
  bool ReadFile(const std::string& path, int64_t limit, std::string& bytes) override;
  bool WriteFile(const std::string& path, const std::string& bytes) override;
  std::vector<std::string> FilesIn(const std::string& folder) override;

 private:
  HWND progressBar_;
};

}  // namespace strevo

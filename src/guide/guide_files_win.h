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
// every name costs more than reading the files themselves under Wine. A name
// the listing lacks has the folder listed again once the listing is a few
// seconds old, so a pair copied in by hand is found without an update. Forget
// the listings whenever the guide cache is emptied.
class WinGuideFiles : public GuideFiles {
 public:
  using TickSource = uint64_t (*)();  // milliseconds, as GetTickCount64
  static constexpr uint64_t kRelistAfterMs = 5000;
  explicit WinGuideFiles(TickSource ticks = nullptr) : ticks_(ticks) {}
  bool Exists(const std::string& path) override;
  bool Read(const std::string& path, size_t limit, std::string& bytes) override;
  std::string TextToUtf8(std::string_view bytes, int codepage) override;
  void Forget() { listings_.clear(); }

 private:
  struct Listing {
    std::unordered_set<std::wstring> names;  // upper-cased (Windows names ignore case)
    uint64_t takenMs = 0;
  };
  uint64_t Now() const;
  static Listing List(const std::string& folder, uint64_t now);
  TickSource ticks_;
  std::unordered_map<std::string, Listing> listings_;
};

// Downloads with WinInet (showing `progressBar`, which may be null), unpacks
// with the program's own ZIP code.
class WinGuideUpdateSystem : public GuideUpdateSystem {
 public:
  explicit WinGuideUpdateSystem(HWND progressBar) : progressBar_(progressBar) {}
  bool Download(const std::string& url, const std::string& path) override;
  bool IsArchive(const std::string& path) override;
  GuideExtraction ExtractAll(const std::string& archive, const std::string& folder, uint64_t limit) override;
  int64_t FileSize(const std::string& path) override;
  std::optional<int64_t> FreeBytes(const std::string& folder) override;
  void ClearAttributes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void RemoveTree(const std::string& folder) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override;
  std::unique_ptr<ZipReader> OpenFile(const std::string& path) override;
  std::unique_ptr<GuideFileWriter> ReplaceFile(const std::string& path) override;
  bool ReadFile(const std::string& path, int64_t limit, std::string& bytes) override;
  bool WriteFile(const std::string& path, const std::string& bytes) override;
  std::vector<std::string> FilesIn(const std::string& folder) override;
  std::vector<std::string> FilesBelow(const std::string& folder) override;

 private:
  HWND progressBar_;
};

}  // namespace strevo

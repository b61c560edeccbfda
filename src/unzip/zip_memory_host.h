#pragma once
// ZipHost that keeps everything in memory: archives are registered by path,
// output files land in a map (or are only counted). For the fuzz target,
// benchmarks and tests that must not touch the disk.

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "unzip/zip_host.h"

namespace strevo {

class MemoryZipHost : public ZipHost {
 public:
  struct File {
    std::string data;
    uint32_t attributes = 0;
    uint32_t time = 0;
  };

  // keep_contents = false: output is counted, not stored.
  explicit MemoryZipHost(bool keep_contents = true) : keep_contents_(keep_contents) {}

  // The bytes are not copied and must outlive the host's use of them.
  void AddArchive(const std::string& path, std::string_view bytes) { archives_[path] = bytes; }

  std::unique_ptr<ZipReader> OpenArchive(const std::string& path) override;
  std::unique_ptr<ZipWriter> CreateOutputFile(const std::string& path) override;
  bool CreateFolders(const std::string& path) override;
  bool FileExists(const std::string& path) override { return files_.count(path) != 0; }
  bool DeleteOutputFile(const std::string& path) override { return files_.erase(path) != 0; }
  void SetAttributes(const std::string& path, uint32_t attributes) override;
  void SetFileTime(const std::string& path, uint32_t dos_date_time) override;

  const std::map<std::string, File>& files() const { return files_; }
  const std::set<std::string>& folders() const { return folders_; }
  uint64_t bytes_written() const { return bytes_written_; }
  // When true, creating a file fails unless its folder was created first,
  // as on a real disk.
  bool require_folders = false;

 private:
  friend class MemoryZipWriter;
  std::map<std::string, std::string_view> archives_;
  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  uint64_t bytes_written_ = 0;
  bool keep_contents_;
};

}  // namespace strevo

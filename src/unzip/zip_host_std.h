#pragma once
// ZipHost over std::filesystem, for native builds and tests.

#include "unzip/zip_host.h"

namespace strevo {

class StdZipHost : public ZipHost {
 public:
  std::unique_ptr<ZipReader> OpenArchive(const std::string& path) override;
  std::unique_ptr<ZipWriter> CreateOutputFile(const std::string& path) override;
  bool CreateFolders(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool DeleteOutputFile(const std::string& path) override;
  // Only read-only has a counterpart here: it clears the write permissions
  // of files (folders are left writable so extraction can go on into them).
  void SetAttributes(const std::string& path, uint32_t attributes) override;
  void SetFileTime(const std::string& path, uint32_t dos_date_time) override;
};

}  // namespace strevo

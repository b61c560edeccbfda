#pragma once
// ZipHost for the Win32 shell: wide-character file APIs, DOS attributes and
// file times, and message pumping on the extracting thread.

#include "unzip/zip_host.h"

namespace strevo {

class WinZipHost : public ZipHost {
 public:
  std::unique_ptr<ZipReader> OpenArchive(const std::string& path) override;
  std::unique_ptr<ZipWriter> CreateOutputFile(const std::string& path) override;
  bool CreateFolders(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool DeleteOutputFile(const std::string& path) override;
  void SetAttributes(const std::string& path, uint32_t attributes) override;
  void SetFileTime(const std::string& path, uint32_t dos_date_time) override;
  std::optional<int64_t> FreeBytes(const std::string& folder) override;
  // Dispatches the calling thread's pending messages once (a WM_QUIT met
  // on the way is posted again for the caller's own loop).
  void PumpMessages() override;
  // The system's OEM code page (GetOEMCP), converted by the system, which
  // knows every code page.
  int OemCodePage() override;
  std::string NameToUtf8(std::string_view raw, int codepage) override;
};

}  // namespace strevo

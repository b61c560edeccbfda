#pragma once
// What the ZIP extraction needs from the outside world: reading the archive,
// creating output files and folders, attributes and times, deleting a
// failed output file, keeping the window responsive, and a clock. The
// Win32 shell supplies its own host; StdZipHost (zip_host_std.h) serves
// native builds and tests, MemoryZipHost (zip_memory_host.h) works without
// a disk.
//
// Paths are UTF-8 with "\" as the folder separator (the form the extraction
// builds them in); hosts translate them for their file system.

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace strevo {

// Random access to an archive.
class ZipReader {
 public:
  virtual ~ZipReader() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly n bytes at offset; false on any failure or short read.
  virtual bool ReadAt(uint64_t offset, void* buf, uint32_t n) = 0;
};

// One output file being written.
class ZipWriter {
 public:
  virtual ~ZipWriter() = default;
  virtual bool Write(const void* data, uint32_t n) = 0;
  // Flushes and closes; false if anything was not written.
  virtual bool Close() = 0;
};

class ZipHost {
 public:
  virtual ~ZipHost() = default;
  virtual std::unique_ptr<ZipReader> OpenArchive(const std::string& path) = 0;
  // Creates or truncates; nullptr on failure (e.g. the folder is missing).
  virtual std::unique_ptr<ZipWriter> CreateOutputFile(const std::string& path) = 0;
  // Creates the folder and all missing parents; true if it exists afterwards.
  virtual bool CreateFolders(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DeleteOutputFile(const std::string& path) = 0;
  // MS-DOS attribute bits (read-only 0x01, hidden 0x02, system 0x04,
  // archive 0x20); 0 clears them all.
  virtual void SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // MS-DOS time (low half) and date (high half), local time.
  virtual void SetFileTime(const std::string& path, uint32_t dos_date_time) = 0;
  // Bytes free for this user on the disk that holds `folder`; nullopt
  // when the host cannot tell.
  virtual std::optional<int64_t> FreeBytes(const std::string& folder) { return std::nullopt; }
  // Lets the caller's window process pending messages; a no-op elsewhere.
  virtual void PumpMessages() {}
  // The code page of entry names without the UTF-8 flag: the system's OEM
  // code page. Hosts without a system answer 866, a Russian system's.
  virtual int OemCodePage() { return 866; }
  // An entry name in that code page -> UTF-8.
  virtual std::string NameToUtf8(std::string_view raw, int codepage);
};

// Milliseconds from any fixed origin; used for the busy mark's sign of life.
class ZipClock {
 public:
  virtual ~ZipClock() = default;
  virtual uint64_t NowMs() = 0;
};

// std::chrono::steady_clock.
ZipClock& SteadyZipClock();

// An archive held in memory (not copied: the bytes must outlive the reader).
class MemoryZipReader : public ZipReader {
 public:
  MemoryZipReader(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buf, uint32_t n) override {
    if (offset > size_ || size_ - offset < n) return false;
    // An empty field's buffer may be null, which memcpy must never be given.
    if (n > 0) std::memcpy(buf, data_ + offset, n);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace strevo

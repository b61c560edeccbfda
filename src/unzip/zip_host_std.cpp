#include "unzip/zip_host_std.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace strevo {
namespace {

namespace fs = std::filesystem;

fs::path ToPath(std::string path) {
#ifndef _WIN32
  for (char& c : path)
    if (c == '\\') c = '/';
#endif
  return fs::path(std::u8string(path.begin(), path.end()));
}

class FileReader : public ZipReader {
 public:
  FileReader(std::ifstream in, uint64_t size) : in_(std::move(in)), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buf, uint32_t n) override {
    if (offset > size_ || size_ - offset < n) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char*>(buf), n);
    return static_cast<uint32_t>(in_.gcount()) == n;
  }

 private:
  std::ifstream in_;
  uint64_t size_;
};

class FileWriter : public ZipWriter {
 public:
  explicit FileWriter(std::ofstream out) : out_(std::move(out)) {}
  bool Write(const void* data, uint32_t n) override {
    out_.write(static_cast<const char*>(data), n);
    return out_.good();
  }
  bool Close() override {
    out_.close();
    return !out_.fail();
  }

 private:
  std::ofstream out_;
};

}  // namespace

std::unique_ptr<ZipReader> StdZipHost::OpenArchive(const std::string& path) {
  const fs::path p = ToPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(p, ec)) return nullptr;
  const uint64_t size = fs::file_size(p, ec);
  if (ec) return nullptr;
  std::ifstream in(p, std::ios::binary);
  if (!in) return nullptr;
  return std::make_unique<FileReader>(std::move(in), size);
}

std::unique_ptr<ZipWriter> StdZipHost::CreateOutputFile(const std::string& path) {
  std::ofstream out(ToPath(path), std::ios::binary | std::ios::trunc);
  if (!out) return nullptr;
  return std::make_unique<FileWriter>(std::move(out));
}

bool StdZipHost::CreateFolders(const std::string& path) {
  const fs::path p = ToPath(path);
  std::error_code ec;
  fs::create_directories(p, ec);
  return fs::is_directory(p, ec);
}

bool StdZipHost::FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(ToPath(path), ec);
}

bool StdZipHost::DeleteOutputFile(const std::string& path) {
  std::error_code ec;
  return fs::remove(ToPath(path), ec);
}

void StdZipHost::SetAttributes(const std::string& path, uint32_t attributes) {
  const fs::path p = ToPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(p, ec)) return;
  constexpr auto kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (attributes & 0x01)
    fs::permissions(p, kWrite, fs::perm_options::remove, ec);
  else
    fs::permissions(p, fs::perms::owner_write, fs::perm_options::add, ec);
}

void StdZipHost::SetFileTime(const std::string& path, uint32_t dos_date_time) {
  std::tm tm{};
  tm.tm_sec = static_cast<int>((dos_date_time & 0x1F) * 2);
  tm.tm_min = static_cast<int>((dos_date_time >> 5) & 0x3F);
  tm.tm_hour = static_cast<int>((dos_date_time >> 11) & 0x1F);
  tm.tm_mday = static_cast<int>((dos_date_time >> 16) & 0x1F);
  tm.tm_mon = static_cast<int>(((dos_date_time >> 21) & 0x0F)) - 1;
  tm.tm_year = static_cast<int>(((dos_date_time >> 25) & 0x7F)) + 80;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return;
  // file_clock and system_clock differ by a constant; measure it.
  const auto sys_now = std::chrono::system_clock::now();
  const auto file_now = fs::file_time_type::clock::now();
  const auto when = file_now + std::chrono::duration_cast<fs::file_time_type::duration>(
                                   std::chrono::system_clock::from_time_t(t) - sys_now);
  std::error_code ec;
  fs::last_write_time(ToPath(path), when, ec);
}

}  // namespace strevo

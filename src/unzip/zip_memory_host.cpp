#include "unzip/zip_memory_host.h"

namespace strevo {

class MemoryZipWriter : public ZipWriter {
 public:
  MemoryZipWriter(MemoryZipHost& host, MemoryZipHost::File& file) : host_(host), file_(file) {}
  bool Write(const void* data, uint32_t n) override {
    host_.bytes_written_ += n;
    if (host_.keep_contents_) file_.data.append(static_cast<const char*>(data), n);
    return true;
  }
  bool Close() override { return true; }

 private:
  MemoryZipHost& host_;
  MemoryZipHost::File& file_;
};

std::unique_ptr<ZipReader> MemoryZipHost::OpenArchive(const std::string& path) {
  auto it = archives_.find(path);
  if (it == archives_.end()) return nullptr;
  return std::make_unique<MemoryZipReader>(it->second.data(), it->second.size());
}

std::unique_ptr<ZipWriter> MemoryZipHost::CreateOutputFile(const std::string& path) {
  if (require_folders) {
    const size_t cut = path.find_last_of('\\');
    if (cut != std::string::npos && !folders_.count(path.substr(0, cut + 1))) return nullptr;
  }
  File& f = files_[path];
  f = File{};
  return std::make_unique<MemoryZipWriter>(*this, f);
}

bool MemoryZipHost::CreateFolders(const std::string& path) {
  // Record the folder and every parent, each with its trailing separator.
  std::string p = path;
  if (p.empty()) return false;
  if (p.back() != '\\') p += '\\';
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i] == '\\' && i > 0) folders_.insert(p.substr(0, i + 1));
  return true;
}

void MemoryZipHost::SetAttributes(const std::string& path, uint32_t attributes) {
  auto it = files_.find(path);
  if (it != files_.end()) it->second.attributes = attributes;
}

void MemoryZipHost::SetFileTime(const std::string& path, uint32_t dos_date_time) {
  auto it = files_.find(path);
  if (it != files_.end()) it->second.time = dos_date_time;
}

}  // namespace strevo

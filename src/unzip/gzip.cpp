#include "unzip/gzip.h"

#include <algorithm>

#include "unzip/crc32.h"
#include "unzip/decoders.h"

namespace strevo {
namespace {

constexpr uint8_t kFlagHeaderCrc = 2, kFlagExtra = 4, kFlagName = 8, kFlagComment = 16;
constexpr int kSinkTooLarge = -20;

class MemorySource : public ZipByteSource {
 public:
  explicit MemorySource(std::string_view data) : data_(data) {}
  int32_t Read(uint8_t* buf, uint32_t n) override {
    const size_t take = std::min<size_t>(n, data_.size() - pos_);
    std::copy_n(data_.data() + pos_, take, reinterpret_cast<char*>(buf));
    pos_ += take;
    return static_cast<int32_t>(take);
  }

 private:
  std::string_view data_;
  size_t pos_ = 0;
};

class LimitedSink : public ZipByteSink {
 public:
  LimitedSink(std::string& out, uint64_t max) : out_(out), max_(max) {}
  int Write(const uint8_t* data, uint32_t n) override {
    if (out_.size() + n > max_) return kSinkTooLarge;
    out_.append(reinterpret_cast<const char*>(data), n);
    crc_ = Crc32Update(crc_, data, n);
    written_ += n;
    return 0;
  }
  uint32_t crc_ = 0;
  uint64_t written_ = 0;

 private:
  std::string& out_;
  uint64_t max_;
};

uint32_t Le32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
                               static_cast<uint8_t>(b[at + 2]) << 16 |
                               static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24);
}

// Where the member's deflate data begins, or 0 when its header is damaged.
size_t HeaderEnd(std::string_view m) {
  if (m.size() < 10 || !IsGzip(m)) return 0;
  const uint8_t flags = static_cast<uint8_t>(m[3]);
  if (flags & 0xE0) return 0;  // reserved bits
  size_t at = 10;
  if (flags & kFlagExtra) {
    if (at + 2 > m.size()) return 0;
    at += 2 + (static_cast<uint8_t>(m[at]) | static_cast<uint8_t>(m[at + 1]) << 8);
  }
  for (uint8_t text : {kFlagName, kFlagComment}) {
    if (!(flags & text)) continue;
    const size_t zero = at < m.size() ? m.find('\0', at) : std::string_view::npos;
    if (zero == std::string_view::npos) return 0;
    at = zero + 1;
  }
  if (flags & kFlagHeaderCrc) at += 2;
  return at < m.size() ? at : 0;
}

}  // namespace

bool IsGzip(std::string_view bytes) {
  return bytes.size() >= 3 && bytes[0] == '\x1F' && bytes[1] == '\x8B' && bytes[2] == 8;
}

GunzipStatus Gunzip(std::string_view bytes, uint64_t maxBytes, std::string& out) {
  out.clear();
  if (!IsGzip(bytes)) return GunzipStatus::NotGzip;
  while (!bytes.empty()) {
    const size_t start = HeaderEnd(bytes);
    if (start == 0) return GunzipStatus::Corrupt;
    MemorySource source(bytes.substr(start));
    LimitedSink sink(out, maxBytes);
    DecodeParams params;
    params.in = &source;
    params.out = &sink;
    const int r = DecodeDeflated(params);
    if (r == kSinkTooLarge) return GunzipStatus::TooLarge;
    if (r != kDecodeOk) return GunzipStatus::Corrupt;
    const size_t trailer = start + params.consumed;
    if (trailer + 8 > bytes.size()) return GunzipStatus::Corrupt;
    if (Le32(bytes, trailer) != sink.crc_ || Le32(bytes, trailer + 4) != static_cast<uint32_t>(sink.written_))
      return GunzipStatus::Corrupt;
    bytes.remove_prefix(trailer + 8);
    // Zero bytes after the last member pad some files to a block; they end it.
    if (bytes.find_first_not_of('\0') == std::string_view::npos) break;
  }
  return GunzipStatus::Ok;
}

}  // namespace strevo

#include "unzip/gzip.h"

#include <algorithm>

#include "unzip/crc32.h"
#include "unzip/decoders.h"
#include "unzip/zip_host.h"

namespace strevo {
namespace {

constexpr uint8_t kFlagHeaderCrc = 2, kFlagExtra = 4, kFlagName = 8, kFlagComment = 16;
constexpr int kSinkTooLarge = -20, kSinkStopped = -21;

// One member's deflate data, read where it lies.
class ReaderSource : public ZipByteSource {
 public:
  ReaderSource(ZipReader& in, uint64_t at) : in_(in), at_(at) {}
  int32_t Read(uint8_t* buf, uint32_t n) override {
    const uint64_t left = in_.Size() - std::min(at_, in_.Size());
    const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(n, left));
    if (take == 0) return 0;
    if (!in_.ReadAt(at_, buf, take)) return -1;
    at_ += take;
    return static_cast<int32_t>(take);
  }

 private:
  ZipReader& in_;
  uint64_t at_;
};

class CheckedSink : public ZipByteSink {
 public:
  CheckedSink(const GunzipOutput& out, uint64_t max, uint64_t& total) : out_(out), max_(max), total_(total) {}
  int Write(const uint8_t* data, uint32_t n) override {
    if (total_ + n > max_) return kSinkTooLarge;
    crc_ = Crc32Update(crc_, data, n);
    written_ += n;
    total_ += n;
    return out_(std::string_view(reinterpret_cast<const char*>(data), n)) ? 0 : kSinkStopped;
  }
  uint32_t crc_ = 0;
  uint64_t written_ = 0;

 private:
  const GunzipOutput& out_;
  uint64_t max_;
  uint64_t& total_;
};

uint32_t Le32(const uint8_t* b) {
  return static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
}

// Where the member at `at` has its deflate data, or 0 when its header is damaged.
uint64_t HeaderEnd(ZipReader& in, uint64_t at) {
  uint8_t h[10];
  if (!in.ReadAt(at, h, 10) || !IsGzip(std::string_view(reinterpret_cast<const char*>(h), 3))) return 0;
  const uint8_t flags = h[3];
  if (flags & 0xE0) return 0;  // reserved bits
  at += 10;
  if (flags & kFlagExtra) {
    uint8_t n[2];
    if (!in.ReadAt(at, n, 2)) return 0;
    at += 2 + (n[0] | n[1] << 8);
  }
  for (uint8_t text : {kFlagName, kFlagComment}) {
    if (!(flags & text)) continue;
    // A name or comment ends at its zero byte.
    for (;;) {
      uint8_t block[256];
      if (at >= in.Size()) return 0;
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(sizeof block, in.Size() - at));
      if (!in.ReadAt(at, block, n)) return 0;
      const uint8_t* zero = std::find(block, block + n, 0);
      at += static_cast<uint64_t>(zero - block);
      if (zero != block + n) {
        ++at;
        break;
      }
    }
  }
  if (flags & kFlagHeaderCrc) at += 2;
  return at < in.Size() ? at : 0;
}

// Zero bytes after the last member pad some files to a block; they end it.
bool OnlyZerosFrom(ZipReader& in, uint64_t at) {
  uint8_t block[4096];
  while (at < in.Size()) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(sizeof block, in.Size() - at));
    if (!in.ReadAt(at, block, n) || std::any_of(block, block + n, [](uint8_t b) { return b != 0; })) return false;
    at += n;
  }
  return true;
}

}  // namespace

bool IsGzip(std::string_view bytes) {
  return bytes.size() >= 3 && bytes[0] == '\x1F' && bytes[1] == '\x8B' && bytes[2] == 8;
}

GunzipStatus GunzipFrom(ZipReader& in, uint64_t maxBytes, const GunzipOutput& out) {
  uint8_t magic[3];
  if (!in.ReadAt(0, magic, 3) || !IsGzip(std::string_view(reinterpret_cast<const char*>(magic), 3)))
    return GunzipStatus::NotGzip;
  uint64_t at = 0, total = 0;
  while (at < in.Size()) {
    const uint64_t start = HeaderEnd(in, at);
    if (start == 0) return GunzipStatus::Corrupt;
    ReaderSource source(in, start);
    CheckedSink sink(out, maxBytes, total);
    DecodeParams params;
    params.in = &source;
    params.out = &sink;
    const int r = DecodeDeflated(params);
    if (r == kSinkTooLarge) return GunzipStatus::TooLarge;
    if (r == kSinkStopped) return GunzipStatus::Stopped;
    if (r != kDecodeOk) return GunzipStatus::Corrupt;
    const uint64_t trailer = start + params.consumed;
    uint8_t t[8];
    if (!in.ReadAt(trailer, t, 8)) return GunzipStatus::Corrupt;
    if (Le32(t) != sink.crc_ || Le32(t + 4) != static_cast<uint32_t>(sink.written_)) return GunzipStatus::Corrupt;
    at = trailer + 8;
    uint8_t next = 0;
    if (at < in.Size() && in.ReadAt(at, &next, 1) && next == 0) {
      if (!OnlyZerosFrom(in, at)) return GunzipStatus::Corrupt;
      break;
    }
  }
  return GunzipStatus::Ok;
}

GunzipStatus Gunzip(std::string_view bytes, uint64_t maxBytes, std::string& out) {
  out.clear();
  MemoryZipReader in(bytes.data(), bytes.size());
  return GunzipFrom(in, maxBytes, [&](std::string_view piece) {
    out.append(piece);
    return true;
  });
}

}  // namespace strevo

#pragma once
// Plumbing shared by the ZIP decoders: where compressed bytes come from,
// where decoded bytes go, an LSB-first bit reader over 4096-byte input
// blocks and the output window. Nothing here knows about files.

#include <cstdint>
#include <cstring>
#include <memory>

namespace strevo {

constexpr uint32_t kZipInputBlock = 4096;
constexpr uint32_t kZipWindowSize = 32768;

// Compressed input of one entry.
class ZipByteSource {
 public:
  virtual ~ZipByteSource() = default;
  // Reads up to n bytes; returns the count, 0 at the end of the entry's
  // data, or -1 on a read error.
  virtual int32_t Read(uint8_t* buf, uint32_t n) = 0;
};

// Receives decoded output, at most one window (32768 bytes) per call.
class ZipByteSink {
 public:
  virtual ~ZipByteSink() = default;
  // Returns 0, or an error code that ends decoding (e.g. -2, -5).
  virtual int Write(const uint8_t* data, uint32_t n) = 0;
};

// Error codes the decoders return besides the sink's own.
constexpr int kDecodeOk = 0;
constexpr int kDecodeReadError = -3;
constexpr int kDecodeCorrupt = -4;

struct DecodeParams {
  ZipByteSource* in = nullptr;
  ZipByteSink* out = nullptr;
  // Uncompressed size the headers declare. Decoders never deliver more;
  // the old methods stop exactly there, deflate must end there.
  uint64_t size = 0;
  bool size_known = false;
  uint16_t flags = 0;  // general-purpose flags (implode reads bits 1 and 2)
  // Out: compressed bytes the decoder used, so that a data descriptor that
  // follows the data can be found.
  uint64_t consumed = 0;
};

// LSB-first bit reader. Keeps up to 63 bits in a 64-bit buffer; past the
// end of the input it feeds zero bytes, and flags the stream bad once any
// of them is consumed (or a read fails), so that no decoder can loop on
// invented data.
class BitReader {
 public:
  explicit BitReader(ZipByteSource& src) : src_(src) {}
  BitReader(const BitReader&) = delete;
  BitReader& operator=(const BitReader&) = delete;

  uint64_t bits = 0;      // valid bits are the low `count`
  unsigned count = 0;
  const uint8_t* next = data_;
  const uint8_t* end = data_;

  // Tops the buffer up to at least 56 bits.
  inline void Refill() {
    if (end - next >= 8) {
      bits |= Load64(next) << count;
      next += (63 - count) >> 3;
      count |= 56;
    } else {
      RefillSlow();
    }
  }
  void RefillSlow();

  // n <= 32
  inline uint32_t Get(unsigned n) {
    if (count < n) Refill();
    const uint32_t v = static_cast<uint32_t>(bits & ((uint64_t{1} << n) - 1));
    bits >>= n;
    count -= n;
    return v;
  }
  inline void AlignToByte() {
    bits >>= count & 7;
    count &= ~7u;
  }
  // Copies n whole bytes after AlignToByte(). False if the input ends.
  bool ReadBytes(uint8_t* dst, uint32_t n);

  bool bad() const { return bad_; }
  // -3 after a read error, -4 after reading past the end.
  int error() const { return read_error_ ? kDecodeReadError : kDecodeCorrupt; }
  // Call when a stream ends: flags the stream bad if it used padding.
  bool CheckEnd();
  uint64_t BytesConsumed() const;

  static inline uint64_t Load64(const uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
#else
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
#endif
  }

 private:
  bool FillBlock();

  ZipByteSource& src_;
  uint64_t total_read_ = 0;
  unsigned pad_bytes_ = 0;
  bool exhausted_ = false;
  bool read_error_ = false;
  bool bad_ = false;
  uint8_t data_[kZipInputBlock + 8];
};

// Output window: the last 32768 bytes of output stay available for
// back-references. The buffer holds that history plus up to one more
// window of new output (and slack for a match and an 8-byte copy overrun),
// so copies never wrap. History starts as zeros: the old methods may reach
// back before the first byte and must read zeros there.
class OutWindow {
 public:
  static constexpr uint32_t kSize = kZipWindowSize;
  static constexpr uint32_t kFull = 2 * kSize;
  static constexpr uint32_t kBufferSize = kFull + 258 + 32;

  OutWindow(ZipByteSink& sink, uint64_t limit, bool limited);

  uint8_t* buf() { return buf_.get(); }
  uint32_t pos = kSize;     // next write position; output so far is [kSize, pos) plus flushed
  uint32_t lowest = kSize;  // lowest position that holds real output

  uint64_t Total() const { return flushed_ + (pos - kSize); }

  // Delivers the first full window and shifts the rest down. Call when pos >= kFull.
  int Slide();
  // Delivers whatever is left.
  int Finish();

  inline int Put(uint8_t b) {
    buf_[pos++] = b;
    return pos >= kFull ? Slide() : 0;
  }
  // Byte-wise copy for the old methods: dist <= kSize, zeros before the start.
  int CopyMatch(uint32_t dist, uint32_t len);

 private:
  int Deliver(uint32_t n);

  ZipByteSink& sink_;
  std::unique_ptr<uint8_t[]> buf_;
  uint64_t flushed_ = 0;
  uint64_t limit_;
  bool limited_;
};

}  // namespace strevo

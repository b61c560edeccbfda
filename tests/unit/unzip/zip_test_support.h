#pragma once
// Test-side tools for the ZIP extraction tests: an archive builder, an
// LSB-first bit writer and small encoders for each compression method, so
// that the tests make their own streams.

#include <cstdint>
#include <string>
#include <vector>

#include "unzip/decode_io.h"
#include "unzip/zip.h"

namespace strevo::ziptest {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::string& s);
std::string ToString(const Bytes& b);

class BitWriter {
 public:
  void Put(uint32_t value, unsigned bits);   // LSB first
  void PutMsbFirst(uint32_t code, unsigned bits);  // a code read bit by bit from its top
  void AlignToByte();
  void PutByte(uint8_t b) { Put(b, 8); }
  Bytes Finish();

 private:
  Bytes out_;
  uint64_t acc_ = 0;
  unsigned count_ = 0;
};

struct ZipEntrySpec {
  std::string name;              // raw bytes as stored
  uint16_t method = 0;
  uint16_t flags = 0;
  Bytes data;                    // compressed bytes as stored
  Bytes plain;                   // for CRC and size
  bool descriptor = false;       // zero CRC and sizes in the local header, add a descriptor
  bool descriptor_signature = true;
  uint16_t made_by = 0x0014;     // MS-DOS host
  uint32_t external_attributes = 0x20;
  uint32_t date_time = 0x58220000;
  // Overrides for hostile headers.
  bool override_size = false;
  uint32_t size = 0;
  bool override_crc = false;
  uint32_t crc = 0;
  // ZIP64: sizes (and the directory's offset) marked 0xFFFFFFFF, the values in
  // the extra field, as streaming writers and many tools write even small entries.
  bool zip64 = false;
  uint64_t zip64_size = 0;  // the extra field's uncompressed size; 0: the real one
};

// Builds an archive; `stub` goes in front. With adjust_offsets the recorded
// offsets count the stub (as "zip -A" leaves them), otherwise they do not.
// With zip64_end the end record's values are marked and held by a ZIP64 end
// record and its locator.
Bytes BuildZip(const std::vector<ZipEntrySpec>& entries, const Bytes& stub = {}, bool adjust_offsets = false,
               bool zip64_end = false);

ZipEntrySpec Stored(const std::string& name, const std::string& content);

// Deflate: greedy LZ77 over a 32768-byte window with fixed Huffman codes.
Bytes DeflateFixed(const Bytes& plain, bool final_block = true);
// Stored deflate blocks (at most 65535 bytes each).
Bytes DeflateStoredBlocks(const Bytes& plain);
// A dynamic block with hand-picked complete code lengths (literals only
// plus one match per `match_every` bytes if given), exercising the code
// length repeat codes 16, 17 and 18.
Bytes DeflateDynamicLiterals(const Bytes& plain);

// Shrink: LZW whose table mirrors the decoder's (entries are added one code
// late, so the encoder never needs the not-yet-known code). Widens when the
// next free code no longer fits; `clear_every` > 0 emits a partial clear
// after that many codes.
struct ShrinkStats {
  unsigned max_width = 9;
  unsigned clears = 0;
};
Bytes Shrink(const Bytes& plain, unsigned clear_every = 0, ShrinkStats* stats = nullptr);

// Reduce tokens: literal bytes and matches, coded with the given factor.
struct ReduceToken {
  bool match = false;
  uint8_t literal = 0;
  uint32_t length = 0;    // 3 .. (mask + 255 + 3)
  uint32_t distance = 0;  // 1 .. factor-dependent maximum
};
// follower: follower sets to announce (for the byte before each).
Bytes Reduce(const std::vector<ReduceToken>& tokens, int factor,
             const std::vector<std::vector<uint8_t>>& follower = {});
Bytes Unreduced(const std::vector<ReduceToken>& tokens);  // what the tokens expand to

// Implode tokens.
struct ImplodeToken {
  bool match = false;
  uint8_t literal = 0;
  uint32_t length = 0;
  uint32_t distance = 0;
};
Bytes Implode(const std::vector<ImplodeToken>& tokens, uint16_t flags);
Bytes Exploded(const std::vector<ImplodeToken>& tokens);  // zeros before the start

// Memory source/sink for calling decoders directly.
class VectorSource : public ZipByteSource {
 public:
  explicit VectorSource(Bytes data, uint32_t chunk = 4096) : data_(std::move(data)), chunk_(chunk) {}
  int32_t Read(uint8_t* buf, uint32_t n) override;

 private:
  Bytes data_;
  size_t pos_ = 0;
  uint32_t chunk_;
};

class VectorSink : public ZipByteSink {
 public:
  int Write(const uint8_t* data, uint32_t n) override;
  Bytes data;
  uint32_t largest_write = 0;
};

// Decodes with method (0..8) and declared size; returns the code, fills out.
int Decode(uint16_t method, uint16_t flags, const Bytes& compressed, uint64_t size, bool size_known,
           Bytes* out);

// `data` packed by the xz tool with the given options (empty on failure,
// which also fails the test).
std::string XzTool(const Bytes& data, const std::string& options);

class FixedClock : public ZipClock {
 public:
  uint64_t NowMs() override { return now; }
  uint64_t now = 1'000'000;
};

// One report handler call.
struct ReportCall {
  int32_t code;
  TReportRec rec;
};

}  // namespace strevo::ziptest

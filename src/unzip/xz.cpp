#include "unzip/xz.h"

#include <array>
#include <cstring>
#include <vector>

#include "unzip/crc32.h"
#include "unzip/lzma2.h"

namespace strevo {
namespace {

constexpr char kMagic[6] = {'\xFD', '7', 'z', 'X', 'Z', '\0'};
constexpr char kFooterMagic[2] = {'Y', 'Z'};
constexpr size_t kHeaderSize = 12;  // of the stream header and of its footer
constexpr uint64_t kFilterLzma2 = 0x21;
constexpr unsigned kCheckNone = 0, kCheckCrc32 = 1, kCheckCrc64 = 4;

// CRC-64 of ECMA-182 in reflected form, as xz uses it.
constexpr std::array<uint64_t, 256> MakeCrc64Table() {
  std::array<uint64_t, 256> t{};
  for (uint64_t i = 0; i < 256; ++i) {
    uint64_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xC96C5795D7870F42ull : c >> 1;
    t[i] = c;
  }
  return t;
}
constexpr std::array<uint64_t, 256> kCrc64Table = MakeCrc64Table();

uint64_t Crc64(const uint8_t* p, size_t n) {
  uint64_t c = ~uint64_t{0};
  while (n--) c = kCrc64Table[(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}

// The input with a read position; every read is checked against its end.
struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;

  size_t left() const { return size - at; }
  uint32_t Le32(size_t pos) const {
    return uint32_t{data[pos]} | uint32_t{data[pos + 1]} << 8 | uint32_t{data[pos + 2]} << 16 |
           uint32_t{data[pos + 3]} << 24;
  }
  uint64_t Le64(size_t pos) const { return uint64_t{Le32(pos)} | uint64_t{Le32(pos + 4)} << 32; }
  // A variable-length integer: 7 bits a byte, low first, at most 9 bytes,
  // no needless trailing zero byte; false when it runs past `end`.
  bool Vli(size_t end, uint64_t& value) {
    value = 0;
    for (unsigned i = 0; i < 9; ++i) {
      if (at >= end) return false;
      const uint8_t b = data[at++];
      value |= uint64_t{b & 0x7Fu} << (7 * i);
      if (!(b & 0x80)) return b != 0 || i == 0;
    }
    return false;
  }
  bool ZerosUpTo(size_t end) {
    for (; at < end; ++at)
      if (data[at] != 0) return false;
    return true;
  }
};

size_t CheckSize(unsigned check) { return check == 0 ? 0 : size_t{4} << ((check - 1) / 3); }

struct IndexRecord {
  uint64_t unpadded, uncompressed;
};

// One block at r.at: its header, LZMA2 data, padding and check.
UnxzStatus DecodeBlock(Reader& r, unsigned check, uint64_t maxBytes, std::string& out, IndexRecord& record) {
  const size_t start = r.at;
  const size_t headerSize = (size_t{r.data[start]} + 1) * 4;
  if (r.left() < headerSize) return UnxzStatus::Corrupt;
  const size_t headerEnd = start + headerSize - 4;
  if (Crc32(r.data + start, headerSize - 4) != r.Le32(headerEnd)) return UnxzStatus::Corrupt;
  const uint8_t flags = r.data[start + 1];
  if (flags & 0x3C) return UnxzStatus::Unsupported;  // reserved bits
  r.at = start + 2;
  uint64_t declaredCompressed = 0, declaredUncompressed = 0;
  if ((flags & 0x40) && (!r.Vli(headerEnd, declaredCompressed) || declaredCompressed == 0))
    return UnxzStatus::Corrupt;
  if ((flags & 0x80) && !r.Vli(headerEnd, declaredUncompressed)) return UnxzStatus::Corrupt;
  uint64_t filter = 0, propertiesSize = 0;
  if (!r.Vli(headerEnd, filter) || !r.Vli(headerEnd, propertiesSize)) return UnxzStatus::Corrupt;
  // Guides are text: LZMA2 alone, no branch converter or delta filter before it.
  if ((flags & 0x03) != 0 || filter != kFilterLzma2) return UnxzStatus::Unsupported;
  if (propertiesSize != 1 || r.at >= headerEnd) return UnxzStatus::Corrupt;
  uint32_t dictionarySize = 0;
  if (!Lzma2DictionarySize(r.data[r.at++], dictionarySize)) return UnxzStatus::Corrupt;
  if (!r.ZerosUpTo(headerEnd)) return UnxzStatus::Corrupt;
  r.at = start + headerSize;

  size_t available = r.left();
  if ((flags & 0x40) && declaredCompressed < available) available = static_cast<size_t>(declaredCompressed);
  const size_t first = out.size();
  size_t compressed = 0;
  const Lzma2Status status =
      DecodeLzma2(std::string_view(reinterpret_cast<const char*>(r.data + r.at), available), dictionarySize,
                  maxBytes, out, compressed);
  if (status == Lzma2Status::TooLarge) return UnxzStatus::TooLarge;
  if (status != Lzma2Status::Ok) return UnxzStatus::Corrupt;
  const uint64_t uncompressed = out.size() - first;
  if ((flags & 0x40) && compressed != declaredCompressed) return UnxzStatus::Corrupt;
  if ((flags & 0x80) && uncompressed != declaredUncompressed) return UnxzStatus::Corrupt;
  r.at += compressed;
  // Padding to a multiple of four bytes, then the check.
  const size_t padding = (4 - (headerSize + compressed) % 4) % 4;
  const size_t checkSize = CheckSize(check);
  if (r.left() < padding + checkSize) return UnxzStatus::Corrupt;
  if (!r.ZerosUpTo(r.at + padding)) return UnxzStatus::Corrupt;
  const auto* produced = reinterpret_cast<const uint8_t*>(out.data()) + first;
  if (check == kCheckCrc32 && Crc32(produced, uncompressed) != r.Le32(r.at)) return UnxzStatus::Corrupt;
  if (check == kCheckCrc64 && Crc64(produced, uncompressed) != r.Le64(r.at)) return UnxzStatus::Corrupt;
  r.at += checkSize;
  record = {headerSize + compressed + checkSize, uncompressed};
  return UnxzStatus::Ok;
}

// One stream at r.at: header, blocks, index, footer.
UnxzStatus DecodeStream(Reader& r, uint64_t maxBytes, std::string& out) {
  if (r.left() < 2 * kHeaderSize || std::memcmp(r.data + r.at, kMagic, sizeof kMagic) != 0)
    return UnxzStatus::Corrupt;
  const uint8_t* flags = r.data + r.at + 6;
  if (Crc32(flags, 2) != r.Le32(r.at + 8)) return UnxzStatus::Corrupt;
  if (flags[0] != 0 || (flags[1] & 0xF0)) return UnxzStatus::Unsupported;
  const unsigned check = flags[1] & 0x0F;
  if (check != kCheckNone && check != kCheckCrc32 && check != kCheckCrc64) return UnxzStatus::Unsupported;
  r.at += kHeaderSize;

  std::vector<IndexRecord> blocks;
  for (;;) {
    if (r.left() == 0) return UnxzStatus::Corrupt;
    if (r.data[r.at] == 0) break;  // the index
    IndexRecord record{};
    const UnxzStatus s = DecodeBlock(r, check, maxBytes, out, record);
    if (s != UnxzStatus::Ok) return s;
    blocks.push_back(record);
  }

  // The index lists every block again: count, then sizes.
  const size_t indexStart = r.at++;
  uint64_t count = 0;
  if (!r.Vli(r.size, count) || count != blocks.size()) return UnxzStatus::Corrupt;
  for (const IndexRecord& block : blocks) {
    uint64_t unpadded = 0, uncompressed = 0;
    if (!r.Vli(r.size, unpadded) || !r.Vli(r.size, uncompressed) || unpadded != block.unpadded ||
        uncompressed != block.uncompressed)
      return UnxzStatus::Corrupt;
  }
  const size_t indexPadded = r.at + (4 - (r.at - indexStart) % 4) % 4;
  if (indexPadded > r.size || !r.ZerosUpTo(indexPadded) || r.left() < 4 + kHeaderSize) return UnxzStatus::Corrupt;
  if (Crc32(r.data + indexStart, r.at - indexStart) != r.Le32(r.at)) return UnxzStatus::Corrupt;
  r.at += 4;
  const uint64_t indexSize = r.at - indexStart;

  // Footer: CRC-32 of what follows it, the index size in fours less one,
  // the header's flags again, "YZ".
  const size_t footer = r.at;
  if (Crc32(r.data + footer + 4, 6) != r.Le32(footer)) return UnxzStatus::Corrupt;
  if ((uint64_t{r.Le32(footer + 4)} + 1) * 4 != indexSize) return UnxzStatus::Corrupt;
  if (std::memcmp(r.data + footer + 8, flags, 2) != 0) return UnxzStatus::Corrupt;
  if (std::memcmp(r.data + footer + 10, kFooterMagic, 2) != 0) return UnxzStatus::Corrupt;
  r.at += kHeaderSize;
  return UnxzStatus::Ok;
}

}  // namespace

bool IsXz(std::string_view bytes) {
  return bytes.size() >= sizeof kMagic && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

UnxzStatus Unxz(std::string_view bytes, uint64_t maxBytes, std::string& out) {
  out.clear();
  if (!IsXz(bytes)) return UnxzStatus::NotXz;
  Reader r{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  for (;;) {
    const UnxzStatus s = DecodeStream(r, maxBytes, out);
    if (s != UnxzStatus::Ok) return s;
    // Streams may follow one another, with zeros in fours between them.
    const size_t end = r.at;
    while (r.at < r.size && r.data[r.at] == 0) ++r.at;
    if ((r.at - end) % 4 != 0) return UnxzStatus::Corrupt;
    if (r.at == r.size) return UnxzStatus::Ok;
  }
}

}  // namespace strevo

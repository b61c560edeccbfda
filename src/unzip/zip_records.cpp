#include "unzip/zip_records.h"

#include <algorithm>
#include <vector>

namespace strevo::zip_records {

bool ApplyZip64Extra(const uint8_t* extra, uint32_t extra_len, uint32_t* const values[3]) {
  bool marked = false;
  for (int i = 0; i < 3; ++i) marked = marked || (values[i] && *values[i] == kMarked32);
  if (!marked) return true;
  for (uint32_t at = 0; at + 4 <= extra_len;) {
    const uint16_t tag = Le16(extra + at), len = Le16(extra + at + 2);
    if (len > extra_len - at - 4) break;
    if (tag == kZip64ExtraTag) {
      const uint8_t* q = extra + at + 4;
      uint32_t left = len;
      for (int i = 0; i < 3; ++i) {
        if (!values[i] || *values[i] != kMarked32) continue;
        if (left < 8) return false;
        const uint64_t v = Le64(q);
        if (v >= kMarked32) return false;
        *values[i] = static_cast<uint32_t>(v);
        q += 8;
        left -= 8;
      }
      return true;
    }
    at += 4 + len;
  }
  return false;
}

bool FindEndRecord(ZipReader& reader, uint64_t* end_pos, uint8_t record[kEndRecordSize]) {
  const uint64_t size = reader.Size();
  if (size < kEndRecordSize) return false;
  std::vector<uint8_t> block(kSearchBlock);
  uint64_t start = size > kSearchBlock ? size - kSearchBlock : 0;
  for (;;) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kSearchBlock, size - start));
    if (!reader.ReadAt(start, block.data(), n)) return false;
    for (uint32_t i = n >= 4 ? n - 4 + 1 : 0; i-- > 0;) {
      if (Le32(block.data() + i) != kEndSig) continue;
      const uint64_t at = start + i;
      if (size - at < kEndRecordSize) continue;
      if (!reader.ReadAt(at, record, kEndRecordSize)) return false;
      *end_pos = at;
      return true;
    }
    if (start == 0) return false;
    // Overlap so a signature across the block border is not missed.
    start = start > kSearchBlock - kEndRecordSize ? start - (kSearchBlock - kEndRecordSize) : 0;
  }
}

void DirectoryPlace(ZipReader& reader, uint64_t end_pos, const uint8_t end[kEndRecordSize], uint64_t* dir_size,
                    uint64_t* dir_offset, uint64_t* dir_end) {
  *dir_size = Le32(end + 12);
  *dir_offset = Le32(end + 16);
  *dir_end = end_pos;
  // Where the directory's end lies: the end record, or the ZIP64 end record
  // that comes before it when the end record marks its values as held there.
  if (*dir_size == kMarked32 || *dir_offset == kMarked32 || Le16(end + 8) == 0xFFFF || Le16(end + 10) == 0xFFFF) {
    uint8_t locator[kEnd64LocatorSize], end64[kEnd64RecordSize];
    if (end_pos >= kEnd64LocatorSize + kEnd64RecordSize &&
        reader.ReadAt(end_pos - kEnd64LocatorSize, locator, kEnd64LocatorSize) &&
        Le32(locator) == kEnd64LocatorSig) {
      // The record's recorded offset, or right before the locator when the
      // archive has bytes in front that its offsets do not count.
      uint64_t at = Le64(locator + 8);
      if (!(reader.ReadAt(at, end64, kEnd64RecordSize) && Le32(end64) == kEnd64Sig)) {
        at = end_pos - kEnd64LocatorSize - kEnd64RecordSize;
        if (!(reader.ReadAt(at, end64, kEnd64RecordSize) && Le32(end64) == kEnd64Sig)) at = UINT64_MAX;
      }
      if (at != UINT64_MAX) {
        *dir_size = Le64(end64 + 40);
        *dir_offset = Le64(end64 + 48);
        *dir_end = at;
      }
    }
  }
}

}  // namespace strevo::zip_records

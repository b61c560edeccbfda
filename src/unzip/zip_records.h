// The records of a ZIP archive beneath its entries: little-endian fields, the
// ZIP64 extra field, and the end records that place the central directory.
#pragma once
#include <cstdint>

#include "unzip/zip.h"

namespace strevo::zip_records {

constexpr uint32_t kEndSig = 0x06054B50;
constexpr uint32_t kEnd64Sig = 0x06064B50;
constexpr uint32_t kEnd64LocatorSig = 0x07064B50;
constexpr uint32_t kEnd64RecordSize = 56;
constexpr uint32_t kEnd64LocatorSize = 20;
constexpr uint16_t kZip64ExtraTag = 0x0001;
constexpr uint32_t kMarked32 = 0xFFFFFFFFu;  // "the value is in the ZIP64 extra field"
constexpr uint32_t kEndRecordSize = 22;
constexpr uint32_t kSearchBlock = 4096;

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

// The values a ZIP64 extra field holds for the ones marked 0xFFFFFFFF, in the
// field's fixed order (size, compressed size, header offset); each marked
// value is replaced. False when a marked value is missing from the field or
// does not fit in 32 bits (an entry of 4 GB or more, far beyond any guide).
bool ApplyZip64Extra(const uint8_t* extra, uint32_t extra_len, uint32_t* const values[3]);

// Finds the end-of-central-directory record, searching backwards block by block.
bool FindEndRecord(ZipReader& reader, uint64_t* end_pos, uint8_t record[kEndRecordSize]);

// The directory's size and recorded offset, and where its end lies: the end
// record at `end_pos`, or the ZIP64 end record before it when the end record
// marks its values as held there.
void DirectoryPlace(ZipReader& reader, uint64_t end_pos, const uint8_t end[kEndRecordSize], uint64_t* dir_size,
                    uint64_t* dir_offset, uint64_t* dir_end);

}  // namespace strevo::zip_records

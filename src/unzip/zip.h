#pragma once
// ZIP extraction: walks an archive's central directory and unpacks the
// entries whose names match a mask into a folder, checking each against its
// CRC-32. Methods 0 (stored), 1 (shrunk), 2-5 (reduced), 6 (imploded) and
// 8 (deflated); everything else is refused, as are encrypted entries.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "unzip/zip_host.h"

namespace strevo {

// Report codes: the status field of TReportRec and the report handler's
// first argument.
constexpr int32_t kZipReportStart = -1004;     // before the first entry; totals of the archive
constexpr int32_t kZipReportEntry = -1000;     // an entry is about to be extracted
constexpr int32_t kZipReportBlock = -1001;     // output written; first argument = byte count
constexpr int32_t kZipReportDone = -1002;      // an entry has been extracted and checked
constexpr int32_t kZipReportFailed = -1003;    // an entry failed; first argument = error code
constexpr int32_t kZipReportAbandon = -100;    // the whole extraction is abandoned
constexpr int32_t kZipReportEnd = -1005;       // after the last entry; totals of matched entries

// Error codes.
constexpr int kZipOk = 0;
constexpr int kZipCrcError = -1;
constexpr int kZipCreateError = -2;     // also: unsafe entry name
constexpr int kZipReadError = -3;
constexpr int kZipCorrupt = -4;         // bad local header or compressed data, or too much output
constexpr int kZipAborted = -5;
constexpr int kZipBadMethod = -6;
constexpr int kZipEncrypted = -7;
constexpr int kZipBusy = -8;
constexpr int kZipBadDirectory = -9;
constexpr int kZipNoMoreEntries = -10;
constexpr int kZipOpenError = -11;
constexpr int kZipNotArchive = -12;
constexpr int kZipExtractOpenError = -14;
// The ceilings of ZipEnv (both abandon the extraction):
constexpr int kZipOutputLimit = -15;    // the output would pass output_limit
constexpr int kZipNoRoom = -16;         // the disk would keep less than free_space_margin
constexpr int kZipMissingArgument = -500;

// The busy mark is taken over when its last sign of life is this old.
constexpr uint64_t kZipBusyTakeOverMs = 30000;

// Everything the extraction takes from outside.
struct ZipEnv {
  ZipHost* host = nullptr;               // required
  ZipClock* clock = nullptr;             // nullptr: SteadyZipClock()
  int oem_codepage = 0;                  // code page of names without the UTF-8 flag; 0: the host's
  const std::atomic<bool>* abort = nullptr;  // when it becomes true: -5
  bool apply_entry_times = false;        // the program's callers keep extraction times
  // Most bytes one ZipExtractAll may write over all its entries; 0: no limit.
  uint64_t output_limit = 0;
  // The destination's disk (the host's FreeBytes) must keep this much free; 0: not watched.
  uint64_t free_space_margin = 0;
};

// Cursor over the central directory.
struct TZipRec {
  std::vector<uint8_t> buffer;  // the central directory + the end record's signature
  uint32_t buffer_length = 0;
  uint32_t position = 0;        // of the next header within the buffer
  uint32_t date_time = 0;       // MS-DOS: time low half, date high half
  uint32_t size = 0;
  uint32_t compressed_size = 0;
  // Where the entry's local header lies in the file: the recorded offset
  // corrected for any data in front of the archive.
  uint32_t header_offset = 0;
  std::string name;             // UTF-8, every "/" replaced by "\"
  uint16_t method = 0;
  uint16_t attributes = 0;      // MS-DOS attributes; 0 unless made on an MS-DOS host
  std::unique_ptr<ZipReader> archive;
  uint32_t crc32 = 0;
  uint16_t flags = 0;           // general-purpose flags
  bool too_large = false;       // ZIP64 sizes of 4 GB or more (or missing): not extracted
  int64_t shift = 0;            // bytes in front of the archive not counted in its offsets
  int codepage = 866;
  ZipHost* host = nullptr;      // converts the names
};

struct TReportRec {
  std::string file_name;        // output path, or the archive in the start and end reports
  uint32_t time = 0;            // MS-DOS date and time; 0xFFFFFFFF in start/end reports
  uint32_t size = 0;
  uint32_t compressed_size = 0;
  uint32_t attributes = 0;      // low byte of the entry's attributes; 0xFFFFFFFF in start/end
  uint16_t method = 0;
  uint8_t ratio = 0;            // percent saved
  int32_t status = 0;
  bool is_directory = false;
};

using ZipReportHandler = std::function<void(int32_t code, const TReportRec& rec)>;
using ZipConfirmHandler = std::function<bool(const TReportRec& rec)>;

// True when the file begins with a local header, or one begins within its
// first bytes (behind a short stub); *header_offset gets its position.
bool ZipCheckArchive(const std::string& archive_path, uint32_t* header_offset, const ZipEnv& env);

int ZipFirstEntry(const std::string& archive_path, TZipRec& rec, const ZipEnv& env);
// -10 at the end; on any non-zero result the cursor is closed.
int ZipNextEntry(TZipRec& rec);
void ZipCloseEntries(TZipRec& rec);

// Extracts the entry whose local header is at `header_offset` in the file.
// An output path ending in "\" creates that folder.
int ZipExtractEntry(const std::string& archive_path, const std::string& output_path,
                    uint32_t header_offset, const ZipEnv& env);

// Returns the number of entries extracted, or a negative error code.
int ZipExtractAll(const std::string& archive_path, const std::string& destination,
                  const std::string& mask, const ZipReportHandler& report,
                  const ZipConfirmHandler& confirm, const ZipEnv& env);

// "*" any run (separators included), "?" one character, case-sensitive,
// whole name; "" and "*.*" match everything.
bool ZipMaskMatches(const std::string& mask, const std::string& name);

// Whether an entry name (UTF-8, "\" separators) stays inside the
// destination: not absolute, no drive or colon, no ".." component.
bool ZipNameIsSafe(const std::string& name);

}  // namespace strevo

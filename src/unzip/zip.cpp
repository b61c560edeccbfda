#include "unzip/zip.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

#include "base/codepage.h"
#include "unzip/crc32.h"
#include "unzip/decoders.h"
#include "unzip/zip_budget.h"
#include "unzip/zip_records.h"

namespace strevo {
namespace {

using namespace zip_records;

constexpr uint32_t kLocalSig = 0x04034B50;
constexpr uint32_t kCentralSig = 0x02014B50;
constexpr uint32_t kDescriptorSig = 0x08074B50;
constexpr uint32_t kLocalHeaderSize = 30;
constexpr uint32_t kCentralHeaderSize = 46;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr uint16_t kFlagUtf8 = 0x0800;

ZipClock& ClockOf(const ZipEnv& env) { return env.clock ? *env.clock : SteadyZipClock(); }

// ---- busy mark -------------------------------------------------------------
// One per process. Each holder gets a token so that a holder whose mark was
// taken over cannot clear its successor's mark when it finally returns.

struct BusyMark {
  std::mutex mutex;
  uint64_t holder = 0;  // 0: free
  uint64_t last_token = 0;
  uint64_t life_ms = 0;
};

BusyMark& Busy() {
  static BusyMark mark;
  return mark;
}

uint64_t AcquireBusy(ZipClock& clock) {
  BusyMark& b = Busy();
  const uint64_t now = clock.NowMs();
  std::lock_guard<std::mutex> lock(b.mutex);
  if (b.holder && (now < b.life_ms || now - b.life_ms < kZipBusyTakeOverMs)) return 0;
  b.holder = ++b.last_token;
  b.life_ms = now;
  return b.holder;
}

void TouchBusy(uint64_t token, ZipClock& clock) {
  BusyMark& b = Busy();
  const uint64_t now = clock.NowMs();
  std::lock_guard<std::mutex> lock(b.mutex);
  if (b.holder == token) b.life_ms = now;
}

void ReleaseBusy(uint64_t token) {
  BusyMark& b = Busy();
  std::lock_guard<std::mutex> lock(b.mutex);
  if (b.holder == token) b.holder = 0;
}

class BusyGuard {
 public:
  explicit BusyGuard(ZipClock& clock) : clock_(clock), token_(AcquireBusy(clock)) {}
  ~BusyGuard() {
    if (token_) ReleaseBusy(token_);
  }
  bool held() const { return token_ != 0; }
  void Touch() { TouchBusy(token_, clock_); }

 private:
  ZipClock& clock_;
  uint64_t token_;
};

// ---- central directory -------------------------------------------------------

struct CentralEntry {
  uint32_t date_time, size, compressed_size, header_offset, crc32;
  uint16_t method, attributes, flags;
  std::string name;
  uint32_t next;  // position after this header
  bool too_large = false;  // ZIP64 values that do not fit, or are missing
};

// Parses the header at `pos`. kZipNoMoreEntries at the end of the directory
// or on a header that is malformed or does not fit.
int ParseCentral(const TZipRec& rec, uint32_t pos, CentralEntry& e) {
  const std::vector<uint8_t>& buf = rec.buffer;
  const uint32_t length = rec.buffer_length;
  if (pos > length || length - pos < 4) return kZipNoMoreEntries;
  const uint8_t* p = buf.data() + pos;
  if (Le32(p) == kEndSig || Le32(p) != kCentralSig) return kZipNoMoreEntries;
  if (length - pos < kCentralHeaderSize) return kZipNoMoreEntries;
  const uint32_t name_len = Le16(p + 28), extra_len = Le16(p + 30), comment_len = Le16(p + 32);
  const uint64_t total = uint64_t{kCentralHeaderSize} + name_len + extra_len + comment_len;
  if (total > length - pos) return kZipNoMoreEntries;
  const uint16_t made_by = Le16(p + 4);
  e.flags = Le16(p + 8);
  e.method = Le16(p + 10);
  e.date_time = Le32(p + 12);
  e.crc32 = Le32(p + 16);
  e.compressed_size = Le32(p + 20);
  e.size = Le32(p + 24);
  e.attributes = (made_by >> 8) == 0 ? static_cast<uint16_t>(Le32(p + 38) & 0xFFFF) : 0;
  e.header_offset = Le32(p + 42);
  uint32_t* const marked[3] = {&e.size, &e.compressed_size, &e.header_offset};
  e.too_large = !ApplyZip64Extra(p + kCentralHeaderSize + name_len, extra_len, marked);
  const std::string_view raw(reinterpret_cast<const char*>(p + kCentralHeaderSize), name_len);
  e.name = (e.flags & kFlagUtf8) ? std::string(raw) : rec.host->NameToUtf8(raw, rec.codepage);
  std::replace(e.name.begin(), e.name.end(), '/', '\\');
  e.next = static_cast<uint32_t>(pos + total);
  return kZipOk;
}

int FillCursor(TZipRec& rec, const CentralEntry& e) {
  rec.date_time = e.date_time;
  rec.size = e.size;
  rec.compressed_size = e.compressed_size;
  const int64_t at = static_cast<int64_t>(e.header_offset) + rec.shift;
  rec.header_offset = at < 0 || at > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(at);
  rec.name = e.name;
  rec.method = e.method;
  rec.attributes = e.attributes;
  rec.crc32 = e.crc32;
  rec.flags = e.flags;
  rec.too_large = e.too_large;
  rec.position = e.next;
  return kZipOk;
}

// ---- extraction of one entry ---------------------------------------------------

// What the central directory says about an entry; needed when the local
// header defers sizes and CRC to a data descriptor (flag bit 3).
struct EntryHint {
  uint32_t compressed_size, size, crc32;
};

class EntrySource : public ZipByteSource {
 public:
  EntrySource(ZipReader& reader, uint64_t pos, uint64_t length) : reader_(reader), pos_(pos), left_(length) {}
  int32_t Read(uint8_t* buf, uint32_t n) override {
    const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(n, left_));
    if (take == 0) return 0;
    if (!reader_.ReadAt(pos_, buf, take)) return -1;  // archive shorter than its headers say
    pos_ += take;
    left_ -= take;
    return static_cast<int32_t>(take);
  }

 private:
  ZipReader& reader_;
  uint64_t pos_;
  uint64_t left_;
};

struct ReportState {
  const ZipReportHandler* handler = nullptr;
  TReportRec* rec = nullptr;
};

class EntrySink : public ZipByteSink {
 public:
  EntrySink(ZipWriter& writer, BusyGuard& busy, const ZipEnv& env, const ReportState& report, OutputBudget* budget)
      : writer_(writer), busy_(busy), env_(env), report_(report), budget_(budget) {}
  int Write(const uint8_t* data, uint32_t n) override {
    if (budget_)
      if (const int r = budget_->Take(n); r != kZipOk) return r;
    if (!writer_.Write(data, n)) return kZipCreateError;
    crc_ = Crc32Update(crc_, data, n);
    if (report_.handler && *report_.handler) {
      report_.rec->status = kZipReportBlock;
      (*report_.handler)(static_cast<int32_t>(n), *report_.rec);
    }
    busy_.Touch();
    if (env_.abort && env_.abort->load()) return kZipAborted;
    return 0;
  }
  uint32_t crc() const { return crc_; }

 private:
  ZipWriter& writer_;
  BusyGuard& busy_;
  const ZipEnv& env_;
  const ReportState& report_;
  OutputBudget* budget_;
  uint32_t crc_ = 0;
};

bool IsSupportedMethod(uint16_t m) { return m <= 6 || m == 8; }

std::string ParentOf(const std::string& path) {
  const size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

int ExtractEntryImpl(ZipReader& archive, const std::string& output_path, uint64_t offset,
                     const EntryHint* hint, const ZipEnv& env, const ReportState& report,
                     OutputBudget* budget = nullptr) {
  ZipClock& clock = ClockOf(env);
  BusyGuard busy(clock);
  if (!busy.held()) return kZipBusy;
  if (env.abort && env.abort->load()) return kZipAborted;

  const uint64_t file_size = archive.Size();
  if (offset > file_size) return kZipReadError;
  uint8_t h[kLocalHeaderSize];
  if (!archive.ReadAt(offset, h, kLocalHeaderSize) || Le32(h) != kLocalSig) return kZipCorrupt;
  const uint16_t flags = Le16(h + 6);
  const uint16_t method = Le16(h + 8);
  if (flags & (kFlagEncrypted | kFlagStrongEncryption)) return kZipEncrypted;
  if (!IsSupportedMethod(method)) return kZipBadMethod;

  const uint64_t data_start = offset + kLocalHeaderSize + Le16(h + 26) + Le16(h + 28);
  if (data_start > file_size) return kZipReadError;
  const bool deferred = flags & kFlagDescriptor;
  DecodeParams params;
  uint64_t compressed;
  uint32_t expected_crc = Le32(h + 14);
  if (!deferred) {
    uint32_t local_compressed = Le32(h + 18), local_size = Le32(h + 22);
    if (local_compressed == kMarked32 || local_size == kMarked32) {
      // ZIP64: the real sizes follow in the local extra field (uncompressed first).
      std::vector<uint8_t> extra(Le16(h + 28));
      uint32_t* const marked[3] = {&local_size, &local_compressed, nullptr};
      if (!archive.ReadAt(offset + kLocalHeaderSize + Le16(h + 26), extra.data(),
                          static_cast<uint32_t>(extra.size())) ||
          !ApplyZip64Extra(extra.data(), static_cast<uint32_t>(extra.size()), marked)) {
        if (!hint) return kZipCorrupt;
        local_compressed = hint->compressed_size;
        local_size = hint->size;
      }
    }
    compressed = local_compressed;
    params.size = local_size;
    params.size_known = true;
  } else if (hint) {
    compressed = hint->compressed_size;
    params.size = hint->size;
    params.size_known = true;
    expected_crc = hint->crc32;
  } else {
    // Nothing says where the data ends: only a self-terminating method can do.
    compressed = file_size - data_start;
    params.size_known = false;
  }
  params.flags = flags;

  // Folders.
  if (!output_path.empty() && (output_path.back() == '\\' || output_path.back() == '/')) {
    return env.host->CreateFolders(output_path) ? kZipOk : kZipCreateError;
  }
  std::unique_ptr<ZipWriter> writer = env.host->CreateOutputFile(output_path);
  if (!writer) {
    const std::string parent = ParentOf(output_path);
    if (!parent.empty()) env.host->CreateFolders(parent);
    writer = env.host->CreateOutputFile(output_path);
    if (!writer) return kZipCreateError;
  }
  env.host->PumpMessages();
  busy.Touch();

  EntrySource source(archive, data_start, std::min<uint64_t>(compressed, file_size - data_start));
  // A declared compressed size that runs past the end of the file is a read
  // error, as it would be for any seek past the end.
  const bool truncated = compressed > file_size - data_start;
  EntrySink sink(*writer, busy, env, report, budget);
  params.in = &source;
  params.out = &sink;
  int r;
  switch (method) {
    case 0: r = DecodeStored(params); break;
    case 1: r = DecodeShrunk(params); break;
    case 6: r = DecodeImploded(params); break;
    case 8: r = DecodeDeflated(params); break;
    default: r = DecodeReduced(params, method - 1); break;
  }
  if (r == kDecodeCorrupt && truncated && !deferred) r = kZipReadError;
  const bool closed = writer->Close();
  writer.reset();
  if (r == kZipOk && !closed) r = kZipCreateError;
  if (r == kZipOk && deferred) {
    // The data descriptor follows the data: [signature] crc csize usize.
    uint8_t d[8];
    const uint64_t at = data_start + params.consumed;
    if (archive.ReadAt(at, d, 8)) {
      expected_crc = Le32(d) == kDescriptorSig ? Le32(d + 4) : Le32(d);
    } else if (archive.ReadAt(at, d, 4) && Le32(d) != kDescriptorSig) {
      expected_crc = Le32(d);
    } else if (!hint) {
      r = kZipCorrupt;
    }
  }
  if (r == kZipOk && sink.crc() != expected_crc) r = kZipCrcError;
  if (r != kZipOk) {
    env.host->DeleteOutputFile(output_path);
    return r;
  }
  return kZipOk;
}

uint8_t Ratio(uint64_t size, uint64_t compressed) {
  if (size == 0) return 0;
  if (compressed >= 42949673) {
    size /= 100;
    compressed /= 100;
    if (size == 0) return 0;
  }
  const int64_t saved = 100 - static_cast<int64_t>(compressed * 100 / size);
  // More output than input saves nothing; never wrap into a bogus percentage.
  return static_cast<uint8_t>(std::clamp<int64_t>(saved, 0, 100));
}

uint32_t Saturate32(uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v); }

}  // namespace

// ---- public ----------------------------------------------------------------------

std::string ZipHost::NameToUtf8(std::string_view raw, int codepage) { return CodePageToUtf8(raw, codepage); }

ZipClock& SteadyZipClock() {
  class Steady : public ZipClock {
   public:
    uint64_t NowMs() override {
      return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count());
    }
  };
  static Steady clock;
  return clock;
}

bool ZipCheckArchive(const std::string& archive_path, uint32_t* header_offset, const ZipEnv& env) {
  std::unique_ptr<ZipReader> reader = env.host->OpenArchive(archive_path);
  if (!reader) return false;
  const uint64_t size = reader->Size();
  if (size < 4) return false;
  uint8_t head[64];
  const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, sizeof head));
  if (!reader->ReadAt(0, head, n)) return false;
  // Positions to try: 44 for files of 64 bytes or more, fewer for tiny
  // ones; offset 0 always counts.
  const int64_t s = static_cast<int64_t>(size);
  const int64_t positions = std::max<int64_t>(s >= 64 ? 44 : s - s / 4 - 4, 1);
  for (uint32_t i = 0; i < positions && i + 4 <= n; ++i) {
    if (Le32(head + i) == kLocalSig) {
      if (header_offset) *header_offset = i;
      return true;
    }
  }
  return false;
}

void ZipCloseEntries(TZipRec& rec) {
  rec.buffer.clear();
  rec.buffer.shrink_to_fit();
  rec.buffer_length = 0;
  rec.position = 0;
  rec.archive.reset();
}

int ZipFirstEntry(const std::string& archive_path, TZipRec& rec, const ZipEnv& env) {
  ZipCloseEntries(rec);
  rec.host = env.host;
  rec.codepage = env.oem_codepage ? env.oem_codepage : env.host->OemCodePage();
  rec.archive = env.host->OpenArchive(archive_path);
  if (!rec.archive || rec.archive->Size() == 0) {
    ZipCloseEntries(rec);
    return kZipOpenError;
  }
  ZipReader& reader = *rec.archive;
  uint64_t end_pos = 0;
  uint8_t end[kEndRecordSize];
  if (!FindEndRecord(reader, &end_pos, end)) {
    ZipCloseEntries(rec);
    return kZipOpenError;
  }
  uint64_t dir_size = 0, dir_offset = 0, dir_end = 0;
  DirectoryPlace(reader, end_pos, end, &dir_size, &dir_offset, &dir_end);
  if (dir_size > end_pos || dir_offset > end_pos) {
    ZipCloseEntries(rec);
    return kZipBadDirectory;
  }
  // Bytes in front of the archive: zero for a plain archive or one whose
  // offsets were adjusted, the stub's length when they were not.
  int64_t shift = static_cast<int64_t>(dir_end) - (static_cast<int64_t>(dir_offset) + static_cast<int64_t>(dir_size));
  int64_t start = static_cast<int64_t>(dir_offset) + shift;
  uint8_t sig[4];
  if (shift != 0 &&
      !(start >= 0 && reader.ReadAt(static_cast<uint64_t>(start), sig, 4) && Le32(sig) == kCentralSig) &&
      reader.ReadAt(dir_offset, sig, 4) && Le32(sig) == kCentralSig) {
    // A wrong directory size in the end record: trust the offset.
    shift = 0;
    start = dir_offset;
  }
  if (start < 0 || static_cast<uint64_t>(start) > end_pos ||
      end_pos - static_cast<uint64_t>(start) < kCentralHeaderSize) {
    ZipCloseEntries(rec);
    return kZipBadDirectory;
  }
  // The whole directory, however long: every entry is seen.
  const uint64_t length = end_pos - static_cast<uint64_t>(start) + 4;
  if (length > 0xFFFFFFFFu) {
    ZipCloseEntries(rec);
    return kZipBadDirectory;
  }
  rec.buffer.resize(static_cast<size_t>(length));
  if (!reader.ReadAt(static_cast<uint64_t>(start), rec.buffer.data(), static_cast<uint32_t>(length))) {
    ZipCloseEntries(rec);
    return kZipOpenError;
  }
  rec.buffer_length = static_cast<uint32_t>(length);
  rec.position = 0;
  rec.shift = shift;
  return ZipNextEntry(rec);
}

int ZipNextEntry(TZipRec& rec) {
  CentralEntry e;
  const int r = ParseCentral(rec, rec.position, e);
  if (r != kZipOk) {
    ZipCloseEntries(rec);
    return r;
  }
  return FillCursor(rec, e);
}

int ZipExtractEntry(const std::string& archive_path, const std::string& output_path,
                    uint32_t header_offset, const ZipEnv& env) {
  std::unique_ptr<ZipReader> archive = env.host->OpenArchive(archive_path);
  if (!archive) return kZipExtractOpenError;
  // With a data descriptor the local header lacks the sizes; look the
  // entry up in the central directory.
  uint8_t h[kLocalHeaderSize];
  EntryHint hint{};
  bool have_hint = false;
  if (archive->ReadAt(header_offset, h, kLocalHeaderSize) && Le32(h) == kLocalSig &&
      (Le16(h + 6) & kFlagDescriptor)) {
    TZipRec rec;
    for (int r = ZipFirstEntry(archive_path, rec, env); r == kZipOk; r = ZipNextEntry(rec)) {
      if (rec.header_offset == header_offset) {
        hint = {rec.compressed_size, rec.size, rec.crc32};
        have_hint = true;
        break;
      }
    }
    ZipCloseEntries(rec);
  }
  return ExtractEntryImpl(*archive, output_path, header_offset, have_hint ? &hint : nullptr, env,
                          ReportState{});
}

int ZipExtractAll(const std::string& archive_path, const std::string& destination,
                  const std::string& mask, const ZipReportHandler& report,
                  const ZipConfirmHandler& confirm, const ZipEnv& env) {
  if (archive_path.empty() || destination.empty()) return kZipMissingArgument;
  std::string dest = destination;
  std::replace(dest.begin(), dest.end(), '/', '\\');
  if (dest.back() != '\\') dest += '\\';

  if (!ZipCheckArchive(archive_path, nullptr, env)) return kZipNotArchive;
  TZipRec rec;
  if (ZipFirstEntry(archive_path, rec, env) != kZipOk) return kZipBadDirectory;

  TReportRec rr;
  ReportState state{&report, &rr};
  auto emit = [&](int32_t code) {
    if (report) report(code, rr);
  };
  auto totals_record = [&](uint64_t size, uint64_t compressed) {
    rr = TReportRec{};
    rr.file_name = archive_path;
    rr.time = 0xFFFFFFFFu;
    rr.attributes = 0xFFFFFFFFu;
    rr.size = Saturate32(size);
    rr.compressed_size = Saturate32(compressed);
    rr.ratio = Ratio(size, compressed);
  };

  if (report) {
    uint64_t size = 0, compressed = 0;
    CentralEntry e;
    for (uint32_t pos = 0; ParseCentral(rec, pos, e) == kZipOk;
         pos = e.next) {
      size += e.size;
      compressed += e.compressed_size;
    }
    totals_record(size, compressed);
    rr.status = kZipReportStart;
    emit(kZipReportStart);
  }

  int extracted = 0;
  uint64_t matched_size = 0, matched_compressed = 0;
  OutputBudget budget(env, dest);
  for (int next = kZipOk; next == kZipOk; next = ZipNextEntry(rec)) {
    if (!ZipMaskMatches(mask, rec.name)) continue;
    matched_size += rec.size;
    matched_compressed += rec.compressed_size;
    const std::string output = dest + rec.name;
    rr = TReportRec{};
    rr.file_name = output;
    rr.time = rec.date_time;
    rr.size = rec.size;
    rr.compressed_size = rec.compressed_size;
    rr.attributes = rec.attributes & 0xFFu;
    rr.method = rec.method;
    rr.ratio = Ratio(rec.size, rec.compressed_size);
    rr.is_directory = output.back() == '\\' || output.back() == '/';
    if (!rr.is_directory) {
      rr.status = kZipReportEntry;
      emit(kZipReportEntry);
    }

    int r;
    if (!ZipNameIsSafe(rec.name)) {
      r = kZipCreateError;  // would land outside the destination
    } else if (rec.too_large) {
      r = kZipBadMethod;  // skipped as an entry this program cannot unpack
    } else {
      // An existing folder is simply reused: nothing to confirm or clear.
      const bool exists = !rr.is_directory && env.host->FileExists(output);
      if (exists && confirm && !confirm(rr)) continue;
      if (exists) env.host->SetAttributes(output, 0);
      const EntryHint hint{rec.compressed_size, rec.size, rec.crc32};
      r = ExtractEntryImpl(*rec.archive, output, rec.header_offset, &hint, env, state, &budget);
      if (r == kZipOk) {
        env.host->SetAttributes(output, rec.attributes);
        if (env.apply_entry_times && !rr.is_directory) env.host->SetFileTime(output, rec.date_time);
      }
    }
    if (r == kZipOk) {
      ++extracted;
      if (!rr.is_directory) {
        rr.status = kZipReportDone;
        emit(kZipReportDone);
      }
      continue;
    }
    rr.status = kZipReportFailed;
    switch (r) {
      case kZipNoMoreEntries:
      case kZipNotArchive:
        break;
      case kZipCrcError:
      case kZipCreateError:
      case kZipBadMethod:
      case kZipEncrypted:
        emit(r);
        break;
      default:
        rr.status = r;
        emit(kZipReportAbandon);
        ZipCloseEntries(rec);
        return r;
    }
  }
  totals_record(matched_size, matched_compressed);
  rr.status = kZipReportEnd;
  emit(kZipReportEnd);
  return extracted;
}

}  // namespace strevo

#include "support/ps_mux.h"

#include <algorithm>

#include "support/ts_clock.h"

namespace strevo::engine {

namespace {

// Declared rate in units of 50 bytes/s: 20 Mbit/s, above any channel we carry.
constexpr uint32_t kMuxRate = 20000000 / 8 / 50;
constexpr size_t kMaxPesLength = 65535;

}  // namespace

RecordMux RecordMuxFor(std::string_view mux, bool* known) {
  if (known) *known = mux == "ts" || mux == "raw" || mux == "ps";
  return mux == "ps" ? RecordMux::kProgramStream : RecordMux::kUnchanged;
}

ProgramStreamMuxer::ProgramStreamMuxer(Writer write) : write_(std::move(write)) {
  demux_.on_pcr = [this](uint64_t pcr) {
    // The clock only goes forward in the file, also across a wrap of the PCR.
    if (!have_pcr_ || pcr > scr_ || scr_ - pcr > kPcrHz * 60) scr_ = pcr;
    have_pcr_ = true;
  };
  demux_.on_pes = [this](uint16_t, const std::vector<uint8_t>& pes) { Pes(pes); };
}

void ProgramStreamMuxer::Push(const uint8_t* data, size_t size) { demux_.Push(data, size); }

void ProgramStreamMuxer::Finish() {
  if (finished_) return;
  finished_ = true;
  demux_.Flush();
  if (!started_) return;  // nothing recorded: an empty file, not a stray end code
  const uint8_t end[4] = {0, 0, 1, 0xB9};
  write_(end, 4);
}

void ProgramStreamMuxer::PackHeader() {
  uint64_t base = (scr_ / 300) & ((uint64_t{1} << 33) - 1), ext = scr_ % 300;
  uint8_t h[14] = {0,
                   0,
                   1,
                   0xBA,
                   uint8_t(0x44 | ((base >> 27) & 0x38) | ((base >> 28) & 0x03)),
                   uint8_t(base >> 20),
                   uint8_t(((base >> 12) & 0xF8) | 0x04 | ((base >> 13) & 0x03)),
                   uint8_t(base >> 5),
                   uint8_t(((base << 3) & 0xF8) | 0x04 | ((ext >> 7) & 0x03)),
                   uint8_t(((ext << 1) & 0xFE) | 1),
                   uint8_t(kMuxRate >> 14),
                   uint8_t(kMuxRate >> 6),
                   uint8_t(((kMuxRate << 2) & 0xFC) | 0x03),
                   0xF8};
  out_.insert(out_.end(), h, h + 14);
  ++packs_;
}

void ProgramStreamMuxer::SystemHeader() {
  // Bounds for all video (0xB9) and all audio (0xB8) streams.
  uint8_t h[] = {0,    0,    1,    0xBB, 0,    12,   uint8_t(0x80 | (kMuxRate >> 15)), uint8_t(kMuxRate >> 7),
                 uint8_t(((kMuxRate << 1) & 0xFE) | 1), 0x04 /* audio bound 1, variable rate */,
                 0xE1 /* locks, marker, video bound 1 */, 0x7F, 0xB9, 0xE0 | (230 >> 8), 230 & 0xFF, 0xB8, 0xC0, 32};
  out_.insert(out_.end(), h, h + sizeof h);
}

void ProgramStreamMuxer::Pes(const std::vector<uint8_t>& pes) {
  auto header = ParsePesHeader(pes.data(), pes.size());
  if (!header || header->stream_id < 0xBD) return;  // not a stream a program stream can carry
  out_.clear();
  PackHeader();
  if (!started_) {
    SystemHeader();
    started_ = true;
  }
  size_t declared = (size_t{pes[4]} << 8) | pes[5];
  if (declared != 0 || pes.size() - 6 <= kMaxPesLength) {
    size_t start = out_.size();
    out_.insert(out_.end(), pes.begin(), pes.end());
    if (declared == 0) {
      out_[start + 4] = uint8_t((pes.size() - 6) >> 8);
      out_[start + 5] = uint8_t(pes.size() - 6);
    }
    write_(out_.data(), out_.size());
    return;
  }
  // Longer than one length can say: the first packet keeps the header (and its
  // time stamps), the rest continue with a header that carries none.
  size_t pos = header->payload_offset;
  size_t first = kMaxPesLength - (header->payload_offset - 6);
  size_t take = std::min(first, pes.size() - pos);
  size_t start = out_.size();
  out_.insert(out_.begin() + static_cast<ptrdiff_t>(start), pes.begin(), pes.begin() + static_cast<ptrdiff_t>(pos + take));
  size_t length = out_.size() - start - 6;
  out_[start + 4] = uint8_t(length >> 8);
  out_[start + 5] = uint8_t(length);
  write_(out_.data(), out_.size());
  pos += take;
  while (pos < pes.size()) {
    out_.clear();
    PackHeader();
    take = std::min(kMaxPesLength - 3, pes.size() - pos);
    size_t len = take + 3;
    uint8_t h[9] = {0, 0, 1, header->stream_id, uint8_t(len >> 8), uint8_t(len), 0x80, 0, 0};
    out_.insert(out_.end(), h, h + 9);
    out_.insert(out_.end(), pes.begin() + static_cast<ptrdiff_t>(pos), pes.begin() + static_cast<ptrdiff_t>(pos + take));
    write_(out_.data(), out_.size());
    pos += take;
  }
}

}  // namespace strevo::engine

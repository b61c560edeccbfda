#include "mpeg_stream_writer.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "support/mpeg_vlc.h"

namespace strevo::engine::streams {
namespace {

const char* CodeFor(VlcTable table, int value) {
  CodeTable t = CodesOf(table);
  for (int i = 0; i < t.count; ++i)
    if (t.entries[i].value == value) return t.entries[i].bits;
  return nullptr;
}

const char* MustCode(VlcTable table, int value) {
  const char* c = CodeFor(table, value);
  if (!c) throw std::invalid_argument("no code for this value");
  return c;
}

}  // namespace

void BitWriter::Put(uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    acc_ = (acc_ << 1) | ((value >> i) & 1);
    if (++used_ == 8) {
      out_.push_back(static_cast<uint8_t>(acc_));
      acc_ = 0;
      used_ = 0;
    }
  }
}

void BitWriter::PutCode(const char* bits) {
  for (const char* b = bits; *b; ++b) Put(*b == '1' ? 1 : 0, 1);
}

void BitWriter::StartCode(uint8_t code) {
  if (used_) Put(0, 8 - used_);
  out_.insert(out_.end(), {0, 0, 1, code});
}

const std::vector<uint8_t>& BitWriter::Bytes() {
  if (used_) Put(0, 8 - used_);
  return out_;
}

void WriteSequence(BitWriter& w, const SequenceParams& s) {
  w.StartCode(0xB3);
  w.Put(s.width, 12);
  w.Put(s.height, 12);
  w.Put(2, 4);        // 4:3
  w.Put(3, 4);        // 25 frames/s
  w.Put(15000, 18);   // 6 Mbit/s in 400 bit/s units
  w.Put(1, 1);        // marker
  w.Put(112, 10);     // VBV buffer, 16 kbit units
  w.Put(0, 1);        // constrained parameters
  w.Put(0, 2);        // default matrices
  w.StartCode(0xB5);  // sequence extension
  w.Put(1, 4);
  w.Put(0x48, 8);     // Main Profile, Main Level
  w.Put(s.progressive ? 1 : 0, 1);
  w.Put(1, 2);        // 4:2:0
  w.Put(0, 2);        // size extensions
  w.Put(0, 2);
  w.Put(0, 12);       // bit rate extension
  w.Put(1, 1);        // marker
  w.Put(0, 8);        // VBV extension
  w.Put(0, 1);        // low delay
  w.Put(0, 2);        // frame rate extension
  w.Put(0, 5);
}

void WriteGroup(BitWriter& w, bool closed) {
  w.StartCode(0xB8);
  w.Put(0, 1 + 5 + 6);  // drop frame, hours, minutes
  w.Put(1, 1);      // marker
  w.Put(0, 6 + 6);  // seconds, pictures
  w.Put(closed ? 1 : 0, 1);
  w.Put(0, 1);  // broken link
}

void WritePicture(BitWriter& w, const PictureParams& p) {
  w.StartCode(0x00);
  w.Put(p.temporal_reference, 10);
  w.Put(p.type, 3);
  w.Put(0xFFFF, 16);  // VBV delay
  if (p.type == 2 || p.type == 3) w.Put(0x7, 4);  // full pel no, f_code 7 (MPEG-2 sends it in the extension)
  if (p.type == 3) w.Put(0x7, 4);
  w.Put(0, 1);  // no extra information
  w.StartCode(0xB5);  // picture coding extension
  w.Put(8, 4);
  for (int s = 0; s < 2; ++s)
    for (int t = 0; t < 2; ++t) w.Put(p.f_code[s][t], 4);
  w.Put(p.intra_dc_precision, 2);
  w.Put(p.structure, 2);
  w.Put(p.top_field_first, 1);
  w.Put(p.frame_pred_frame_dct, 1);
  w.Put(0, 1);  // concealment vectors
  w.Put(p.q_scale_type, 1);
  w.Put(p.intra_vlc_format, 1);
  w.Put(p.alternate_scan, 1);
  w.Put(0, 1);  // repeat first field
  w.Put(0, 1);  // chroma 4:2:0 type (= progressive frame)
  w.Put(0, 1);  // progressive frame
  w.Put(0, 1);  // no composite display information
}

void WriteSequenceEnd(BitWriter& w) { w.StartCode(0xB7); }

void WriteAddressIncrement(BitWriter& w, int increment) {
  for (; increment > 33; increment -= 33) w.PutCode(MustCode(VlcTable::kAddress, 34));
  w.PutCode(MustCode(VlcTable::kAddress, increment));
}

void WriteMacroblockType(BitWriter& w, int picture_type, int flags) {
  VlcTable t = picture_type == 1 ? VlcTable::kTypeI : picture_type == 2 ? VlcTable::kTypeP : VlcTable::kTypeB;
  w.PutCode(MustCode(t, flags));
}

void WritePattern(BitWriter& w, int cbp) { w.PutCode(MustCode(VlcTable::kPattern, cbp)); }

void WriteMotionCode(BitWriter& w, int code, int residual, int f_code) {
  w.PutCode(MustCode(VlcTable::kMotion, std::abs(code)));
  if (code != 0) w.Put(code < 0 ? 1 : 0, 1);
  if (f_code > 1 && code != 0) w.Put(residual, f_code - 1);
}

void WriteDualPrimeVector(BitWriter& w, int dmvector) {
  w.PutCode(dmvector == 0 ? "0" : dmvector > 0 ? "10" : "11");
}

void WriteDcDifferential(BitWriter& w, bool chroma, int diff) {
  int size = 0;
  while ((std::abs(diff) >> size) != 0) ++size;
  w.PutCode(MustCode(chroma ? VlcTable::kDcChroma : VlcTable::kDcLuma, size));
  if (size > 0) w.Put(diff > 0 ? diff : diff + (1 << size) - 1, size);
}

void WriteCoefficient(BitWriter& w, bool table_one, bool first_inter, int run, int level) {
  int magnitude = std::abs(level);
  if (first_inter && run == 0 && magnitude == 1) {
    w.Put(1, 1);  // "1s"
    w.Put(level < 0 ? 1 : 0, 1);
    return;
  }
  const char* c = magnitude < 256 ? CodeFor(table_one ? VlcTable::kDctOne : VlcTable::kDctZero, run * 256 + magnitude)
                                  : nullptr;
  if (c) {
    w.PutCode(c);
    w.Put(level < 0 ? 1 : 0, 1);
    return;
  }
  w.PutCode("000001");  // escape: six bits of run, twelve of signed level
  w.Put(run, 6);
  w.Put(static_cast<uint32_t>(level) & 0xFFF, 12);
}

void WriteEndOfBlock(BitWriter& w, bool table_one) { w.PutCode(table_one ? "0110" : "10"); }

}  // namespace strevo::engine::streams

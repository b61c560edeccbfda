// Test streams with the MPEG-2 tools that the encoders at hand cannot make:
// field pictures (I, P and B) and dual-prime prediction in field and frame
// pictures. The content is random but valid syntax: intra blocks with random
// coefficients, then macroblocks with random modes, vectors, differentials and
// residuals. Nothing here says what they decode to; the tests compare our
// decode with ffmpeg's.
// Usage: make_mpeg_streams OUTDIR [WIDTHxHEIGHT]   (default 352x288; multiples of 32)
// writes field_ipb.m2v, field_dualprime.m2v and frame_dualprime.m2v.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "mpeg_stream_writer.h"
#include "support/mpeg_vlc.h"

namespace strevo::engine::streams {
namespace {

class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  int Below(int n) {
    s_ = s_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((s_ >> 33) % static_cast<uint64_t>(n));
  }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  int Sign() { return Below(2) ? 1 : -1; }

 private:
  uint64_t s_;
};

// How often each kind of macroblock appears, in percent.
struct Style {
  int skip = 12;
  int intra = 6;
  int no_motion = 6;  // P: coded without motion (zero vector, same parity)
  int coded = 60;     // motion-compensated with a residual
  int dual_prime = 0;
  // The second field of a stream's first frame has only the first field to
  // refer to: no skipped, motionless or dual-prime macroblocks, and every
  // vector selects that field.
  bool only_first_field = false;
};

constexpr int kField = 1, kFrameOr16x8 = 2, kDualPrime = 3;

class PictureCoder {
 public:
  PictureCoder(BitWriter& w, const SequenceParams& seq, const PictureParams& pic, const Style& style, Rng& rng)
      : w_(w), pic_(pic), style_(style), rng_(rng), frame_(pic.structure == 3) {
    mb_width_ = seq.width / 16;
    mb_rows_ = frame_ ? seq.height / 16 : seq.height / 32;
  }

  void Run() {
    for (int row = 0; row < mb_rows_; ++row) {
      // Now and then a row in two slices.
      int split = rng_.Chance(25) ? rng_.Between(1, mb_width_ - 1) : mb_width_;
      Slice(row, 0, split);
      if (split < mb_width_) Slice(row, split, mb_width_);
    }
  }

 private:
  void ResetDc() {
    for (int& d : dc_) d = 1 << (7 + pic_.intra_dc_precision);
  }

  void Slice(int row, int first, int end) {
    w_.StartCode(static_cast<uint8_t>(row + 1));
    w_.Put(QuantiserCode(), 5);
    w_.Put(0, 1);  // no extra slice information
    ResetDc();
    std::memset(pmv_, 0, sizeof pmv_);
    last_flags_ = 0;
    int skipped = 0;
    for (int x = first; x < end; ++x) {
      mb_x_ = x;
      mb_y_ = row;
      bool may_skip = x != first && x != end - 1 && pic_.type != 1 && !style_.only_first_field &&
                      (pic_.type == 2 || SkipStaysInside());
      if (may_skip && rng_.Chance(style_.skip)) {
        ++skipped;
        ResetDc();
        if (pic_.type == 2) std::memset(pmv_, 0, sizeof pmv_);
        continue;
      }
      WriteAddressIncrement(w_, x == first ? first + 1 : skipped + 1);
      skipped = 0;
      Macroblock();
    }
  }

  // A skipped macroblock of a B picture repeats the previous one's directions
  // with the predicted vectors (as one frame or one field vector); there must
  // be such a macroblock (not intra), and the vectors must stay inside here.
  bool SkipStaysInside() const {
    if (!(last_flags_ & (kMbForward | kMbBackward))) return false;
    for (int s = 0; s < 2; ++s) {
      if (!(last_flags_ & (s == 0 ? kMbForward : kMbBackward))) continue;
      if (!Inside(Horizontal(), pmv_[0][s][0]) || !Inside(Vertical(frame_ ? kFrameOr16x8 : kField, 0), pmv_[0][s][1]))
        return false;
    }
    return true;
  }

  int Flags() {
    if (pic_.type == 1) return kMbIntra | (rng_.Chance(15) ? kMbQuant : 0);
    if (rng_.Chance(style_.intra)) return kMbIntra | (rng_.Chance(20) ? kMbQuant : 0);
    bool coded = rng_.Chance(style_.coded);
    int flags;
    if (pic_.type == 2) {
      bool still = !style_.only_first_field && rng_.Chance(style_.no_motion);
      flags = still ? kMbPattern : kMbForward | (coded ? kMbPattern : 0);
    } else {
      static constexpr int kDirections[] = {kMbForward, kMbBackward, kMbForward | kMbBackward};
      flags = kDirections[rng_.Below(3)] | (coded ? kMbPattern : 0);
    }
    if ((flags & kMbPattern) && rng_.Chance(15)) flags |= kMbQuant;
    return flags;
  }

  int MotionType() {
    if (pic_.type == 2 && style_.dual_prime && rng_.Chance(style_.dual_prime)) return kDualPrime;
    return rng_.Chance(50) ? kField : kFrameOr16x8;
  }

  void Macroblock() {
    int flags = Flags();
    last_flags_ = flags;
    WriteMacroblockType(w_, pic_.type, flags);
    int motion_type = 0;
    if (flags & (kMbForward | kMbBackward)) {
      motion_type = MotionType();
      if (!frame_ || !pic_.frame_pred_frame_dct) w_.Put(motion_type, 2);
    }
    if (frame_ && !pic_.frame_pred_frame_dct && (flags & (kMbIntra | kMbPattern))) w_.Put(rng_.Below(2), 1);
    if (flags & kMbQuant) w_.Put(QuantiserCode(), 5);
    for (int s = 0; s < 2; ++s)
      if (flags & (s == 0 ? kMbForward : kMbBackward)) Vectors(s, motion_type);
    if (flags & kMbIntra) {
      std::memset(pmv_, 0, sizeof pmv_);
      for (int b = 0; b < 6; ++b) IntraBlock(b);
      return;
    }
    ResetDc();
    if (pic_.type == 2 && !(flags & kMbForward)) std::memset(pmv_, 0, sizeof pmv_);
    if (flags & kMbPattern) {
      int cbp = rng_.Between(1, 63);
      WritePattern(w_, cbp);
      for (int b = 0; b < 6; ++b)
        if (cbp & (32 >> b)) InterBlock();
    }
  }

  // One component of a prediction block: where it starts, its size, and the
  // size of the picture or field it is taken from (luma samples).
  struct Span {
    int pos, size, extent;
  };
  Span Horizontal() const { return {16 * mb_x_, 16, 16 * mb_width_}; }
  Span Vertical(int motion_type, int r) const {
    if (frame_ && motion_type == kFrameOr16x8) return {16 * mb_y_, 16, 16 * mb_rows_};
    if (frame_) return {8 * mb_y_, 8, 8 * mb_rows_};
    if (motion_type == kFrameOr16x8) return {16 * mb_y_ + 8 * r, 8, 16 * mb_rows_};
    return {16 * mb_y_, 16, 16 * mb_rows_};
  }

  // Whether a vector (half samples) keeps the block and its chroma inside:
  // what lies outside is not defined, and decoders differ there.
  static bool Inside(const Span& g, int v) {
    int p = g.pos + (v >> 1);
    if (p < 0 || p + g.size + (v & 1) > g.extent) return false;
    int c = v / 2;
    int cp = g.pos / 2 + (c >> 1);
    return cp >= 0 && cp + g.size / 2 + (c & 1) <= g.extent / 2;
  }

  // The vectors dual prime derives for the other parity, per component: in
  // frame pictures one for each field, scaled by the fields' distance.
  int Derived(int v, int dmvector, int t, int field) const {
    int mult = 1, shift = 0;
    if (frame_) {
      mult = (field == 0) == pic_.top_field_first ? 1 : 3;
      shift = field == 0 ? -1 : 1;
    } else {
      shift = pic_.structure == 1 ? -1 : 1;
    }
    int scaled = v * mult;
    scaled = scaled >= 0 ? (scaled + 1) >> 1 : -((1 - scaled) >> 1);
    return scaled + dmvector + (t == 1 ? shift : 0);
  }

  // A vector (and its dual-prime differential) whose prediction stays inside,
  // most often near the predictor, as an encoder's would be.
  std::pair<int, int> Choose(int pred, int f_code, const Span& g, int t, bool dual_prime) {
    int f = 1 << (f_code - 1);
    std::vector<std::pair<int, int>> near, all;
    for (int v = -16 * f; v < 16 * f; ++v) {
      // A predictor outside the range (twice a field vector's vertical) with a
      // zero difference must still wrap; ffmpeg does not wrap it.
      if (!Inside(g, v) || (pred != v && (v - pred) % (32 * f) == 0)) continue;
      for (int dm = dual_prime ? -1 : 0; dm <= (dual_prime ? 1 : 0); ++dm) {
        if (dual_prime && (!Inside(g, Derived(v, dm, t, 0)) || (frame_ && !Inside(g, Derived(v, dm, t, 1)))))
          continue;
        all.emplace_back(v, dm);
        if (std::abs(v - pred) <= 4) near.emplace_back(v, dm);
      }
    }
    const auto& from = !near.empty() && rng_.Chance(70) ? near : all;
    return from[rng_.Below(static_cast<int>(from.size()))];
  }

  // The difference to the predictor, wrapped into the f_code's range.
  static void WriteDelta(BitWriter& w, int delta, int f_code) {
    int f = 1 << (f_code - 1);
    if (delta < -16 * f) delta += 32 * f;
    if (delta >= 16 * f) delta -= 32 * f;
    if (delta == 0) return WriteMotionCode(w, 0, 0, f_code);
    int magnitude = std::abs(delta) - 1;
    int code = magnitude / f + 1;
    WriteMotionCode(w, delta < 0 ? -code : code, magnitude % f, f_code);
  }

  void Vectors(int s, int motion_type) {
    bool dual_prime = motion_type == kDualPrime;
    int count = (frame_ ? motion_type == kField : motion_type == kFrameOr16x8) ? 2 : 1;
    bool field_in_frame = frame_ && motion_type != kFrameOr16x8;
    int other_field = pic_.structure == 1 ? 1 : 0;
    for (int r = 0; r < count; ++r) {
      if (count == 2 || (!(frame_ && motion_type == kFrameOr16x8) && !dual_prime))
        w_.Put(style_.only_first_field ? other_field : rng_.Below(2), 1);
      for (int t = 0; t < 2; ++t) {
        int f_code = pic_.f_code[s][t];
        // Field vectors of frame pictures are predicted in field units.
        bool halved = field_in_frame && t == 1;
        int pred = halved ? pmv_[r][s][t] >> 1 : pmv_[r][s][t];
        auto [v, dm] = Choose(pred, f_code, t == 0 ? Horizontal() : Vertical(motion_type, r), t, dual_prime);
        WriteDelta(w_, v - pred, f_code);
        if (dual_prime) WriteDualPrimeVector(w_, dm);
        pmv_[r][s][t] = halved ? v * 2 : v;
      }
    }
    if (count == 1) std::memcpy(pmv_[1][s], pmv_[0][s], sizeof pmv_[0][s]);
  }

  // Picture content like an encoder's: moderate steps, so the samples stay
  // within the range where inverse transforms must agree.
  int QuantiserCode() { return rng_.Between(2, 10); }
  int Level() { return rng_.Sign() * (rng_.Chance(85) ? 1 : rng_.Between(2, 3)); }

  void IntraBlock(int b) {
    int cc = b < 4 ? 0 : b - 3;
    int unit = 1 << pic_.intra_dc_precision;
    int top = (256 << pic_.intra_dc_precision) - 1;
    int value = dc_[cc] + rng_.Between(-12, 12) * unit;
    value = value < 0 ? 0 : value > top ? top : value;
    WriteDcDifferential(w_, cc != 0, value - dc_[cc]);
    dc_[cc] = value;
    int pos = 0;
    // Runs long enough that some pairs have no code of their own (escapes).
    for (int n = rng_.Below(6); n > 0; --n) {
      int run = rng_.Chance(80) ? rng_.Below(3) : rng_.Between(10, 20);
      pos += run + 1;
      if (pos > 63) break;
      WriteCoefficient(w_, pic_.intra_vlc_format, false, run, Level());
    }
    WriteEndOfBlock(w_, pic_.intra_vlc_format);
  }

  void InterBlock() {
    int pos = -1;
    for (int n = rng_.Between(1, 4), k = 0; k < n; ++k) {
      int run = rng_.Chance(80) ? rng_.Below(4) : rng_.Between(10, 20);
      pos += run + 1;
      if (pos > 63) break;
      WriteCoefficient(w_, false, k == 0, run, Level());
    }
    WriteEndOfBlock(w_, false);
  }

  BitWriter& w_;
  const PictureParams& pic_;
  const Style& style_;
  Rng& rng_;
  bool frame_;
  int mb_width_ = 0, mb_rows_ = 0;
  int mb_x_ = 0, mb_y_ = 0;
  int dc_[3] = {};
  int pmv_[2][2][2] = {};  // predictors [vector][direction][component], as the decoder keeps them
  int last_flags_ = 0;     // of the last macroblock sent
};

struct StreamWriter {
  BitWriter w;
  SequenceParams seq;
  Rng rng;
  Style style;

  // Starts the stream: its sequence and a closed group.
  StreamWriter(uint64_t seed, const SequenceParams& sequence) : seq(sequence), rng(seed) {
    WriteSequence(w, seq);
    WriteGroup(w, true);
  }

  PictureParams Params(int temporal_reference, int type, int structure) {
    PictureParams p;
    p.temporal_reference = temporal_reference;
    p.type = type;
    p.structure = structure;
    for (int s = 0; s < 2; ++s)
      for (int t = 0; t < 2; ++t)
        if ((s == 0 && type >= 2) || (s == 1 && type == 3)) p.f_code[s][t] = rng.Between(1, 3);
    p.intra_dc_precision = rng.Below(3);
    p.q_scale_type = rng.Below(2);
    p.intra_vlc_format = rng.Below(2);
    p.alternate_scan = rng.Below(2);
    return p;
  }

  void Picture(const PictureParams& p, const Style& s) {
    WritePicture(w, p);
    PictureCoder(w, seq, p, s, rng).Run();
  }

  // A frame as two field pictures; `second_type` may differ from the first
  // field's type (an I frame whose second field is P).
  void Fields(int temporal_reference, int type, int second_type, bool bottom_first, bool first_frame = false) {
    Picture(Params(temporal_reference, type, bottom_first ? 2 : 1), style);
    Style second = style;
    second.only_first_field = first_frame;
    if (first_frame) second.dual_prime = 0;
    Picture(Params(temporal_reference, second_type, bottom_first ? 1 : 2), second);
  }

  void Frame(int temporal_reference, int type, bool top_field_first) {
    PictureParams p = Params(temporal_reference, type, 3);
    p.top_field_first = top_field_first;
    Picture(p, style);
  }

  bool Save(const std::string& path) {
    WriteSequenceEnd(w);
    const std::vector<uint8_t>& b = w.Bytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
  }
};

// Field pictures with I, P and B, both field orders, in two groups (the
// second open, its B frames referring back across the group boundary).
bool FieldIpb(const std::string& dir, const SequenceParams& seq) {
  StreamWriter s(1, seq);
  s.Fields(0, 1, 2, false, true);
  s.Fields(3, 2, 2, true);
  s.Fields(1, 3, 3, false);
  s.Fields(2, 3, 3, true);
  s.Fields(6, 2, 2, false);
  s.Fields(4, 3, 3, true);
  s.Fields(5, 3, 3, false);
  WriteSequence(s.w, s.seq);
  WriteGroup(s.w, false);
  s.Fields(2, 1, 1, true);
  s.Fields(0, 3, 3, false);
  s.Fields(1, 3, 3, true);
  return s.Save(dir + "/field_ipb.m2v");
}

// Dual prime in field pictures: in first fields (the other parity from the
// previous frame) and in second fields (from the first field of the same
// frame), both field orders, with skipped and intra macroblocks among them.
bool FieldDualPrime(const std::string& dir, const SequenceParams& seq) {
  StreamWriter s(2, seq);
  s.style.dual_prime = 60;
  s.Fields(0, 1, 2, false, true);
  s.Fields(1, 2, 2, false);
  s.Fields(2, 2, 2, true);
  s.Fields(3, 1, 2, false);
  s.Fields(4, 2, 2, true);
  s.Fields(5, 2, 2, false);
  s.Fields(6, 1, 2, true);
  s.Fields(7, 2, 2, true);
  return s.Save(dir + "/field_dualprime.m2v");
}

// Dual prime in frame pictures, with both field orders (they change the
// scaling of the vector between the fields).
bool FrameDualPrime(const std::string& dir, const SequenceParams& seq) {
  StreamWriter s(3, seq);
  s.style.dual_prime = 60;
  s.Frame(0, 1, true);
  for (int k = 1; k < 8; ++k) s.Frame(k, 2, k % 3 != 0);
  return s.Save(dir + "/frame_dualprime.m2v");
}

}  // namespace
}  // namespace strevo::engine::streams

int main(int argc, char** argv) {
  using namespace strevo::engine::streams;
  SequenceParams seq;
  if (argc == 3 && (std::sscanf(argv[2], "%dx%d", &seq.width, &seq.height) != 2 || seq.width < 32 ||
                    seq.height < 32 || seq.width % 32 || seq.height % 32 || seq.width > 1920 || seq.height > 1152))
    argc = 0;
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: make_mpeg_streams OUTDIR [WIDTHxHEIGHT]\n");
    return 2;
  }
  std::string dir = argv[1];
  if (!FieldIpb(dir, seq) || !FieldDualPrime(dir, seq) || !FrameDualPrime(dir, seq)) {
    std::fprintf(stderr, "make_mpeg_streams: cannot write to %s\n", dir.c_str());
    return 1;
  }
  return 0;
}

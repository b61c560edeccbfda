#include "support/mpeg_slice.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "support/mpeg_idct.h"
#include "support/mpeg_vlc.h"

namespace strevo::engine {
namespace {

// Frame pictures: 1 field, 2 frame, 3 dual prime. Field pictures: 1 field,
// 2 16x8, 3 dual prime.
constexpr int kMotionField = 1;
constexpr int kMotionFrame = 2;
constexpr int kMotion16x8 = 2;
constexpr int kMotionDualPrime = 3;

struct Motion {
  int flags = 0;  // kMbForward / kMbBackward
  int type = kMotionFrame;
  int mv[2][2][2] = {};        // [vector][direction][horizontal/vertical], half samples
  int field_select[2][2] = {};  // [vector][direction]
  // Dual prime: the vector from the field of opposite parity to the one that
  // mv[f][0] predicts from its own parity (f: the predicted field of a frame
  // picture; 0 in field pictures).
  int dual[2][2] = {};
};

class SliceDecoder {
 public:
  SliceDecoder(const SliceContext& ctx, const uint8_t* data, size_t size)
      : c_(ctx), seq_(*ctx.seq), pic_(*ctx.pic), br_(data, size) {
    frame_pic_ = pic_.structure == kFramePicture;
    parity_ = pic_.structure == kBottomField ? 1 : 0;
    mb_rows_ = frame_pic_ ? c_.mb_height : c_.mb_height / 2;
    for (int i = 0; i < 3; ++i) dst_[i] = frame_pic_ ? c_.current.p[i] : FieldOf(c_.current.p[i], parity_);
    scan_ = kScan[pic_.alternate_scan ? 1 : 0];
  }

  bool Run(int row);
  // After damage: the rest of the slice's row from the previous picture.
  void Conceal();

 private:
  void ResetDc() {
    int v = 1 << (7 + pic_.intra_dc_precision);
    dc_[0] = dc_[1] = dc_[2] = v;
  }
  void ResetVectors() { std::memset(pmv_, 0, sizeof pmv_); }
  int QuantScale(int code) const {
    return pic_.q_scale_type ? kNonLinearQuantScale[code] : 2 * code;
  }

  bool Macroblock(int addr);
  void Skipped(int addr);
  bool ReadVectors(int s, int type, bool dual_prime);
  bool ReadVector(int r, int s, bool field_in_frame, int* dmvector = nullptr);
  void DeriveDualPrime(Motion& m, const int dmvector[2]) const;
  bool Predict(int mb_x, int mb_y, const Motion& m);
  void PredictFromField(const Plane refs[3], int mb_x, int luma_y, int w, int h, const int mv[2],
                        Plane dst_field[3], bool average);
  Plane Reference(int s, int field, int plane) const;
  bool IntraBlock(int b, int16_t* blk);
  bool InterBlock(int16_t* blk);
  bool ReadEscape(RunLevel& rl);
  void BlockTarget(int b, int mb_x, int mb_y, bool field_dct, uint8_t** dst, int* stride) const;

  const SliceContext& c_;
  const SequenceHeader& seq_;
  const PictureHeader& pic_;
  BitReader br_;
  bool frame_pic_ = true;
  int parity_ = 0;
  int mb_rows_ = 0;
  Plane dst_[3];
  const uint8_t* scan_ = nullptr;
  int qscale_ = 0;
  int dc_[3] = {};
  int pmv_[2][2][2] = {};
  Motion last_;  // of the previous macroblock, for skipped ones in B pictures
  int row_ = -1;
  int next_ = -1;  // the first macroblock address not yet decoded whole
};

bool SliceDecoder::Run(int row) {
  if (row >= mb_rows_) return false;
  qscale_ = QuantScale(static_cast<int>(br_.Get(5)));
  if (seq_.mpeg2 && br_.Peek(1)) br_.Skip(9);  // intra slice flags
  while (br_.GetBit()) br_.Skip(8);
  if (qscale_ == 0) return false;
  ResetDc();
  ResetVectors();
  int mb_count = c_.mb_width * mb_rows_;
  int addr = row * c_.mb_width - 1;
  row_ = row;
  next_ = row * c_.mb_width;
  bool first = true;
  for (;;) {
    int inc = 0;
    for (;;) {
      int code = ReadAddressIncrement(br_);
      if (code == 35) continue;  // stuffing
      if (code == 34) {
        inc += 33;
        continue;
      }
      if (code < 0 || br_.overrun) return false;
      inc += code;
      break;
    }
    if (first) {
      addr += inc;
      first = false;
    } else {
      if (addr + inc >= mb_count) return false;
      if (inc > 1 && pic_.type == kPictureI) return false;  // I pictures skip nothing
      for (int k = 1; k < inc; ++k) Skipped(addr + k);
      addr += inc;
    }
    if (addr < 0 || addr >= mb_count) return false;
    next_ = addr;
    if (!Macroblock(addr) || br_.overrun) return false;
    next_ = addr + 1;
    if (br_.Peek(23) == 0) return true;  // only padding before the next start code
  }
}

void SliceDecoder::Conceal() {
  if (row_ < 0 || row_ >= mb_rows_ || !c_.forward.valid()) return;
  int end = (row_ + 1) * c_.mb_width;
  Motion m;
  m.flags = kMbForward;
  m.type = frame_pic_ ? kMotionFrame : kMotionField;
  m.field_select[0][0] = parity_;
  for (int addr = std::max(next_, row_ * c_.mb_width); addr < end; ++addr)
    Predict(addr % c_.mb_width, addr / c_.mb_width, m);
}

void SliceDecoder::Skipped(int addr) {
  ResetDc();
  Motion m;
  if (pic_.type == kPictureP) {
    ResetVectors();
    m.flags = kMbForward;
    m.type = frame_pic_ ? kMotionFrame : kMotionField;
    m.field_select[0][0] = parity_;
  } else {
    // Same directions as the previous macroblock, predicted as a whole with
    // the vector predictors as vectors; in field pictures from the fields of
    // the same parity, whatever the previous macroblock selected.
    m.flags = last_.flags;
    m.type = frame_pic_ ? kMotionFrame : kMotionField;
    for (int s = 0; s < 2; ++s) {
      m.field_select[0][s] = parity_;
      int scale = pic_.full_pel[s] ? 2 : 1;
      m.mv[0][s][0] = pmv_[0][s][0] * scale;
      m.mv[0][s][1] = pmv_[0][s][1] * scale;
    }
  }
  Predict(addr % c_.mb_width, addr / c_.mb_width, m);
}

bool SliceDecoder::Macroblock(int addr) {
  int mb_x = addr % c_.mb_width, mb_y = addr / c_.mb_width;
  int type = ReadMacroblockType(br_, pic_.type);
  if (type < 0) return false;
  Motion m;
  m.flags = type & (kMbForward | kMbBackward);
  m.type = frame_pic_ ? kMotionFrame : kMotionField;
  if (m.flags) {
    if (!frame_pic_ || !pic_.frame_pred_frame_dct) m.type = static_cast<int>(br_.Get(2));
    if (m.type == 0) return false;
  }
  bool field_dct = false;
  if (frame_pic_ && !pic_.frame_pred_frame_dct && (type & (kMbIntra | kMbPattern))) field_dct = br_.GetBit();
  if (type & kMbQuant) {
    qscale_ = QuantScale(static_cast<int>(br_.Get(5)));
    if (qscale_ == 0) return false;
  }
  alignas(16) int16_t blk[64];
  if (type & kMbIntra) {
    if (pic_.concealment_vectors) {
      // Concealment vectors only carry the prediction of the next vectors.
      int saved = m.type;
      if (!ReadVectors(0, frame_pic_ ? kMotionFrame : kMotionField, false)) return false;
      m.type = saved;
      br_.Skip(1);  // marker
    } else {
      ResetVectors();
    }
    for (int b = 0; b < 6; ++b) {
      if (!IntraBlock(b, blk)) return false;
      uint8_t* dst;
      int stride;
      BlockTarget(b, mb_x, mb_y, field_dct, &dst, &stride);
      IdctPut(blk, dst, stride);
    }
    last_ = Motion{};
    return true;
  }
  ResetDc();
  if (m.type == kMotionDualPrime) {
    // Only P pictures use it; in B pictures the code is reserved.
    if (pic_.type != kPictureP || m.flags != kMbForward) return false;
    int dmvector[2];
    if (!ReadVector(0, 0, frame_pic_, dmvector)) return false;
    std::memcpy(pmv_[1][0], pmv_[0][0], sizeof pmv_[0][0]);
    m.mv[0][0][0] = pmv_[0][0][0];
    m.mv[0][0][1] = frame_pic_ ? pmv_[0][0][1] >> 1 : pmv_[0][0][1];
    DeriveDualPrime(m, dmvector);
  } else if (pic_.type == kPictureP && !(m.flags & kMbForward)) {
    // No motion: zero vector from the same parity, and the predictors restart.
    ResetVectors();
    m.flags = kMbForward;
    m.type = frame_pic_ ? kMotionFrame : kMotionField;
    m.field_select[0][0] = parity_;
  } else {
    for (int s = 0; s < 2; ++s) {
      if (!(m.flags & (s == 0 ? kMbForward : kMbBackward))) continue;
      int count = (frame_pic_ ? m.type == kMotionField : m.type == kMotion16x8) ? 2 : 1;
      bool field_format = !frame_pic_ || m.type == kMotionField;
      for (int r = 0; r < count; ++r) {
        if (count == 2 || field_format) m.field_select[r][s] = br_.GetBit();
        if (!ReadVector(r, s, frame_pic_ && field_format)) return false;
        m.mv[r][s][0] = pmv_[r][s][0];
        m.mv[r][s][1] = (frame_pic_ && field_format) ? pmv_[r][s][1] >> 1 : pmv_[r][s][1];
        if (pic_.full_pel[s]) {
          m.mv[r][s][0] *= 2;
          m.mv[r][s][1] *= 2;
        }
      }
      if (count == 1) std::memcpy(pmv_[1][s], pmv_[0][s], sizeof pmv_[0][s]);
    }
  }
  if (!Predict(mb_x, mb_y, m)) return false;
  last_ = m;
  int cbp = 0;
  if (type & kMbPattern) {
    cbp = ReadCodedBlockPattern(br_);
    if (cbp < 0) return false;
  }
  for (int b = 0; b < 6; ++b) {
    if (!(cbp & (32 >> b))) continue;
    if (!InterBlock(blk)) return false;
    uint8_t* dst;
    int stride;
    BlockTarget(b, mb_x, mb_y, field_dct, &dst, &stride);
    IdctAdd(blk, dst, stride);
  }
  return true;
}

bool SliceDecoder::ReadVectors(int s, int type, bool dual_prime) {
  bool field_format = !frame_pic_ || type == kMotionField;
  if (field_format && !dual_prime) br_.Skip(1);  // field select
  if (!ReadVector(0, s, frame_pic_ && field_format)) return false;
  std::memcpy(pmv_[1][s], pmv_[0][s], sizeof pmv_[0][s]);
  return true;
}

// One motion vector into pmv_[r][s], kept in frame units (vertical field
// vectors of frame pictures doubled). Dual prime adds a small differential
// after each component.
bool SliceDecoder::ReadVector(int r, int s, bool field_in_frame, int* dmvector) {
  for (int t = 0; t < 2; ++t) {
    int f_code = pic_.f_code[s][t];
    if (f_code < 1 || f_code > 9) return false;
    int code = ReadMotionCode(br_);
    if (code == kBadCode) return false;
    int r_size = f_code - 1;
    int f = 1 << r_size;
    int delta = code;
    if (f != 1 && code != 0) {
      int residual = static_cast<int>(br_.Get(r_size));
      delta = (std::abs(code) - 1) * f + residual + 1;
      if (code < 0) delta = -delta;
    }
    int pred = pmv_[r][s][t];
    if (field_in_frame && t == 1) pred >>= 1;
    int v = pred + delta;
    int high = 16 * f - 1, low = -16 * f, range = 32 * f;
    if (v < low) v += range;
    if (v > high) v -= range;
    pmv_[r][s][t] = (field_in_frame && t == 1) ? v * 2 : v;
    if (dmvector) dmvector[t] = ReadDualPrimeVector(br_);
  }
  return true;
}

// Dual prime sends one field vector (m.mv[0][0], field units) and predicts each
// field as the average of its own parity moved by that vector and the other
// parity moved by the vector scaled by the fields' distance, plus the
// differential, plus half a field line towards the predicted field.
void SliceDecoder::DeriveDualPrime(Motion& m, const int dmvector[2]) const {
  // Scaled by mult/2, halves rounded away from zero.
  auto scale = [](int v, int mult) {
    v *= mult;
    return v >= 0 ? (v + 1) >> 1 : -((1 - v) >> 1);
  };
  const int* mv = m.mv[0][0];
  if (frame_pic_) {
    // Distances in field periods: from the bottom field to the top one and back.
    bool tff = pic_.top_field_first;
    const int mult[2] = {tff ? 1 : 3, tff ? 3 : 1};
    for (int f = 0; f < 2; ++f) {
      m.mv[f][0][0] = mv[0];
      m.mv[f][0][1] = mv[1];
      m.field_select[f][0] = f;
      m.dual[f][0] = scale(mv[0], mult[f]) + dmvector[0];
      m.dual[f][1] = scale(mv[1], mult[f]) + dmvector[1] + (f == 0 ? -1 : 1);
    }
  } else {
    m.field_select[0][0] = parity_;
    m.dual[0][0] = scale(mv[0], 1) + dmvector[0];
    m.dual[0][1] = scale(mv[1], 1) + dmvector[1] + (parity_ == 0 ? -1 : 1);
  }
}

Plane SliceDecoder::Reference(int s, int field, int plane) const {
  const FramePlanes& ref = s == 0 ? c_.forward : c_.backward;
  // The second field of a frame may refer to the first one, of the other parity.
  if (!frame_pic_ && s == 0 && c_.second_field && pic_.type == kPictureP && field != parity_)
    return FieldOf(c_.current.p[plane], field);
  const FramePlanes& use = ref.valid() ? ref : c_.current;
  return field < 0 ? use.p[plane] : FieldOf(use.p[plane], field);
}

void SliceDecoder::PredictFromField(const Plane refs[3], int mb_x, int luma_y, int w, int h, const int mv[2],
                                    Plane dst[3], bool average) {
  PredictBlock(refs[0], dst[0].data + luma_y * dst[0].stride + mb_x * 16, dst[0].stride, mb_x * 16, luma_y, w, h,
               mv[0], mv[1], average);
  // Chroma vectors are half the luma ones, rounded towards zero.
  int cx = mv[0] / 2, cy = mv[1] / 2;
  for (int i = 1; i < 3; ++i)
    PredictBlock(refs[i], dst[i].data + (luma_y / 2) * dst[i].stride + mb_x * 8, dst[i].stride, mb_x * 8,
                 luma_y / 2, w / 2, h / 2, cx, cy, average);
}

bool SliceDecoder::Predict(int mb_x, int mb_y, const Motion& m) {
  if (m.type == kMotionDualPrime) {
    if (!c_.forward.valid() && (frame_pic_ || !c_.second_field)) return false;
    // Each field: its own parity, then the opposite parity averaged in.
    for (int f = 0; f < (frame_pic_ ? 2 : 1); ++f) {
      int same = frame_pic_ ? f : parity_;
      Plane refs[3], dst[3];
      for (int i = 0; i < 3; ++i) dst[i] = frame_pic_ ? FieldOf(dst_[i], f) : dst_[i];
      int y = frame_pic_ ? mb_y * 8 : mb_y * 16, h = frame_pic_ ? 8 : 16;
      for (int i = 0; i < 3; ++i) refs[i] = Reference(0, same, i);
      PredictFromField(refs, mb_x, y, 16, h, m.mv[f][0], dst, false);
      for (int i = 0; i < 3; ++i) refs[i] = Reference(0, 1 - same, i);
      PredictFromField(refs, mb_x, y, 16, h, m.dual[f], dst, true);
    }
    return true;
  }
  bool average = false;
  for (int s = 0; s < 2; ++s) {
    if (!(m.flags & (s == 0 ? kMbForward : kMbBackward))) continue;
    if (!(s == 0 ? c_.forward : c_.backward).valid() && (frame_pic_ || !c_.second_field)) return false;
    Plane refs[3];
    if (frame_pic_ && m.type == kMotionFrame) {
      for (int i = 0; i < 3; ++i) refs[i] = Reference(s, -1, i);
      PredictFromField(refs, mb_x, mb_y * 16, 16, 16, m.mv[0][s], dst_, average);
    } else if (frame_pic_) {
      for (int f = 0; f < 2; ++f) {
        Plane dst[3];
        for (int i = 0; i < 3; ++i) {
          refs[i] = Reference(s, m.field_select[f][s], i);
          dst[i] = FieldOf(dst_[i], f);
        }
        PredictFromField(refs, mb_x, mb_y * 8, 16, 8, m.mv[f][s], dst, average);
      }
    } else if (m.type == kMotionField) {
      for (int i = 0; i < 3; ++i) refs[i] = Reference(s, m.field_select[0][s], i);
      PredictFromField(refs, mb_x, mb_y * 16, 16, 16, m.mv[0][s], dst_, average);
    } else {
      for (int half = 0; half < 2; ++half) {
        for (int i = 0; i < 3; ++i) refs[i] = Reference(s, m.field_select[half][s], i);
        PredictFromField(refs, mb_x, mb_y * 16 + half * 8, 16, 8, m.mv[half][s], dst_,
                         average);
      }
    }
    average = true;
  }
  return true;
}

void SliceDecoder::BlockTarget(int b, int mb_x, int mb_y, bool field_dct, uint8_t** dst, int* stride) const {
  if (b < 4) {
    const Plane& p = dst_[0];
    int x = mb_x * 16 + (b & 1) * 8;
    int y = field_dct ? mb_y * 16 + (b >> 1) : mb_y * 16 + (b >> 1) * 8;
    *dst = p.data + y * p.stride + x;
    *stride = field_dct ? p.stride * 2 : p.stride;
  } else {
    const Plane& p = dst_[b - 3];
    *dst = p.data + mb_y * 8 * p.stride + mb_x * 8;
    *stride = p.stride;
  }
}

// An escaped coefficient carries its run and level in plain bits; the two
// standards code the level differently. Other codes pass through untouched.
bool SliceDecoder::ReadEscape(RunLevel& rl) {
  if (rl.run != kRunEscape) return true;
  rl.run = static_cast<int>(br_.Get(6));
  int level;
  if (seq_.mpeg2) {
    level = static_cast<int>(br_.Get(12));
    if ((level & 2047) == 0) return false;
    if (level >= 2048) level -= 4096;
  } else {
    level = static_cast<int>(br_.Get(8));
    if (level == 0) level = static_cast<int>(br_.Get(8));
    else if (level == 128) level = static_cast<int>(br_.Get(8)) - 256;
    else if (level > 128) level -= 256;
  }
  rl.level = level;
  return true;
}

bool SliceDecoder::IntraBlock(int b, int16_t* blk) {
  std::memset(blk, 0, 64 * sizeof(int16_t));
  int cc = b < 4 ? 0 : b - 3;
  int size = ReadDcSize(br_, cc != 0);
  if (size < 0) return false;
  int diff = 0;
  if (size > 0) {
    int v = static_cast<int>(br_.Get(size));
    diff = v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
  }
  dc_[cc] += diff;
  if (dc_[cc] < 0 || dc_[cc] >= (1 << (8 + pic_.intra_dc_precision))) return false;
  int sum = blk[0] = static_cast<int16_t>(dc_[cc] << (3 - pic_.intra_dc_precision));
  const uint8_t* w = seq_.intra_matrix.data();
  bool table_one = seq_.mpeg2 && pic_.intra_vlc_format;
  for (int i = 1;; ++i) {
    RunLevel rl = ReadRunLevel(br_, table_one, false);
    if (rl.run == kRunEob) break;
    if (rl.run == kRunBad || !ReadEscape(rl)) return false;
    const int level = rl.level;
    i += rl.run;
    if (i > 63 || br_.overrun) return false;
    int pos = scan_[i];
    int v = level * w[pos] * qscale_ / 16;
    if (!seq_.mpeg2 && v != 0 && (v & 1) == 0) v -= v > 0 ? 1 : -1;  // MPEG-1 keeps values odd
    v = v < -2048 ? -2048 : v > 2047 ? 2047 : v;
    blk[pos] = static_cast<int16_t>(v);
    sum += v;
  }
  if (seq_.mpeg2 && (sum & 1) == 0) blk[63] ^= 1;  // mismatch control
  return !br_.overrun;
}

bool SliceDecoder::InterBlock(int16_t* blk) {
  std::memset(blk, 0, 64 * sizeof(int16_t));
  const uint8_t* w = seq_.non_intra_matrix.data();
  int sum = 0;
  for (int i = 0;; ++i) {
    RunLevel rl = ReadRunLevel(br_, false, i == 0);
    if (rl.run == kRunEob) {
      if (i == 0) return false;
      break;
    }
    if (rl.run == kRunBad || !ReadEscape(rl)) return false;
    const int level = rl.level;
    i += rl.run;
    if (i > 63 || br_.overrun) return false;
    int pos = scan_[i];
    int sign = level > 0 ? 1 : -1;
    int v = (2 * level + sign) * w[pos] * qscale_ / 32;
    if (!seq_.mpeg2 && v != 0 && (v & 1) == 0) v -= v > 0 ? 1 : -1;
    v = v < -2048 ? -2048 : v > 2047 ? 2047 : v;
    blk[pos] = static_cast<int16_t>(v);
    sum += v;
  }
  if (seq_.mpeg2 && (sum & 1) == 0) blk[63] ^= 1;
  return !br_.overrun;
}

}  // namespace

bool SliceGeometryValid(const SliceContext& ctx) {
  if (!ctx.seq || !ctx.pic || !ctx.current.valid() || ctx.mb_width <= 0 || ctx.mb_height <= 0) return false;
  auto fits = [&](const FramePlanes& f) {
    if (!f.valid()) return true;
    if (f.p[0].width != ctx.mb_width * 16 || f.p[0].height != ctx.mb_height * 16 || f.p[0].stride < f.p[0].width)
      return false;
    for (int i = 1; i < 3; ++i)
      if (!f.p[i].data || f.p[i].width != ctx.mb_width * 8 || f.p[i].height != ctx.mb_height * 8 ||
          f.p[i].stride < f.p[i].width)
        return false;
    return true;
  };
  return fits(ctx.current) && fits(ctx.forward) && fits(ctx.backward);
}

bool DecodeSlice(const SliceContext& ctx, int row, const uint8_t* data, size_t size) {
  // Every macroblock address is checked against mb_width x mb_height; the
  // planes must be exactly that size, or a write could leave them.
  if (!SliceGeometryValid(ctx)) return false;
  SliceDecoder d(ctx, data, size);
  if (d.Run(row)) return true;
  d.Conceal();
  return false;
}

}  // namespace strevo::engine

#include "support/mpeg_headers.h"

#include "support/mpeg_vlc.h"

namespace strevo::engine {
namespace {

// Matrices are sent in zig-zag order whatever the picture's scan.
void ReadMatrix(BitReader& br, std::array<uint8_t, 64>& m) {
  for (int i = 0; i < 64; ++i) m[kScan[0][i]] = static_cast<uint8_t>(br.Get(8));
}

bool MatrixValid(const std::array<uint8_t, 64>& m) {
  for (uint8_t v : m)
    if (v == 0) return false;
  return true;
}

}  // namespace

bool ParseSequenceHeader(BitReader& br, SequenceHeader& seq) {
  SequenceHeader s;
  s.width = static_cast<int>(br.Get(12));
  s.height = static_cast<int>(br.Get(12));
  s.aspect_code = static_cast<int>(br.Get(4));
  s.frame_rate_code = static_cast<int>(br.Get(4));
  s.bit_rate = br.Get(18);
  br.Skip(1);   // marker
  br.Skip(10);  // buffer size
  br.Skip(1);   // constrained parameters
  s.intra_matrix = kDefaultIntraMatrix;
  s.non_intra_matrix.fill(16);
  if (br.GetBit()) ReadMatrix(br, s.intra_matrix);
  if (br.GetBit()) ReadMatrix(br, s.non_intra_matrix);
  if (br.overrun || s.width == 0 || s.height == 0 || !MatrixValid(s.intra_matrix) ||
      !MatrixValid(s.non_intra_matrix))
    return false;
  seq = s;
  return true;
}

bool ParseExtension(BitReader& br, SequenceHeader& seq, PictureHeader* picture) {
  int id = static_cast<int>(br.Get(4));
  if (id == 1) {  // sequence
    br.Skip(8);   // profile and level
    seq.progressive = br.GetBit();
    seq.chroma_format = static_cast<int>(br.Get(2));
    seq.width |= static_cast<int>(br.Get(2)) << 12;
    seq.height |= static_cast<int>(br.Get(2)) << 12;
    seq.bit_rate |= br.Get(12) << 18;
    br.Skip(1);  // marker
    br.Skip(8);  // buffer size
    br.Skip(1);  // low delay
    seq.frame_rate_n = static_cast<int>(br.Get(2));
    seq.frame_rate_d = static_cast<int>(br.Get(5));
    seq.mpeg2 = true;
    return !br.overrun;
  }
  if (id == 3) {  // quantiser matrices; the chroma ones do not apply to 4:2:0
    std::array<uint8_t, 64> intra = seq.intra_matrix, non_intra = seq.non_intra_matrix;
    if (br.GetBit()) ReadMatrix(br, intra);
    if (br.GetBit()) ReadMatrix(br, non_intra);
    if (br.overrun || !MatrixValid(intra) || !MatrixValid(non_intra)) return false;
    seq.intra_matrix = intra;
    seq.non_intra_matrix = non_intra;
    return true;
  }
  if (id == 8 && picture) {  // picture coding
    PictureHeader p = *picture;
    p.f_code[0][0] = static_cast<int>(br.Get(4));
    p.f_code[0][1] = static_cast<int>(br.Get(4));
    p.f_code[1][0] = static_cast<int>(br.Get(4));
    p.f_code[1][1] = static_cast<int>(br.Get(4));
    p.intra_dc_precision = static_cast<int>(br.Get(2));
    p.structure = static_cast<int>(br.Get(2));
    p.top_field_first = br.GetBit();
    p.frame_pred_frame_dct = br.GetBit();
    p.concealment_vectors = br.GetBit();
    p.q_scale_type = br.GetBit();
    p.intra_vlc_format = br.GetBit();
    p.alternate_scan = br.GetBit();
    p.repeat_first_field = br.GetBit();
    br.Skip(1);  // chroma 4:2:0 type
    p.progressive_frame = br.GetBit();
    p.full_pel[0] = p.full_pel[1] = false;
    if (br.overrun || p.structure == 0) return false;
    // Field pictures always predict by fields and code field blocks.
    if (p.structure != kFramePicture) p.frame_pred_frame_dct = false;
    *picture = p;
    return true;
  }
  return true;
}

bool ParsePictureHeader(BitReader& br, PictureHeader& pic) {
  PictureHeader p;
  p.temporal_reference = static_cast<int>(br.Get(10));
  p.type = static_cast<int>(br.Get(3));
  br.Skip(16);  // buffer delay
  if (p.type == kPictureP || p.type == kPictureB) {
    p.full_pel[0] = br.GetBit();
    int f = static_cast<int>(br.Get(3));
    p.f_code[0][0] = p.f_code[0][1] = f;
  }
  if (p.type == kPictureB) {
    p.full_pel[1] = br.GetBit();
    int f = static_cast<int>(br.Get(3));
    p.f_code[1][0] = p.f_code[1][1] = f;
  }
  if (br.overrun) return false;
  pic = p;
  return true;
}

double DisplayAspect(const SequenceHeader& seq) {
  if (seq.width <= 0 || seq.height <= 0) return 4.0 / 3.0;
  double coded = static_cast<double>(seq.width) / seq.height;
  if (seq.mpeg2) {
    switch (seq.aspect_code) {
      case 2: return 4.0 / 3.0;
      case 3: return 16.0 / 9.0;
      case 4: return 2.21;
      default: return coded;
    }
  }
  // MPEG-1 gives the height of a sample relative to its width.
  static const double kSampleHeight[] = {0,      1.0,    0.6735, 0.7031, 0.7615, 0.8055, 0.8437, 0.8935,
                                         0.9157, 0.9815, 1.0255, 1.0695, 1.0950, 1.1575, 1.2015};
  if (seq.aspect_code >= 1 && seq.aspect_code <= 14) return coded / kSampleHeight[seq.aspect_code];
  return coded;
}

double FrameRate(const SequenceHeader& seq) {
  static const double kRates[] = {0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};
  if (seq.frame_rate_code < 1 || seq.frame_rate_code > 8) return 0;
  return kRates[seq.frame_rate_code] * (seq.frame_rate_n + 1) / (seq.frame_rate_d + 1);
}

}  // namespace strevo::engine

// Sequence, picture and extension headers of MPEG-1/MPEG-2 video. Each parser
// takes a reader placed just after the start code and returns false for a
// header it cannot use.
#pragma once
#include <array>
#include <cstdint>

#include "support/mpeg_bits.h"

namespace strevo::engine {

enum PictureType { kPictureI = 1, kPictureP = 2, kPictureB = 3 };
enum PictureStructure { kTopField = 1, kBottomField = 2, kFramePicture = 3 };

struct SequenceHeader {
  int width = 0;   // horizontal_size, with the extension's high bits
  int height = 0;  // vertical_size
  int aspect_code = 0;
  int frame_rate_code = 0;
  int frame_rate_n = 0, frame_rate_d = 0;  // the extension's factors
  uint32_t bit_rate = 0;                   // in units of 400 bit/s
  bool mpeg2 = false;                      // a sequence extension followed
  bool progressive = true;
  int chroma_format = 1;  // 1 = 4:2:0
  std::array<uint8_t, 64> intra_matrix{};      // raster order
  std::array<uint8_t, 64> non_intra_matrix{};  // raster order
};

struct PictureHeader {
  int temporal_reference = 0;
  int type = 0;  // PictureType; 4 (D) and others are not decoded
  bool full_pel[2] = {false, false};
  int f_code[2][2] = {{1, 1}, {1, 1}};  // [forward/backward][horizontal/vertical]
  int intra_dc_precision = 0;
  int structure = kFramePicture;
  bool top_field_first = false;
  bool frame_pred_frame_dct = true;
  bool concealment_vectors = false;
  bool q_scale_type = false;
  bool intra_vlc_format = false;
  bool alternate_scan = false;
  bool repeat_first_field = false;
  bool progressive_frame = true;
};

bool ParseSequenceHeader(BitReader& br, SequenceHeader& seq);
// Extensions (start code 0xB5): sequence, quantiser matrices and picture coding
// are applied; the others are skipped. `picture` may be null between pictures.
bool ParseExtension(BitReader& br, SequenceHeader& seq, PictureHeader* picture);
bool ParsePictureHeader(BitReader& br, PictureHeader& pic);

// Width / height of the picture as displayed, from the aspect code; the
// coded size's ratio when the code says square samples or is unknown.
double DisplayAspect(const SequenceHeader& seq);
// Frames per second; 0 when the code is not a known rate.
double FrameRate(const SequenceHeader& seq);

}  // namespace strevo::engine

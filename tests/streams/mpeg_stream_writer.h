// Writes the syntax elements of an MPEG-2 video elementary stream, for test
// streams with tools no encoder at hand makes (field pictures, dual prime).
// It knows codes, not meaning: the caller decides what each macroblock is and
// keeps the rules the syntax leaves to the encoder.
#pragma once
#include <cstdint>
#include <vector>

namespace strevo::engine::streams {

class BitWriter {
 public:
  void Put(uint32_t value, int bits);  // the low `bits` bits of value, 0..32
  void PutCode(const char* bits);      // a code written as "0101"
  // Zero bits up to the next byte, then 00 00 01 `code`.
  void StartCode(uint8_t code);
  const std::vector<uint8_t>& Bytes();  // what is written, padded to a byte

 private:
  std::vector<uint8_t> out_;
  uint32_t acc_ = 0;
  int used_ = 0;  // bits in acc_
};

struct SequenceParams {
  int width = 352, height = 288;
  bool progressive = false;
};

struct PictureParams {
  int temporal_reference = 0;
  int type = 1;                             // 1 I, 2 P, 3 B
  int f_code[2][2] = {{15, 15}, {15, 15}};  // 15: direction unused
  int intra_dc_precision = 0;
  int structure = 3;  // 1 top field, 2 bottom field, 3 frame
  bool top_field_first = false;
  bool frame_pred_frame_dct = false;
  bool q_scale_type = false;
  bool intra_vlc_format = false;
  bool alternate_scan = false;
};

// Sequence header and extension, 25 frames/s, 4:2:0, default matrices.
void WriteSequence(BitWriter& w, const SequenceParams& s);
void WriteGroup(BitWriter& w, bool closed);
void WritePicture(BitWriter& w, const PictureParams& p);
void WriteSequenceEnd(BitWriter& w);

// Macroblock-level elements, each from its code table.
void WriteAddressIncrement(BitWriter& w, int increment);  // any increment >= 1
void WriteMacroblockType(BitWriter& w, int picture_type, int flags);  // MbFlags
void WritePattern(BitWriter& w, int cbp);                             // 1..63
// A motion code (-16..16) with its residual when the f_code has one.
void WriteMotionCode(BitWriter& w, int code, int residual, int f_code);
void WriteDualPrimeVector(BitWriter& w, int dmvector);  // -1, 0, 1
// The intra DC differential, with its size code.
void WriteDcDifferential(BitWriter& w, bool chroma, int diff);
// One coefficient: its table code where it has one, the escape otherwise.
// `first_inter`: the first coefficient of a non-intra block.
void WriteCoefficient(BitWriter& w, bool table_one, bool first_inter, int run, int level);
void WriteEndOfBlock(BitWriter& w, bool table_one);

}  // namespace strevo::engine::streams

// An MPEG-1 / MPEG-2 (Main Profile, 4:2:0) video decoder over the elementary
// stream: bytes in, in any pieces, with the presentation times of the PES
// packets that carried them; decoded frames out, in display order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "support/mpeg_headers.h"
#include "support/mpeg_slice.h"

namespace strevo::engine {

// A decoded picture, 4:2:0, cropped to the coded size of the sequence.
struct VideoFrame {
  int width = 0, height = 0;
  std::vector<uint8_t> y, cb, cr;  // rows of width (chroma: (width+1)/2) samples
  std::optional<int64_t> pts;      // 90 kHz; carried or extrapolated
  double aspect = 4.0 / 3.0;       // display width / height
  int type = 0;                    // PictureType of the (first field of the) frame
};

struct VideoDecoderStats {
  uint64_t frames = 0;          // frames output
  uint64_t skipped = 0;         // pictures not decoded: missing reference or unsupported
  uint64_t damaged_slices = 0;  // slices given up part way
};

class MpegVideoDecoder {
 public:
  MpegVideoDecoder();
  ~MpegVideoDecoder();

  // `pts` belongs to the first picture that starts in these bytes.
  void Push(const uint8_t* data, size_t size, std::optional<int64_t> pts = std::nullopt);
  // End of stream: decodes what is buffered and releases the held frame.
  void Flush();
  // Forgets everything but the counters (a seek or a new source).
  void Reset();

  std::optional<VideoFrame> Pop();
  const VideoDecoderStats& stats() const { return stats_; }
  // The current sequence, once one has been read.
  const SequenceHeader* sequence() const { return have_sequence_ ? &seq_ : nullptr; }

 private:
  struct Frame;
  using FramePtr = std::shared_ptr<Frame>;

  void Unit(const uint8_t* p, size_t size, uint64_t position);
  void StartPicture(BitReader& br, uint64_t position);
  bool SetUpPicture();
  void EndOfPicture();
  void CompleteFrame();
  void ShowHeldFrame();
  void Output(const FramePtr& f);
  FramePtr NewFrame();
  FramePlanes Planes(const FramePtr& f) const;
  std::optional<int64_t> TakePts(uint64_t position);

  std::vector<uint8_t> buffer_;
  uint64_t buffer_base_ = 0;  // stream position of buffer_[0]
  size_t scan_ = 0;           // start codes searched up to here
  std::optional<size_t> unit_start_;
  struct PtsMark {
    uint64_t position;
    int64_t pts;
    bool used;
  };
  std::deque<PtsMark> pts_marks_;

  bool have_sequence_ = false;
  SequenceHeader seq_;
  PictureHeader pic_;
  bool in_picture_ = false;      // a picture header was read; slices may follow
  bool picture_set_up_ = false;  // its frame is allocated (or it is skipped)
  bool skip_picture_ = false;
  std::optional<int64_t> picture_pts_;
  int mb_width_ = 0, mb_height_ = 0;

  FramePtr current_, older_, newer_;
  bool newer_shown_ = true;
  int pending_field_ = 0;  // parity + 1 of a first field awaiting its pair
  std::vector<FramePtr> pool_;
  std::deque<VideoFrame> out_;
  std::optional<int64_t> last_pts_;
  VideoDecoderStats stats_;
};

}  // namespace strevo::engine

#include "support/mpeg_video.h"

#include <algorithm>
#include <cstring>

namespace strevo::engine {

namespace {

constexpr int kMaxWidth = 1920;
constexpr int kMaxHeight = 1152;
// A unit (start code to start code) longer than this is garbage, not video.
constexpr size_t kMaxUnit = 8u << 20;
constexpr size_t kMaxQueued = 16;

}  // namespace

struct MpegVideoDecoder::Frame {
  int width = 0, height = 0;  // whole macroblocks
  std::vector<uint8_t> plane[3];
  std::optional<int64_t> pts;
  int type = 0;
};

MpegVideoDecoder::MpegVideoDecoder() = default;
MpegVideoDecoder::~MpegVideoDecoder() = default;

void MpegVideoDecoder::Reset() {
  VideoDecoderStats keep = stats_;
  buffer_.clear();
  buffer_base_ = 0;
  scan_ = 0;
  unit_start_.reset();
  pts_marks_.clear();
  have_sequence_ = false;
  in_picture_ = picture_set_up_ = skip_picture_ = false;
  current_.reset();
  older_.reset();
  newer_.reset();
  newer_shown_ = true;
  pending_field_ = 0;
  pool_.clear();
  out_.clear();
  last_pts_.reset();
  stats_ = keep;
}

void MpegVideoDecoder::Push(const uint8_t* data, size_t size, std::optional<int64_t> pts) {
  if (pts) {
    pts_marks_.push_back({buffer_base_ + buffer_.size(), *pts, false});
    if (pts_marks_.size() > 64) pts_marks_.pop_front();
  }
  buffer_.insert(buffer_.end(), data, data + size);
  for (;;) {
    size_t from = unit_start_ ? std::max(scan_, *unit_start_ + 4) : scan_;
    size_t i = from;
    const uint8_t* b = buffer_.data();
    size_t n = buffer_.size();
    bool found = false;
    while (i + 3 <= n) {
      if (b[i + 2] > 1) {
        i += 3;
      } else if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1) {
        found = true;
        break;
      } else {
        ++i;
      }
    }
    if (!found) {
      scan_ = std::max(from, n >= 2 ? n - 2 : 0);
      break;
    }
    if (unit_start_) Unit(b + *unit_start_, i - *unit_start_, buffer_base_ + *unit_start_);
    unit_start_ = i;
    scan_ = i + 4;
  }
  if (unit_start_ && buffer_.size() - *unit_start_ > kMaxUnit) {
    unit_start_.reset();
    in_picture_ = false;
  }
  size_t keep = unit_start_ ? *unit_start_ : std::min(scan_, buffer_.size());
  if (keep > 65536 || (keep > 0 && keep == buffer_.size())) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(keep));
    buffer_base_ += keep;
    scan_ -= std::min(scan_, keep);
    if (unit_start_) *unit_start_ -= keep;
  }
}

void MpegVideoDecoder::Flush() {
  if (unit_start_ && buffer_.size() >= *unit_start_ + 4)
    Unit(buffer_.data() + *unit_start_, buffer_.size() - *unit_start_, buffer_base_ + *unit_start_);
  unit_start_.reset();
  buffer_base_ += buffer_.size();
  buffer_.clear();
  scan_ = 0;
  EndOfPicture();
  CompleteFrame();
  ShowHeldFrame();
}

std::optional<VideoFrame> MpegVideoDecoder::Pop() {
  if (out_.empty()) return std::nullopt;
  VideoFrame f = std::move(out_.front());
  out_.pop_front();
  return f;
}

std::optional<int64_t> MpegVideoDecoder::TakePts(uint64_t position) {
  // A packet's time belongs to the first picture that starts in it.
  std::optional<int64_t> pts;
  while (!pts_marks_.empty() && pts_marks_.front().position <= position) {
    bool last = pts_marks_.size() == 1 || pts_marks_[1].position > position;
    if (last) {
      if (!pts_marks_.front().used) pts = pts_marks_.front().pts;
      pts_marks_.front().used = true;
      break;
    }
    pts_marks_.pop_front();
  }
  return pts;
}

void MpegVideoDecoder::Unit(const uint8_t* p, size_t size, uint64_t position) {
  if (size < 4) return;
  uint8_t code = p[3];
  BitReader br(p + 4, size - 4);
  if (code >= 0x01 && code <= 0xAF) {
    if (!in_picture_) return;
    if (!picture_set_up_ && !SetUpPicture()) return;
    if (skip_picture_) return;
    SliceContext ctx;
    ctx.seq = &seq_;
    ctx.pic = &pic_;
    ctx.current = Planes(current_);
    ctx.forward = Planes(pic_.type == kPictureB ? older_ : newer_);
    if (pic_.type == kPictureB) ctx.backward = Planes(newer_);
    ctx.second_field = pic_.structure != kFramePicture && pending_field_ != 0;
    ctx.mb_width = mb_width_;
    ctx.mb_height = mb_height_;
    if (!DecodeSlice(ctx, code - 1, p + 4, size - 4)) ++stats_.damaged_slices;
    return;
  }
  switch (code) {
    case 0x00:
      EndOfPicture();
      StartPicture(br, position);
      break;
    case 0xB3: {
      EndOfPicture();
      SequenceHeader s;
      if (!ParseSequenceHeader(br, s)) break;
      if (have_sequence_ && (s.width != seq_.width || s.height != seq_.height)) {
        CompleteFrame();
        ShowHeldFrame();
        older_.reset();
        newer_.reset();
        pool_.clear();
      }
      seq_ = s;
      have_sequence_ = true;
      break;
    }
    case 0xB5:
      if (have_sequence_) ParseExtension(br, seq_, in_picture_ && !picture_set_up_ ? &pic_ : nullptr);
      break;
    case 0xB8:
      EndOfPicture();
      break;
    case 0xB7:
      EndOfPicture();
      CompleteFrame();
      ShowHeldFrame();
      break;
    default:
      break;
  }
}

void MpegVideoDecoder::StartPicture(BitReader& br, uint64_t position) {
  picture_pts_ = TakePts(position);
  picture_set_up_ = skip_picture_ = false;
  in_picture_ = have_sequence_ && ParsePictureHeader(br, pic_);
}

bool MpegVideoDecoder::SetUpPicture() {
  picture_set_up_ = true;
  skip_picture_ = true;
  bool field = pic_.structure != kFramePicture;
  int parity = pic_.structure == kBottomField ? 1 : 0;
  // The frame's size in macroblocks follows from the sequence header and its
  // extension (the size's high bits, the progressive flag), and either may
  // change between two pictures: frames of another size are neither completed
  // by a second field nor used as references, since the slices write and read
  // them in this picture's macroblock grid.
  int mb_width = (seq_.width + 15) / 16;
  int mb_height = seq_.mpeg2 && !seq_.progressive ? 2 * ((seq_.height + 31) / 32) : (seq_.height + 15) / 16;
  auto other_size = [&](const FramePtr& f) { return f && (f->width != mb_width * 16 || f->height != mb_height * 16); };
  bool second = field && pending_field_ != 0 && pending_field_ - 1 != parity && current_ && !other_size(current_);
  if (pending_field_ && !second) CompleteFrame();  // a lone field: show what there is
  if (pic_.type < kPictureI || pic_.type > kPictureB || seq_.chroma_format != 1 || seq_.width > kMaxWidth ||
      seq_.height > kMaxHeight || (seq_.mpeg2 && pic_.structure == 0)) {
    ++stats_.skipped;
    return false;
  }
  if (other_size(newer_) || other_size(older_)) {
    ShowHeldFrame();
    older_.reset();
    newer_.reset();
    pool_.clear();
  }
  bool refs_ok = pic_.type == kPictureI || (pic_.type == kPictureP && (newer_ || second)) ||
                 (pic_.type == kPictureB && older_ && newer_);
  if (!refs_ok) {
    ++stats_.skipped;
    return false;
  }
  mb_width_ = mb_width;
  mb_height_ = mb_height;
  if (!second) {
    current_ = NewFrame();
    current_->pts = picture_pts_;
    current_->type = pic_.type;
  }
  skip_picture_ = false;
  return true;
}

void MpegVideoDecoder::EndOfPicture() {
  if (!in_picture_) return;
  in_picture_ = false;
  if (!picture_set_up_ || skip_picture_) return;
  if (pic_.structure != kFramePicture && pending_field_ == 0) {
    pending_field_ = (pic_.structure == kBottomField ? 1 : 0) + 1;  // its pair follows
    return;
  }
  CompleteFrame();
}

void MpegVideoDecoder::CompleteFrame() {
  pending_field_ = 0;
  if (!current_) return;
  // B frames are shown at once; a reference frame waits for the next one.
  if (current_->type == kPictureB) {
    Output(current_);
  } else {
    if (newer_ && !newer_shown_) Output(newer_);
    older_ = newer_;
    newer_ = current_;
    newer_shown_ = false;
  }
  current_.reset();
}

void MpegVideoDecoder::ShowHeldFrame() {
  if (newer_ && !newer_shown_) Output(newer_);
  newer_shown_ = true;
}

MpegVideoDecoder::FramePtr MpegVideoDecoder::NewFrame() {
  int w = mb_width_ * 16, h = mb_height_ * 16;
  for (const FramePtr& f : pool_)
    if (f.use_count() == 1 && f->width == w && f->height == h) {
      f->pts.reset();
      return f;
    }
  auto f = std::make_shared<Frame>();
  f->width = w;
  f->height = h;
  f->plane[0].assign(static_cast<size_t>(w) * h, 16);
  f->plane[1].assign(static_cast<size_t>(w / 2) * (h / 2), 128);
  f->plane[2].assign(static_cast<size_t>(w / 2) * (h / 2), 128);
  pool_.push_back(f);
  return f;
}

FramePlanes MpegVideoDecoder::Planes(const FramePtr& f) const {
  FramePlanes p;
  if (!f) return p;
  p.p[0] = Plane{f->plane[0].data(), f->width, f->width, f->height};
  for (int i = 1; i < 3; ++i) p.p[i] = Plane{f->plane[i].data(), f->width / 2, f->width / 2, f->height / 2};
  return p;
}

void MpegVideoDecoder::Output(const FramePtr& f) {
  VideoFrame v;
  v.width = std::min(seq_.width, f->width);
  v.height = std::min(seq_.height, f->height);
  int cw = (v.width + 1) / 2, ch = (v.height + 1) / 2;
  v.y.resize(static_cast<size_t>(v.width) * v.height);
  v.cb.resize(static_cast<size_t>(cw) * ch);
  v.cr.resize(static_cast<size_t>(cw) * ch);
  for (int r = 0; r < v.height; ++r)
    std::memcpy(&v.y[static_cast<size_t>(r) * v.width], &f->plane[0][static_cast<size_t>(r) * f->width], v.width);
  for (int r = 0; r < ch; ++r) {
    std::memcpy(&v.cb[static_cast<size_t>(r) * cw], &f->plane[1][static_cast<size_t>(r) * (f->width / 2)], cw);
    std::memcpy(&v.cr[static_cast<size_t>(r) * cw], &f->plane[2][static_cast<size_t>(r) * (f->width / 2)], cw);
  }
  double rate = FrameRate(seq_);
  if (f->pts) {
    v.pts = f->pts;
  } else if (last_pts_ && rate > 0) {
    v.pts = *last_pts_ + static_cast<int64_t>(90000 / rate + 0.5);
  }
  last_pts_ = v.pts;
  v.aspect = DisplayAspect(seq_);
  v.type = f->type;
  ++stats_.frames;
  out_.push_back(std::move(v));
  // A reader that stopped taking frames must not let them pile up.
  if (out_.size() > kMaxQueued) out_.pop_front();
}

}  // namespace strevo::engine

#include "unzip/decode_io.h"

#include <algorithm>

namespace strevo {

bool BitReader::FillBlock() {
  if (exhausted_) return false;
  // Keep the unread tail (< 8 bytes) in front of the new block so the fast
  // refill can run across block boundaries.
  const size_t tail = static_cast<size_t>(end - next);
  std::memmove(data_, next, tail);
  next = data_;
  end = data_ + tail;
  const int32_t got = src_.Read(data_ + tail, kZipInputBlock);
  if (got <= 0) {
    exhausted_ = true;
    if (got < 0) read_error_ = true;
    return false;
  }
  total_read_ += static_cast<uint32_t>(got);
  end += got;
  return true;
}

void BitReader::RefillSlow() {
  if (pad_bytes_ * 8 > count) bad_ = true;  // padding already consumed
  while (count < 56) {
    if (next == end) {
      if (!FillBlock()) {
        // Zero padding past the end; consuming it marks the stream bad.
        if (read_error_) bad_ = true;
        ++pad_bytes_;
        count += 8;
        continue;
      }
      if (end - next >= 8) {
        Refill();
        return;
      }
    }
    bits |= static_cast<uint64_t>(*next++) << count;
    count += 8;
  }
}

bool BitReader::ReadBytes(uint8_t* dst, uint32_t n) {
  while (n && count >= 8) {
    if (pad_bytes_ * 8 >= count) {
      bad_ = true;
      return false;
    }
    *dst++ = static_cast<uint8_t>(bits);
    bits >>= 8;
    count -= 8;
    --n;
  }
  if (count == 0) bits = 0;  // drop look-ahead bits of bytes we now copy directly
  while (n) {
    if (next == end && !FillBlock()) {
      bad_ = true;
      return false;
    }
    const uint32_t take = std::min<uint32_t>(n, static_cast<uint32_t>(end - next));
    std::memcpy(dst, next, take);
    dst += take;
    next += take;
    n -= take;
  }
  return true;
}

bool BitReader::CheckEnd() {
  if (pad_bytes_ * 8 > count || read_error_) bad_ = true;
  return !bad_;
}

uint64_t BitReader::BytesConsumed() const {
  const unsigned real_bits = count > pad_bytes_ * 8 ? count - pad_bytes_ * 8 : 0;
  return total_read_ - static_cast<uint64_t>(end - next) - real_bits / 8;
}

OutWindow::OutWindow(ZipByteSink& sink, uint64_t limit, bool limited)
    : sink_(sink), buf_(new uint8_t[kBufferSize]), limit_(limit), limited_(limited) {
  // Only the history needs zeros; the rest is written before it is read.
  std::memset(buf_.get(), 0, kSize);
}

int OutWindow::Deliver(uint32_t n) {
  if (n == 0) return 0;
  // Nothing beyond the declared size is ever delivered.
  if (limited_ && flushed_ + n > limit_) return kDecodeCorrupt;
  const int r = sink_.Write(buf_.get() + kSize, n);
  flushed_ += n;
  return r;
}

int OutWindow::Slide() {
  const int r = Deliver(kSize);
  if (r) return r;
  std::memmove(buf_.get(), buf_.get() + kSize, pos - kSize);
  pos -= kSize;
  lowest = 0;
  return 0;
}

int OutWindow::Finish() {
  const int r = Deliver(pos - kSize);
  pos = kSize;
  return r;
}

int OutWindow::CopyMatch(uint32_t dist, uint32_t len) {
  while (len) {
    const uint32_t n = std::min(len, kFull - pos);
    uint8_t* dst = buf_.get() + pos;
    const uint8_t* src = dst - dist;
    for (uint32_t i = 0; i < n; ++i) dst[i] = src[i];
    pos += n;
    len -= n;
    if (pos >= kFull) {
      const int r = Slide();
      if (r) return r;
    }
  }
  return 0;
}

}  // namespace strevo

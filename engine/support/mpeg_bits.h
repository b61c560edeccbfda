// Reading the MPEG video bit stream, most significant bit first. Reads past the
// end give zero bits and set `overrun`, so damaged input never reads outside
// its buffer; callers check the flag where it matters.
#pragma once
#include <cstddef>
#include <cstdint>

namespace strevo::engine {

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next n bits (1..32) without consuming them.
  uint32_t Peek(int n) const {
    return static_cast<uint32_t>(Window() >> (64 - n));
  }
  void Skip(int n) {
    pos_ += static_cast<size_t>(n);
    if (pos_ > size_ * 8) overrun = true;
  }
  uint32_t Get(int n) {
    uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  bool GetBit() { return Get(1) != 0; }
  size_t BitsLeft() const { return pos_ >= size_ * 8 ? 0 : size_ * 8 - pos_; }
  size_t BitPosition() const { return pos_; }
  void AlignToByte() { Skip(static_cast<int>((8 - (pos_ & 7)) & 7)); }

  bool overrun = false;

 private:
  // 64 bits starting at the current position, zero-padded past the end.
  uint64_t Window() const {
    size_t byte = pos_ >> 3;
    uint64_t w = 0;
    if (byte + 8 <= size_) {
      for (int i = 0; i < 8; ++i) w = (w << 8) | data_[byte + i];
    } else {
      for (int i = 0; i < 8; ++i) w = (w << 8) | (byte + i < size_ ? data_[byte + i] : 0);
    }
    return w << (pos_ & 7);
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace strevo::engine

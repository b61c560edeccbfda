// MD5 message digest (RFC 1321).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace strevo {

class Md5 {
 public:
  Md5();
  void Update(const void* data, size_t size);
  std::array<uint8_t, 16> Final();

 private:
  void Block(const uint8_t* p);
  uint32_t a_, b_, c_, d_;
  uint64_t length_ = 0;
  uint8_t buffer_[64];
  size_t used_ = 0;
};

// The digest as 32 lowercase hex digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace strevo

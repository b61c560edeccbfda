// libFuzzer target: an ".xz" file from any bytes. The output never exceeds
// its bound, a success is repeatable, and a tighter bound that the output
// does not fit ends in TooLarge, never in a different answer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "unzip/xz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr uint64_t kBound = 1 << 20;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string out;
  const strevo::UnxzStatus status = strevo::Unxz(bytes, kBound, out);
  if (out.size() > kBound) __builtin_trap();
  if (status == strevo::UnxzStatus::NotXz && strevo::IsXz(bytes)) __builtin_trap();
  if (status != strevo::UnxzStatus::Ok) return 0;
  std::string again;
  if (!out.empty()) {
    if (strevo::Unxz(bytes, out.size() - 1, again) != strevo::UnxzStatus::TooLarge) __builtin_trap();
    if (again.size() > out.size() - 1) __builtin_trap();
  }
  if (strevo::Unxz(bytes, out.size(), again) != strevo::UnxzStatus::Ok || again != out) __builtin_trap();
  return 0;
}

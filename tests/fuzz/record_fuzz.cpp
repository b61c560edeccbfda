// libFuzzer target: a transport stream from any bytes recorded as a program
// stream, in pieces whose sizes the first byte chooses. What is written is
// nothing (no program found) or packs ending with the end code.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/ps_mux.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> out;
  strevo::engine::ProgramStreamMuxer mux([&](const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); });
  const size_t piece = size_t{data[0]} * 11 + 1;
  for (size_t i = 1; i < size; i += piece) mux.Push(data + i, piece < size - i ? piece : size - i);
  mux.Finish();
  if (out.empty()) return 0;
  if (out.size() < 4) __builtin_trap();
  const uint8_t* end = out.data() + out.size() - 4;
  if (end[0] != 0 || end[1] != 0 || end[2] != 1 || end[3] != 0xB9) __builtin_trap();
  if ((out[0] != 0 || out[1] != 0 || out[2] != 1 || out[3] != 0xBA)) __builtin_trap();
  return 0;
}

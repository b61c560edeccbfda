// Fuzz target: transport stream bytes through the demultiplexer and the video
// decoder, in pieces whose sizes the input's first byte chooses.
#include <cstddef>
#include <cstdint>

#include "support/video_pipeline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t piece = size_t{data[0]} * 7 + 1;
  strevo::engine::VideoPipeline p;
  for (size_t i = 1; i < size; i += piece) {
    p.Push(data + i, piece < size - i ? piece : size - i);
    while (p.Pop()) {
    }
  }
  p.Flush();
  while (p.Pop()) {
  }
  return 0;
}

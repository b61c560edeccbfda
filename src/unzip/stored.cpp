// Stored (method 0): the data is copied as it is, in blocks of up to 32768 bytes.

#include <memory>

#include "unzip/decoders.h"

namespace strevo {

int DecodeStored(DecodeParams& params) {
  // A stored entry has no end marker: the size must come from the headers.
  if (!params.size_known) return kDecodeCorrupt;
  std::unique_ptr<uint8_t[]> block(new uint8_t[kZipWindowSize]);
  uint64_t total = 0;
  for (;;) {
    const int32_t got = params.in->Read(block.get(), kZipWindowSize);
    if (got < 0) return kDecodeReadError;
    if (got == 0) break;
    total += static_cast<uint32_t>(got);
    if (total > params.size) return kDecodeCorrupt;
    const int r = params.out->Write(block.get(), static_cast<uint32_t>(got));
    if (r) return r;
  }
  params.consumed = total;
  return total == params.size ? kDecodeOk : kDecodeCorrupt;
}

}  // namespace strevo

#pragma once
// The ZIP compression methods this unit decodes. Each takes compressed bytes
// from params.in and hands decoded bytes to params.out; each returns 0 or an
// error code (-3 read error, -4 corrupt data, or the sink's own code).

#include <cstdint>

#include "unzip/decode_io.h"

namespace strevo {

int DecodeStored(DecodeParams& params);                // method 0
int DecodeShrunk(DecodeParams& params);                // method 1
int DecodeReduced(DecodeParams& params, int factor);   // methods 2-5, factor 1-4
int DecodeImploded(DecodeParams& params);              // method 6
int DecodeDeflated(DecodeParams& params);              // method 8

// Implode's Shannon-Fano code assignment: lengths[i] (1..16) of n symbols
// in, codes[i] out (most significant bit first, `lengths[i]` bits wide).
// False if the lengths over-fill the code space.
bool ImplodeAssignCodes(const uint8_t* lengths, unsigned n, uint16_t* codes);

}  // namespace strevo

// LZMA2, the method inside ".xz" files: chunks of LZMA data or stored bytes,
// each saying whether it resets the dictionary, the coder's state or its
// literal/position parameters. Memory in, memory out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace strevo {

enum class Lzma2Status { Ok, Corrupt, TooLarge };

// The dictionary size a filter's one property byte gives; false when the
// byte is out of range (above 40).
bool Lzma2DictionarySize(uint8_t property, uint32_t& size);

// Decodes one LZMA2 stream from the start of `in` up to and including its
// end byte, appending the output to `out`. The dictionary starts empty at
// out's current end, so earlier output is never referred to. `out` never
// grows past `maxBytes` (TooLarge instead). `consumed` gets the stream's
// length on success.
Lzma2Status DecodeLzma2(std::string_view in, uint32_t dictionarySize, uint64_t maxBytes, std::string& out,
                        size_t& consumed);

}  // namespace strevo

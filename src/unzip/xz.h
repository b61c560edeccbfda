// ".xz" files (LZMA2 in the xz container), which providers offer beside
// ".gz" for a guide: "guide.xml.xz".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace strevo {

// The six magic bytes FD 37 7A 58 5A 00.
bool IsXz(std::string_view bytes);

// Unsupported: a filter other than LZMA2 alone, or an integrity check this
// program does not compute (SHA-256 and the reserved ones).
enum class UnxzStatus { Ok, NotXz, Corrupt, Unsupported, TooLarge };

// Unpacks every stream of the file one after another into `out`. Headers,
// the index and the footer must agree with what was decoded; a CRC-32 or
// CRC-64 check is verified, "none" accepted. More than `maxBytes` of output
// ends with TooLarge, so a small hostile file cannot fill the memory.
UnxzStatus Unxz(std::string_view bytes, uint64_t maxBytes, std::string& out);

}  // namespace strevo

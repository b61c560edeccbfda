// gzip files (RFC 1952) through the archive reader's own inflate: a guide
// often comes as "guide.xml.gz".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace strevo {

// The two magic bytes and the deflate method.
bool IsGzip(std::string_view bytes);

enum class GunzipStatus { Ok, NotGzip, Corrupt, TooLarge };

// Unpacks every member of the file one after another (a file may hold
// several) into `out`. Each member's CRC-32 and length are checked. More
// than `maxBytes` of output ends with TooLarge, so a small hostile file
// cannot fill the memory.
GunzipStatus Gunzip(std::string_view bytes, uint64_t maxBytes, std::string& out);

}  // namespace strevo

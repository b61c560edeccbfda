// gzip files (RFC 1952) through the archive reader's own inflate: a guide
// often comes as "guide.xml.gz".
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace strevo {

// The two magic bytes and the deflate method.
bool IsGzip(std::string_view bytes);

class ZipReader;

// Stopped: the output said so.
enum class GunzipStatus { Ok, NotGzip, Corrupt, TooLarge, Stopped };

// Unpacks every member of the file one after another (a file may hold
// several) into `out`. Each member's CRC-32 and length are checked. More
// than `maxBytes` of output ends with TooLarge, so a small hostile file
// cannot fill the memory.
GunzipStatus Gunzip(std::string_view bytes, uint64_t maxBytes, std::string& out);

// The same, from a file read where it lies: each piece of output (at most a
// window, 32 KB) goes to `out` as it is decoded, so nothing but the decoder's
// window is held; `out` returns false to stop. A member's CRC-32 and length
// are checked at its end, after its output went out: a caller that keeps the
// output must wait for Ok before trusting it.
using GunzipOutput = std::function<bool(std::string_view piece)>;
GunzipStatus GunzipFrom(ZipReader& in, uint64_t maxBytes, const GunzipOutput& out);

}  // namespace strevo

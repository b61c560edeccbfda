#pragma once
// Conversion between single-byte Windows/DOS code pages and UTF-8.

#include <string>
#include <string_view>

namespace strevo {

// Code page numbers as Windows numbers them. 65001 passes text through.
constexpr int kCodePageUtf8 = 65001;

// True for 437, 866, 1251, 1252 and 65001.
bool IsCodePageSupported(int codepage);

// Single-byte text in `codepage` -> UTF-8. Bytes below 0x80 are ASCII in every
// supported code page. With an unsupported code page every byte >= 0x80
// becomes U+FFFD.
std::string CodePageToUtf8(std::string_view bytes, int codepage);

// UTF-8 -> single-byte text in `codepage`. Characters the code page lacks,
// and malformed UTF-8 bytes, become `fallback` (one per character or byte).
std::string Utf8ToCodePage(std::string_view utf8, int codepage, char fallback = '?');

}  // namespace strevo

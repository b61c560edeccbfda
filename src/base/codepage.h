#pragma once
// Conversion between single-byte Windows/DOS code pages and UTF-8.

#include <cstdint>
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

enum class Utf8Kind { Ascii, NonAscii, Invalid };
// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates)
// and whether they hold anything beyond ASCII.
Utf8Kind ClassifyUtf8(std::string_view bytes);

// Appends the UTF-8 form of a code point; a surrogate or a value past
// U+10FFFF is appended as U+FFFD.
void AppendUtf8(std::string& out, uint32_t codePoint);

// UTF-16 bytes (without their byte-order mark) -> UTF-8. Lone surrogates
// become U+FFFD; an odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Lower case for comparing names without regard to case: ASCII, Latin-1 and
// Cyrillic letters. Other characters, and bytes that are not UTF-8, stay.
std::string FoldCase(std::string_view utf8);

}  // namespace strevo

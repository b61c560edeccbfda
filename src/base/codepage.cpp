#include "base/codepage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace strevo {
namespace {

// Upper halves (0x80-0xFF) of the supported single-byte code pages, as
// Unicode code points. Positions a code page leaves undefined map to the C1
// control of the same value, as the Windows conversion functions do.
constexpr uint16_t kCp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr uint16_t kCp866[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

constexpr uint16_t kCp1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr uint16_t kCp1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

const uint16_t* UpperHalf(int codepage) {
  switch (codepage) {
    case 437: return kCp437;
    case 866: return kCp866;
    case 1251: return kCp1251;
    case 1252: return kCp1252;
    default: return nullptr;
  }
}

// Precomputed UTF-8 encodings of a code page's 256 bytes, plus a sorted
// reverse map of its upper half, built once per code page.
struct CodePageTables {
  std::array<std::array<char, 4>, 128> utf8{};  // [0] = length, [1..3] bytes
  std::array<std::pair<uint16_t, uint8_t>, 128> reverse{};
};

CodePageTables BuildTables(const uint16_t* upper) {
  CodePageTables t;
  for (int i = 0; i < 128; ++i) {
    const uint32_t cp = upper[i];
    auto& e = t.utf8[i];
    if (cp < 0x800) {
      e[0] = 2;
      e[1] = static_cast<char>(0xC0 | (cp >> 6));
      e[2] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      e[0] = 3;
      e[1] = static_cast<char>(0xE0 | (cp >> 12));
      e[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      e[3] = static_cast<char>(0x80 | (cp & 0x3F));
    }
    t.reverse[i] = {static_cast<uint16_t>(cp), static_cast<uint8_t>(0x80 + i)};
  }
  std::sort(t.reverse.begin(), t.reverse.end());
  return t;
}

const CodePageTables* TablesFor(int codepage) {
  // Function-local statics: built on first use, thread-safe.
  switch (codepage) {
    case 437: { static const CodePageTables t = BuildTables(kCp437); return &t; }
    case 866: { static const CodePageTables t = BuildTables(kCp866); return &t; }
    case 1251: { static const CodePageTables t = BuildTables(kCp1251); return &t; }
    case 1252: { static const CodePageTables t = BuildTables(kCp1252); return &t; }
    default: return nullptr;
  }
}

size_t AsciiRun(const unsigned char* p, size_t n) {
  size_t i = 0;
  while (i + 8 <= n) {
    uint64_t v;
    std::memcpy(&v, p + i, 8);
    if (v & 0x8080808080808080ULL) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Decodes one UTF-8 sequence at p (n bytes available). Returns the number of
// bytes used, or 0 for an invalid sequence (overlong, surrogate, truncated).
size_t DecodeUtf8(const unsigned char* p, size_t n, uint32_t* cp) {
  const unsigned char b0 = p[0];
  size_t len;
  uint32_t v;
  if (b0 < 0x80) { *cp = b0; return 1; }
  if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; v = b0 & 0x1F; }
  else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; v = b0 & 0x0F; }
  else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; v = b0 & 0x07; }
  else return 0;
  if (n < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (p[i] & 0x3F);
  }
  if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
      (v >= 0xD800 && v <= 0xDFFF))
    return 0;
  *cp = v;
  return len;
}

}  // namespace

bool IsCodePageSupported(int codepage) {
  return codepage == kCodePageUtf8 || UpperHalf(codepage) != nullptr;
}

std::string CodePageToUtf8(std::string_view bytes, int codepage) {
  if (codepage == kCodePageUtf8) return std::string(bytes);
  const CodePageTables* t = TablesFor(codepage);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const size_t run = AsciiRun(p + i, n - i);
    out.append(bytes.data() + i, run);
    i += run;
    if (i >= n) break;
    const unsigned char b = p[i++];
    if (t) {
      const auto& e = t->utf8[b - 0x80];
      out.append(e.data() + 1, static_cast<size_t>(e[0]));
    } else {
      out.append("\xEF\xBF\xBD");  // U+FFFD: unknown code page
    }
  }
  return out;
}

std::string Utf8ToCodePage(std::string_view utf8, int codepage, char fallback) {
  if (codepage == kCodePageUtf8) return std::string(utf8);
  const CodePageTables* t = TablesFor(codepage);
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const size_t run = AsciiRun(p + i, n - i);
    out.append(utf8.data() + i, run);
    i += run;
    if (i >= n) break;
    uint32_t cp = 0;
    const size_t used = DecodeUtf8(p + i, n - i, &cp);
    if (used == 0) {  // invalid byte: replace it alone and resynchronise
      out.push_back(fallback);
      ++i;
      continue;
    }
    i += used;
    char c = fallback;
    if (t && cp <= 0xFFFF) {
      const auto key = std::pair<uint16_t, uint8_t>(static_cast<uint16_t>(cp), 0);
      auto it = std::lower_bound(t->reverse.begin(), t->reverse.end(), key);
      if (it != t->reverse.end() && it->first == cp) c = static_cast<char>(it->second);
    }
    out.push_back(c);
  }
  return out;
}

Utf8Kind ClassifyUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  bool wide = false;
  size_t i = 0;
  while (i < n) {
    i += AsciiRun(p + i, n - i);
    if (i >= n) break;
    uint32_t cp = 0;
    const size_t used = DecodeUtf8(p + i, n - i, &cp);
    if (used == 0) return Utf8Kind::Invalid;
    wide = true;
    i += used;
  }
  return wide ? Utf8Kind::NonAscii : Utf8Kind::Ascii;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t k) -> uint32_t {
    return bigEndian ? (p[2 * k] << 8 | p[2 * k + 1]) : (p[2 * k + 1] << 8 | p[2 * k]);
  };
  for (size_t k = 0; k < units; ++k) {
    uint32_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
      const uint32_t low = unit(k + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        ++k;
      }
    }
    AppendUtf8(out, u);  // a lone surrogate becomes U+FFFD
  }
  return out;
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    uint32_t cp = 0;
    size_t used = DecodeUtf8(p + i, n - i, &cp);
    if (used == 0) {  // kept as it is: comparing such bytes exactly is all one can do
      out.push_back(utf8[i++]);
      continue;
    }
    i += used;
    if (cp >= 'A' && cp <= 'Z') cp += 0x20;
    else if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)) cp += 0x20;  // Latin-1
    else if (cp >= 0x410 && cp <= 0x42F) cp += 0x20;                // Cyrillic А..Я
    else if (cp >= 0x400 && cp <= 0x40F) cp += 0x50;                // Ѐ..Џ, Ё among them
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace strevo

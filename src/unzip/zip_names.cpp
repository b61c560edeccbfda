// The name rules of extraction: which entries a mask selects, and which
// names may be written at all.
#include "unzip/zip.h"

#include <algorithm>
#include <string_view>

namespace strevo {
namespace {

// Bytes of the UTF-8 character at i.
size_t CharLen(const std::string& s, size_t i) {
  size_t n = 1;
  while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
  return n;
}

}  // namespace

// Wildcard match with one backtrack point: linear in practice, O(n*m) at worst.
// "?" takes one UTF-8 character.
bool ZipMaskMatches(const std::string& mask, const std::string& name) {
  if (mask.empty() || mask == "*.*" || mask == "*") return true;
  size_t m = 0, n = 0;
  size_t star_m = std::string::npos, star_n = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star_m = m++;
      star_n = n;
    } else if (m < mask.size() && mask[m] == '?') {
      ++m;
      n += CharLen(name, n);
    } else if (m < mask.size() && mask[m] == name[n]) {
      ++m;
      ++n;
    } else if (star_m != std::string::npos) {
      m = star_m + 1;
      star_n += CharLen(name, star_n);
      n = star_n;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

bool ZipNameIsSafe(const std::string& name) {
  if (name.empty()) return true;
  if (name[0] == '\\' || name[0] == '/') return false;
  if (name.find(':') != std::string::npos) return false;
  if (name.find('\0') != std::string::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    const std::string_view part(name.data() + start, end - start);
    // ".." and the forms Windows trims to it ("..." , ".. ").
    if (part.size() >= 2 && part.find_first_not_of(". ") == std::string_view::npos &&
        std::count(part.begin(), part.end(), '.') >= 2)
      return false;
    start = end + 1;
  }
  return true;
}

}  // namespace strevo

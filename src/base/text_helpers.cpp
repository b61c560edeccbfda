#include "base/text_helpers.h"

#include <climits>

namespace strevo {

std::string ExtractField(std::string_view source, std::string_view delim, int index) {
  if (delim.empty()) return {};
  std::string_view rest = source;
  for (int i = 0; i < index; ++i) {
    size_t p = rest.find(delim);
    if (p == std::string_view::npos) return {};  // nothing more to delete: no delimiter follows
    rest.remove_prefix(p + delim.size());
  }
  size_t p = rest.find(delim);
  if (p == std::string_view::npos) return {};
  return std::string(rest.substr(0, p));
}

std::string ReplaceAll(std::string_view search, std::string_view replacement, std::string_view source) {
  std::string text(source);
  if (search.empty()) return text;
  if (replacement.size() >= search.size()) {
    // One pass, left to right, no rescanning: a replacement that is not
    // shorter can form new occurrences with its neighbours without end
    // ("%name%" -> "name%%name" in "%name%%subfn%" grows forever).
    std::string out;
    size_t from = 0;
    for (size_t p; (p = text.find(search, from)) != std::string::npos; from = p + search.size()) {
      out.append(text, from, p - from);
      out.append(replacement);
    }
    out.append(text, from, std::string::npos);
    return out;
  }
  // Each replacement shortens the text, so the rescanning ends. Rescanning
  // from the start after every replacement finds the same occurrence as
  // resuming just before the replaced spot: nothing earlier has changed.
  size_t from = 0;
  for (size_t p; (p = text.find(search, from)) != std::string::npos;) {
    text.replace(p, search.size(), replacement);
    from = p >= search.size() - 1 ? p - (search.size() - 1) : 0;
  }
  return text;
}

std::string SafeFileName(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (std::string_view("|><\"?*:/\\").find(c) != std::string_view::npos) c = '_';
  return out;
}

bool IsAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

int StrToIntLenient(std::string_view text) {
  size_t i = 0;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (neg) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

std::string FileNameOf(std::string_view path) {
  size_t p = path.find_last_of("\\/");
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string FolderOf(std::string_view path) {
  size_t p = path.find_last_of("\\/");
  return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p));
}

std::string TempWorkFolder(std::string_view systemTempPath, std::string_view exePath) {
  std::string name = FileNameOf(exePath);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  // The system gives its temporary folder with a closing backslash.
  std::string_view folder = systemTempPath;
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.remove_suffix(1);
  return std::string(folder) + "\\" + name + ".Tmp";
}

std::string SiblingPath(std::string_view exePath, std::string_view ending) {
  size_t sep = exePath.find_last_of("\\/");
  size_t dot = exePath.rfind('.');
  std::string base(exePath);
  if (dot != std::string_view::npos && (sep == std::string_view::npos || dot > sep)) base.erase(dot);
  return base + std::string(ending);
}

std::string TrimBlanks(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return std::string(text.substr(b, e - b));
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace strevo

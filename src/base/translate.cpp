#include "base/translate.h"

#include "base/md5.h"

namespace strevo {

std::string LanguageKey(std::string_view utf8Text, ToSystemBytes toBytes) {
  return Md5Hex(toBytes ? toBytes(utf8Text) : std::string(utf8Text));
}

std::string EscapeReplacement(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\r";
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string UnescapeReplacement(std::string_view stored) {
  std::string out;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\\' && i + 1 < stored.size() && stored[i + 1] == 'r') {
      out += "\r\n";
      ++i;
    } else {
      out += stored[i];
    }
  }
  return out;
}

LanguageFile::LanguageFile(std::vector<std::string> lines, ToSystemBytes toBytes)
    : lines_(std::move(lines)), toBytes_(toBytes) {}

LanguageFile LanguageFile::FromText(std::string_view text, ToSystemBytes toBytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return LanguageFile(std::move(lines), toBytes);
}

std::string LanguageFile::Translate(std::string_view text) const {
  if (lines_.empty()) return std::string(text);
  const std::string key = LanguageKey(text, toBytes_);
  for (const std::string& line : lines_) {
    size_t eq = line.find('=');
    // A line without "=" has an empty key, which never equals a digest.
    if (eq == std::string::npos) continue;
    if (std::string_view(line).substr(0, eq) == key) return UnescapeReplacement(std::string_view(line).substr(eq + 1));
  }
  return std::string(text);
}

std::string LanguageFile::TranslateMenuCaption(std::string_view caption) const {
  size_t tab = caption.find('\t');
  if (tab == std::string_view::npos) return Translate(caption);
  return Translate(caption.substr(0, tab)) + std::string(caption.substr(tab));
}

}  // namespace strevo

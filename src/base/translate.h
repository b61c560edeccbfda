// Interface translation: a language file of lines "key=text", the key being
// the MD5 of the built-in text's bytes in the system code page.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace strevo {

// Turns a UTF-8 built-in text into the bytes the key is computed from
// (the system ANSI code page: cp1251 on a Russian Windows).
using ToSystemBytes = std::string (*)(std::string_view utf8);

class LanguageFile {
 public:
  // The file's lines, already converted to UTF-8.
  LanguageFile(std::vector<std::string> lines, ToSystemBytes toBytes);
  static LanguageFile FromText(std::string_view utf8Text, ToSystemBytes toBytes);

  // The replacement of the first line whose key is the text's key, or the text.
  std::string Translate(std::string_view text) const;
  // A menu caption: only the part before the first tab is translated.
  std::string TranslateMenuCaption(std::string_view caption) const;
  bool Empty() const { return lines_.empty(); }

 private:
  std::vector<std::string> lines_;
  ToSystemBytes toBytes_;
};

std::string LanguageKey(std::string_view utf8Text, ToSystemBytes toBytes);

}  // namespace strevo

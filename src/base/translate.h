// Interface translation: a language file of lines "key=text", the key being
// the MD5 of the built-in text's bytes in code page 1251. A file line
// holds one line of text, so in the replacement (never in the key) the two
// characters "\r" stand for a line break (CR LF); other backslashes stay as
// they are. Lines without a key of 32 hex digits, comments among them, match
// nothing.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace strevo {

// Turns a UTF-8 built-in text into the bytes the key is computed from
// (code page 1251 on every system: the texts are the program's own).
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

// A replacement as the file holds it: line breaks (CR LF, or a lone CR or LF)
// written as "\r".
std::string EscapeReplacement(std::string_view text);
// The replacement's text: each "\r" a CR LF.
std::string UnescapeReplacement(std::string_view stored);

}  // namespace strevo

// libFuzzer target: a language file from any bytes, asked for texts of the
// program's own and for keys the file itself holds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "base/translate.h"

namespace {
std::string To1251(std::string_view utf8) { return strevo::Utf8ToCodePage(utf8, 1251); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = strevo::CodePageToUtf8(bytes, 1251);
  const strevo::LanguageFile file = strevo::LanguageFile::FromText(utf8, To1251);
  for (std::string_view text : {"Файл или поток", "Обновить список каналов\t(Ctrl+U)", "", "\t"}) {
    file.Translate(text);
    const std::string caption = file.TranslateMenuCaption(text);
    // Only the part before the tab is the file's to change.
    size_t tab = text.find('\t');
    if (tab != std::string_view::npos && !caption.ends_with(text.substr(tab))) __builtin_trap();
  }
  // A text whose key the file names: the first line of the file, as a text.
  const std::string first = utf8.substr(0, utf8.find('\n'));
  file.Translate(first);
  const std::string stored = strevo::EscapeReplacement(first);
  if (stored.find_first_of("\r\n") != std::string::npos) __builtin_trap();
  strevo::UnescapeReplacement(stored);
  return 0;
}

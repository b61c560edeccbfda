// Writes the English language file from the program's own table of texts:
// lngen <output file>. Keys are computed for a Russian system (code page 1251).
#include <cstdio>
#include <string>

#include "base/codepage.h"
#include "ui/texts/ui_texts.h"

static std::string To1251(std::string_view utf8) { return strevo::Utf8ToCodePage(utf8, 1251); }

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lngen <output file>\n");
    return 2;
  }
  const std::string text = To1251(strevo::EnglishLanguageFile(To1251));
  const std::string tmp = std::string(argv[1]) + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return std::rename(tmp.c_str(), argv[1]) == 0 ? 0 : 1;
}

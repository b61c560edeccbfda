// Every built-in text that interface translation can replace, with its
// English version: the source of the shipped English language file.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "base/translate.h"

namespace strevo {

// The texts the start-up translation looks up (menu captions up to their tab),
// in a stable order, without duplicates and without texts that need none
// (no Cyrillic letter in them).
std::vector<std::string> TranslatableTexts();

// The English version of a built-in text ("" when the table has none).
std::string EnglishText(std::string_view russian);

// The English language file: "key=text" lines with CR LF, UTF-8 (the caller
// converts to the ANSI code page; English is plain ASCII).
std::string EnglishLanguageFile(ToSystemBytes toBytes);

}  // namespace strevo

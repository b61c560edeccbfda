#include "base/codepage.h"
#include "base/md5.h"
#include "base/translate.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(Md5, Rfc1321TestSuite) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, BlockBoundariesAndIncrementalUpdates) {
  // 55, 56 and 64 bytes straddle the padding boundary.
  EXPECT_EQ(Md5Hex(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(Md5Hex(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(Md5Hex(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
  Md5 md5;
  std::string text = "The quick brown fox jumps over the lazy dog";
  for (char c : text) md5.Update(&c, 1);
  auto d = md5.Final();
  EXPECT_EQ(d[0], 0x9e);
  EXPECT_EQ(d[15], 0xd6);
}

std::string To1251(std::string_view utf8) { return Utf8ToCodePage(utf8, 1251); }

TEST(Md5, CyrillicKeysUseTheWindows1251Bytes) {
  // "Выход" in cp1251 is C2 FB F5 EE E4.
  EXPECT_EQ(To1251("Выход"), "\xC2\xFB\xF5\xEE\xE4");
  EXPECT_EQ(LanguageKey("Выход", To1251), Md5Hex("\xC2\xFB\xF5\xEE\xE4"));
  EXPECT_NE(LanguageKey("Выход", To1251), Md5Hex("Выход"));
}

TEST(Translate, LookupRules) {
  const std::string exitKey = LanguageKey("Выход", To1251);
  const std::string sepKey = LanguageKey("-", To1251);
  std::string upper = exitKey;
  for (char& c : upper) c = static_cast<char>(toupper(c));
  LanguageFile lng = LanguageFile::FromText("no equals sign here\r\n"
                                            "=empty key\r\n" +
                                                upper + "=Upper\r\n" + exitKey + "=Exit\r\n" + exitKey +
                                                "=Second\r\n" + LanguageKey("Общие", To1251) + "=a=b\r\n" +
                                                LanguageKey("Закрыть", To1251) + "=\r\n" + sepKey + "=~\r\n",
                                            To1251);
  EXPECT_EQ(lng.Translate("Выход"), "Exit");          // the first match wins; upper case never matches
  EXPECT_EQ(lng.Translate("Общие"), "a=b");           // everything after the first "="
  EXPECT_EQ(lng.Translate("Закрыть"), "");            // an empty replacement empties the text
  EXPECT_EQ(lng.Translate("Канал"), "Канал");          // no entry: unchanged
  EXPECT_EQ(lng.TranslateMenuCaption("Выход\t(Alt+X)"), "Exit\t(Alt+X)");
  EXPECT_EQ(lng.TranslateMenuCaption("Выход"), "Exit");
  EXPECT_EQ(lng.TranslateMenuCaption("-"), "~");      // separators are looked up like any caption
  EXPECT_EQ(lng.TranslateMenuCaption("Канал\tвперёд\t(x)"), "Канал\tвперёд\t(x)");

  LanguageFile none = LanguageFile::FromText("", To1251);
  EXPECT_EQ(none.Translate("Выход"), "Выход");
}

TEST(Translate, BackslashRInAReplacementIsALineBreak) {
  const std::string key = LanguageKey("Общие", To1251);
  LanguageFile lng = LanguageFile::FromText(
      "; comment line = not a key\r\n" + key + "=one\\rtwo\\r\\rC:\\Temp\\new\\\\r\r\n" +
          LanguageKey("Канал", To1251) + "=C:\\TV\r\n",
      To1251);
  // Line breaks become CR LF; a backslash before any other letter stays, and
  // "\\r" has no escape of its own (a backslash, then a break).
  EXPECT_EQ(lng.Translate("Общие"), "one\r\ntwo\r\n\r\nC:\\Temp\\new\\\r\n");
  EXPECT_EQ(lng.Translate("Канал"), "C:\\TV");
  // The key is the whole text's, line breaks included; the escape is not a key.
  const std::string twoLines = "Первая\r\nвторая";
  LanguageFile multi = LanguageFile::FromText(LanguageKey(twoLines, To1251) + "=First\\rsecond\r\n", To1251);
  EXPECT_EQ(multi.Translate(twoLines), "First\r\nsecond");
  EXPECT_EQ(multi.Translate("Первая"), "Первая");
}

TEST(Translate, EscapingRoundTrips) {
  EXPECT_EQ(EscapeReplacement("a\r\nb\nc\rd"), "a\\rb\\rc\\rd");
  EXPECT_EQ(EscapeReplacement("\r\n\r\n"), "\\r\\r");
  EXPECT_EQ(UnescapeReplacement(EscapeReplacement("x\r\n\r\ny\r\n")), "x\r\n\r\ny\r\n");
  EXPECT_EQ(UnescapeReplacement("ends with \\"), "ends with \\");
  EXPECT_EQ(UnescapeReplacement("no escapes"), "no escapes");
}

}  // namespace
}  // namespace strevo

#include "base/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace strevo {
namespace {

TEST(CodePage, CyrillicInDosAndWindowsCodePages) {
  // "Каналы" in 866 and in 1251.
  EXPECT_EQ(CodePageToUtf8("\x8a\xa0\xad\xa0\xab\xeb", 866), "\xd0\x9a\xd0\xb0\xd0\xbd\xd0\xb0\xd0\xbb\xd1\x8b");
  EXPECT_EQ(CodePageToUtf8("\xca\xe0\xed\xe0\xeb\xfb", 1251), "\xd0\x9a\xd0\xb0\xd0\xbd\xd0\xb0\xd0\xbb\xd1\x8b");
  // Letters outside the contiguous ranges: Ё ё №.
  EXPECT_EQ(CodePageToUtf8("\xf0\xf1\xfc", 866), "\xd0\x81\xd1\x91\xe2\x84\x96");
  EXPECT_EQ(CodePageToUtf8("\xa8\xb8\xb9", 1251), "\xd0\x81\xd1\x91\xe2\x84\x96");
  EXPECT_EQ(Utf8ToCodePage("\xd0\x81\xd1\x91\xe2\x84\x96", 866), "\xf0\xf1\xfc");
  EXPECT_EQ(Utf8ToCodePage("\xd0\x81\xd1\x91\xe2\x84\x96", 1251), "\xa8\xb8\xb9");
  // Box drawing in 866 and 437 alike.
  EXPECT_EQ(CodePageToUtf8("\xc9\xcd\xbb", 866), "\xe2\x95\x94\xe2\x95\x90\xe2\x95\x97");
  EXPECT_EQ(CodePageToUtf8("\xc9\xcd\xbb", 437), "\xe2\x95\x94\xe2\x95\x90\xe2\x95\x97");
  // 1252: euro sign and accented Latin.
  EXPECT_EQ(CodePageToUtf8("\x80 caf\xe9", 1252), "\xe2\x82\xac caf\xc3\xa9");
}

TEST(CodePage, EveryByteRoundTrips) {
  for (int cp : {437, 866, 1251, 1252}) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = CodePageToUtf8(all, cp);
    EXPECT_EQ(Utf8ToCodePage(utf8, cp, '#'), all) << cp;
  }
}

TEST(CodePage, AsciiPassesThroughAndLongRunsStayIntact) {
  const std::string ascii = "http://127.0.0.1/list.m3u?x=1&y=2 #EXTINF:-1,News";
  for (int cp : {437, 866, 1251, 1252}) {
    EXPECT_EQ(CodePageToUtf8(ascii, cp), ascii);
    EXPECT_EQ(Utf8ToCodePage(ascii, cp), ascii);
  }
  std::string mixed;
  for (int i = 0; i < 1000; ++i) mixed += (i % 7 ? "abcdefghij" : "\xc0\xff");
  EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(mixed, 1251), 1251), mixed);
  EXPECT_EQ(CodePageToUtf8("", 866), "");
}

TEST(CodePage, UnmappableAndMalformedInput) {
  // Chinese and an emoji have no place in 1251; Cyrillic has none in 1252.
  EXPECT_EQ(Utf8ToCodePage("a\xe4\xb8\xad\xf0\x9f\x98\x80z", 1251), "a??z");
  EXPECT_EQ(Utf8ToCodePage("\xd0\x96", 1252, '_'), "_");
  // Stray continuation, truncated sequence, overlong form, surrogate: one
  // fallback per bad byte, good text around them kept.
  EXPECT_EQ(Utf8ToCodePage("a\x80" "b", 1251), "a?b");
  EXPECT_EQ(Utf8ToCodePage("a\xd0", 1251), "a?");
  EXPECT_EQ(Utf8ToCodePage("\xc0\xaf", 1251), "??");
  EXPECT_EQ(Utf8ToCodePage("\xed\xa0\x80", 1251), "???");
  // Unknown code pages: bytes >= 0x80 become U+FFFD or the fallback;
  // 65001 passes text through.
  EXPECT_FALSE(IsCodePageSupported(850));
  EXPECT_TRUE(IsCodePageSupported(866));
  EXPECT_EQ(CodePageToUtf8("a\xe9", 850), "a\xef\xbf\xbd");
  EXPECT_EQ(Utf8ToCodePage("a\xc3\xa9", 850), "a?");
  EXPECT_EQ(CodePageToUtf8("\xd0\x96", kCodePageUtf8), "\xd0\x96");
}

}  // namespace
}  // namespace strevo

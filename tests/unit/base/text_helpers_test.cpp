#include "base/text_helpers.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(ExtractField, FieldCountsOnlyWhenADelimiterFollows) {
  EXPECT_EQ(ExtractField("a|b|c", "|", 2), "");
  EXPECT_EQ(ExtractField("a|b|c|", "|", 2), "c");
  EXPECT_EQ(ExtractField("a|b|", "|", 5), "");
  EXPECT_EQ(ExtractField("a|b|", "|", 0), "a");
  EXPECT_EQ(ExtractField("a|b|", "|", 2), "");
  EXPECT_EQ(ExtractField("", "|", 0), "");
  EXPECT_EQ(ExtractField("||x|", "|", 1), "");
  EXPECT_EQ(ExtractField("||x|", "|", 2), "x");
}

TEST(ExtractField, MultiCharacterDelimiterAndRecordEnds) {
  EXPECT_EQ(ExtractField("k=v;;a=b;;", ";;", 1), "a=b");
  EXPECT_EQ(ExtractField("?Globals|1|2|", "|", 0), "?Globals");
  EXPECT_EQ(ExtractField("?Globals|1|2|", "|", 2), "2");
  EXPECT_EQ(ExtractField("?Globals|1|2|", "|", 3), "");
}

TEST(ReplaceAll, RescansSoNewOccurrencesAreReplacedToo) {
  EXPECT_EQ(ReplaceAll("ab", "b", "aab"), "b");
  EXPECT_EQ(ReplaceAll("  ", " ", "a      b  c"), "a b c");
  EXPECT_EQ(ReplaceAll("$$$", "&&", ReplaceAll("&", "$$$", "Rock & Pop")), "Rock && Pop");
  EXPECT_EQ(ReplaceAll("x", "y", ""), "");
  // A longer replacement that forms new occurrences with its neighbours (a
  // channel titled "name%%name" in "%name%%subfn%") is replaced once and ends.
  EXPECT_EQ(ReplaceAll("%name%", "name%%name", "%name%%subfn%"), "name%%name%subfn%");
  EXPECT_EQ(ReplaceAll("ab", "ba", "aab"), "aba");
  EXPECT_EQ(ReplaceAll("", "y", "abc"), "abc");
}

TEST(ReplaceAll, ReplacementContainingTheSearchTextMakesOnePass) {
  EXPECT_EQ(ReplaceAll("&", "&&", "a&b&"), "a&&b&&");
  EXPECT_EQ(ReplaceAll("a", "aa", "aaa"), "aaaaaa");
}

TEST(ReplaceAll, LongRunsStayFast) {
  std::string blanks(200000, ' ');
  EXPECT_EQ(ReplaceAll("  ", " ", "x" + blanks + "y"), "x y");
}

TEST(TextHelpers, SafeFileNameAndDigits) {
  EXPECT_EQ(SafeFileName("a|b>c<d\"e?f*g:h/i\\j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(SafeFileName("Первый канал"), "Первый канал");
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_TRUE(IsAllDigits("0123456789"));
  EXPECT_FALSE(IsAllDigits("12a"));
  EXPECT_FALSE(IsAllDigits("-1"));
}

TEST(TextHelpers, LenientNumbers) {
  EXPECT_EQ(StrToIntLenient("42"), 42);
  EXPECT_EQ(StrToIntLenient("-7x"), -7);
  EXPECT_EQ(StrToIntLenient("+3"), 3);
  EXPECT_EQ(StrToIntLenient("abc"), 0);
  EXPECT_EQ(StrToIntLenient(""), 0);
  EXPECT_EQ(StrToIntLenient("-"), 0);
  EXPECT_EQ(StrToIntLenient("12.5"), 12);
  EXPECT_EQ(StrToIntLenient("99999999999999999999"), 2147483647);
  EXPECT_EQ(StrToIntLenient("-99999999999999999999"), -2147483647 - 1);
}

TEST(TextHelpers, PathsBesideTheExecutable) {
  // The system's temporary folder comes with its closing backslash; one
  // separator joins it to the name, with or without it.
  EXPECT_EQ(TempWorkFolder("C:\\Temp\\", "C:\\TV\\Player.exe"), "C:\\Temp\\Player.Tmp");
  EXPECT_EQ(TempWorkFolder("C:\\Temp", "C:\\TV\\Player.exe"), "C:\\Temp\\Player.Tmp");
  EXPECT_EQ(TempWorkFolder("C:\\", "C:\\TV\\Player.exe"), "C:\\Player.Tmp");
  EXPECT_EQ(TempWorkFolder("C:\\Users\\Ира\\Temp\\", "D:\\T.V\\my.player.exe"), "C:\\Users\\Ира\\Temp\\my.player.Tmp");
  EXPECT_EQ(TempWorkFolder("C:\\Temp\\", "C:\\TV\\Player"), "C:\\Temp\\Player.Tmp");
  EXPECT_EQ(SiblingPath("C:\\TV\\Player.exe", ".ini"), "C:\\TV\\Player.ini");
  EXPECT_EQ(SiblingPath("C:\\TV\\my.player.exe", ".Shed.ini"), "C:\\TV\\my.player.Shed.ini");
  EXPECT_EQ(SiblingPath("C:\\T.V\\Player", ".log"), "C:\\T.V\\Player.log");
  EXPECT_EQ(FileNameOf("C:\\TV\\Player.exe"), "Player.exe");
  EXPECT_EQ(FolderOf("C:\\TV\\Player.exe"), "C:\\TV");
  EXPECT_EQ(TrimBlanks(" \t x y \r\n"), "x y");
}

}  // namespace
}  // namespace strevo

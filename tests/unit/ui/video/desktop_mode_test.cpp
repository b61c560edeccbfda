#include "ui/video/desktop_mode.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(DesktopMode, SavedColourComesBackExactly) {
  for (Rgb c : {kBlack, kWhite, MakeRgb(58, 110, 165), MakeRgb(0, 0, 1)})
    EXPECT_EQ(ParseDesktopColourFile(DesktopColourFileText(c)), c);
  EXPECT_EQ(DesktopColourFileText(MakeRgb(58, 110, 165)), "10841658\r\n");
}

TEST(DesktopMode, ABrokenFileRestoresNothing) {
  // A file cut short by a crash, or one that is not ours, changes no colour.
  EXPECT_FALSE(ParseDesktopColourFile(""));
  EXPECT_FALSE(ParseDesktopColourFile("\r\n"));
  EXPECT_FALSE(ParseDesktopColourFile("12ab"));
  EXPECT_FALSE(ParseDesktopColourFile("-1"));
  EXPECT_FALSE(ParseDesktopColourFile("16777216"));  // above 0xFFFFFF
  EXPECT_EQ(ParseDesktopColourFile("16777215"), kWhite);
}

TEST(DesktopMode, OnlyTheKeyColourIsReplaced) {
  EXPECT_TRUE(ShouldRestoreDesktopColour(MakeRgb(0, 0, 1)));
  EXPECT_FALSE(ShouldRestoreDesktopColour(MakeRgb(58, 110, 165)));
  EXPECT_FALSE(ShouldRestoreDesktopColour(MakeRgb(16, 0, 16)));
}

}  // namespace
}  // namespace strevo

#include "ui/channels/logos.h"

#include <gtest/gtest.h>

#include <set>

namespace strevo {
namespace {

TEST(Logos, SourcesOfAnAddress) {
  EXPECT_EQ(LogoSourceOf("http://127.0.0.1/1.png"), LogoSource::Http);
  EXPECT_EQ(LogoSourceOf("HTTPS://cdn.example/a.jpg"), LogoSource::Http);
  EXPECT_EQ(LogoSourceOf("C:\\Logos\\one.png"), LogoSource::LocalFile);
  EXPECT_EQ(LogoSourceOf("\\\\nas\\logos\\one.png"), LogoSource::LocalFile);
  for (const char* other : {"", "ftp://host/a.png", "one.png", "..\\..\\one.png", "http://a b/c.png", "file:///c:/a.png"})
    EXPECT_EQ(LogoSourceOf(other), LogoSource::None) << other;
}

TEST(Logos, CacheNamesAreSafeAndDistinct) {
  const std::string a = LogoCacheName("http://127.0.0.1/1.png");
  EXPECT_EQ(a, LogoCacheName("http://127.0.0.1/1.png"));
  EXPECT_NE(a, LogoCacheName("http://127.0.0.1/1.png?x"));
  // Whatever the address holds, the name is digits and a fixed extension.
  const std::string hostile = LogoCacheName("http://h/..\\..\\Strevo.exe:stream?<>|*\"");
  EXPECT_EQ(hostile.size(), 32u + 5u);
  EXPECT_EQ(hostile.find_first_not_of("0123456789abcdef"), 32u);
  EXPECT_EQ(hostile.substr(32), ".logo");
}

TEST(Logos, KindsByTheirFirstBytes) {
  EXPECT_EQ(LogoKindOf(std::string("\x89PNG\r\n\x1a\n\0\0", 10)), LogoKind::Png);
  EXPECT_EQ(LogoKindOf("\xFF\xD8\xFF\xE0"), LogoKind::Jpeg);
  EXPECT_EQ(LogoKindOf(std::string("\0\0\1\0\1\0", 6)), LogoKind::Ico);
  EXPECT_EQ(LogoKindOf("GIF89a..."), LogoKind::Gif);
  EXPECT_EQ(LogoKindOf("BM" + std::string(20, '\0')), LogoKind::Bmp);
  EXPECT_EQ(LogoKindOf("<html><body>Not found</body></html>"), LogoKind::None);
  EXPECT_EQ(LogoKindOf(std::string("\0\0\1\0\0\0", 6)), LogoKind::None);  // an icon file of no icons
  EXPECT_EQ(LogoKindOf("\x89PN"), LogoKind::None);                        // cut short
  EXPECT_EQ(LogoKindOf(""), LogoKind::None);
}

TEST(Logos, EvictionTakesTheOldestUntilTheRestFit) {
  const std::vector<CachedLogo> files = {{"new", 400, 30}, {"old", 300, 10}, {"mid", 300, 20}, {"older", 100, 5}};
  EXPECT_TRUE(LogosToEvict(files, 1100).empty());
  EXPECT_EQ(LogosToEvict(files, 1099), (std::vector<std::string>{"older"}));
  EXPECT_EQ(LogosToEvict(files, 700), (std::vector<std::string>{"older", "old"}));
  EXPECT_EQ(LogosToEvict(files, 400), (std::vector<std::string>{"older", "old", "mid"}));
  EXPECT_EQ(LogosToEvict(files, 0).size(), 4u);
  EXPECT_TRUE(LogosToEvict({}, 0).empty());
}

TEST(Logos, FittingKeepsProportions) {
  EXPECT_EQ(FitLogo(100, 100, 24), (LogoSize{24, 24}));
  EXPECT_EQ(FitLogo(200, 100, 24), (LogoSize{24, 12}));
  EXPECT_EQ(FitLogo(100, 300, 24), (LogoSize{8, 24}));
  EXPECT_EQ(FitLogo(4096, 1, 24), (LogoSize{24, 1}));  // never thinner than a pixel
  EXPECT_EQ(FitLogo(16, 16, 24), (LogoSize{24, 24}));  // small ones grow to the icon's size
  EXPECT_EQ(FitLogo(0, 10, 24), (LogoSize{}));
  EXPECT_EQ(FitLogo(kLogoMaxSide, kLogoMaxSide, kLogoSide), (LogoSize{kLogoSide, kLogoSide}));
}

TEST(Logos, EachAddressIsFetchedOnceInListOrder) {
  const std::vector<std::string> logos = {"", "http://h/b.png", "ftp://x", "C:\\l\\a.png", "\\\\nas\\s\\c.png",
                                          "http://h/b.png", "http://h/a.png", "file://\\\\nas\\s\\d.png"};
  EXPECT_EQ(LogoAddresses(logos, true),
            (std::vector<std::string>{"http://h/b.png", "C:\\l\\a.png", "\\\\nas\\s\\c.png", "http://h/a.png"}));
  // A downloaded list's logos never open a path, on a file server or not.
  EXPECT_EQ(LogoAddresses(logos, false), (std::vector<std::string>{"http://h/b.png", "http://h/a.png"}));
}

}  // namespace
}  // namespace strevo

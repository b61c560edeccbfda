#include "config/presets.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(Presets, CaptionIsTheTextAfterSevenCharactersUpToTheBar) {
  EXPECT_EQ(PresetCaption("PRESET:Provider One|\r\n?Globals|15|"), "Provider One");
  EXPECT_EQ(PresetCaption("?Globals|15|15|"), "s");  // a plain configuration shows what is left of its key
  EXPECT_EQ(PresetCaption("1234567|rest|"), "");
  EXPECT_EQ(PresetCaption("1234567no bar at all"), "");
  EXPECT_EQ(PresetCaption("short"), "");
}

TEST(Presets, DownloadAddressFromTheConfigurationElseBuiltIn) {
  const ConfigList list{"?Globals|", "?Presets|http://127.0.0.1:8080/p.zip|", "?Components||"};
  EXPECT_EQ(DownloadAddress(list, kPresetsKey, "http://site/p.zip"), "http://127.0.0.1:8080/p.zip");
  EXPECT_EQ(DownloadAddress(list, kComponentsKey, "http://site/Setup.zip"), "http://site/Setup.zip");
  EXPECT_EQ(DownloadAddress({"?Globals|"}, kPresetsKey, "http://site/p.zip"), "http://site/p.zip");
}

TEST(Presets, APresetNeverChoosesWhereTheProgramsCodeComesFrom) {
  const std::string preset = "?Globals|1|\r\n?Components|http://evil/Setup.zip|\r\n?Presets|http://evil/p.zip|\r\n";
  EXPECT_EQ(PresetForInstall(preset, ""), "?Globals|1|\r\n");
  // The user's own addresses stay as they were.
  EXPECT_EQ(PresetForInstall(preset, "?Globals|0|\r\n?Components|http://own/Setup.zip|\r\n"),
            "?Globals|1|\r\n?Components|http://own/Setup.zip|\r\n");
  // Anything else is installed byte for byte.
  const std::string plain = "?Globals|1|\nudp://@239.1.1.1:1234|1|";
  EXPECT_EQ(PresetForInstall(plain, "?Globals|0|\r\n"), plain);
}

}  // namespace
}  // namespace strevo

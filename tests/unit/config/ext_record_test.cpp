#include <gtest/gtest.h>

#include <string>

#include "config/config.h"

namespace strevo {
namespace {

class TagsSeen : public GlobalApplyHost {
 public:
  bool tagsWhenLoading = false;
  int loads = 0;
  void LoadChannelList(const GlobalSettings& s) override {
    tagsWhenLoading = s.readM3uTags;
    ++loads;
  }
  void SelectChannel(const std::string&) override {}
  DesktopRect Desktop() override { return {0, 0, 1280, 1024}; }
  int PanelClientWidth() override { return 384; }
  int CollapsedPanelClientHeight() override { return 76; }
};

TEST(ExtRecord, ReadBeforeTheChannelListWithOrWithoutGlobals) {
  for (const ConfigList& list : {ConfigList{"?Globals|15|15|", "?Ext|1|"}, ConfigList{"?Ext|1|"}}) {
    TagsSeen host;
    GlobalSettings s;
    ApplyGlobalRecord(list, s, host);
    EXPECT_EQ(host.loads, 1);
    EXPECT_TRUE(host.tagsWhenLoading);
    EXPECT_TRUE(s.readM3uTags);
  }
  TagsSeen host;
  GlobalSettings s;
  s.readM3uTags = true;
  ApplyGlobalRecord(ConfigList{"?Globals|15|15|", "?Ext|0|"}, s, host);
  EXPECT_FALSE(host.tagsWhenLoading);
  s.readM3uTags = true;
  ReadExtRecord(ConfigList{"?Globals|15|15|"}, s);  // no record: off
  EXPECT_FALSE(s.readM3uTags);
  ReadExtRecord(ConfigList{"?Ext|yes|"}, s);  // a flag is set only by "1"
  EXPECT_FALSE(s.readM3uTags);
}

TEST(ExtRecord, StoredOnlyWhenUsedAndNewerFieldsKept) {
  GlobalSettings s;
  ConfigList untouched = {"?Globals|1|", "udp://x|1|100|"};
  ConfigList list = untouched;
  StoreExtRecord(list, s);
  EXPECT_EQ(list, untouched);  // never used: the file stays as it was

  s.readM3uTags = true;
  StoreExtRecord(list, s);
  EXPECT_EQ(list.back(), "?Ext|1|");
  s.readM3uTags = false;
  StoreExtRecord(list, s);
  EXPECT_EQ(list.back(), "?Ext|0|");  // turned off again: kept, as off
  EXPECT_EQ(list.size(), 3u);

  ConfigList newer = {"?Ext|0|7|future text|"};
  s.readM3uTags = true;
  StoreExtRecord(newer, s);
  EXPECT_EQ(newer, (ConfigList{"?Ext|1|7|future text|"}));
  ConfigList bare = {"?Ext|"};
  StoreExtRecord(bare, s);
  EXPECT_EQ(bare, (ConfigList{"?Ext|1|"}));

  // The global record's store writes it alongside.
  ConfigList all;
  StoreGlobalRecord(all, s);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1], "?Ext|1|");
}

}  // namespace
}  // namespace strevo

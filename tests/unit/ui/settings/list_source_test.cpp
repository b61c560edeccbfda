#include "ui/settings/list_source.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(ListSource, TheLastThreeEntriesChooseCountedFromTheEnd) {
  EXPECT_EQ(ListSourceOf(0, 3), ListSource::None);
  EXPECT_EQ(ListSourceOf(1, 3), ListSource::File);
  EXPECT_EQ(ListSourceOf(2, 3), ListSource::Address);
  // An entry put before them changes nothing of theirs.
  EXPECT_EQ(ListSourceOf(0, 4), ListSource::Other);
  EXPECT_EQ(ListSourceOf(1, 4), ListSource::None);
  EXPECT_EQ(ListSourceOf(3, 4), ListSource::Address);
  EXPECT_EQ(ListSourceOf(-1, 3), ListSource::Other);
  EXPECT_EQ(ListSourceOf(3, 3), ListSource::Other);
}

TEST(ListSource, EachChoiceSetsItsAddress) {
  EXPECT_EQ(ListSourceAddress(ListSource::None, ""), "<None>");
  EXPECT_EQ(ListSourceAddress(ListSource::Address, "ignored"), "http://");
  EXPECT_EQ(ListSourceAddress(ListSource::File, "D:\\TV\\list.m3u"), "D:\\TV\\list.m3u");
  // A cancelled dialog.
  EXPECT_EQ(ListSourceAddress(ListSource::File, ""), "C:\\PlayList.m3u");
  EXPECT_EQ(ListSourceLogLine("http://"), "cbopers changed to \"http://\"");
}

}  // namespace
}  // namespace strevo

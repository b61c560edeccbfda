#include "guide/http.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(HttpText, AZeroByteEndsItsBlockOnly) {
  std::string text;
  const char first[] = {'a', 'b', '\0', 'c', 'd'};
  AppendTextBlock(text, first, sizeof first);
  EXPECT_EQ(text, "ab");
  AppendTextBlock(text, "efg", 3);
  EXPECT_EQ(text, "abefg");
  AppendTextBlock(text, "\0xyz", 4);
  EXPECT_EQ(text, "abefg");
  AppendTextBlock(text, "", 0);
  EXPECT_EQ(text, "abefg");
}

TEST(HttpProgress, ScalesAndNeverFailsWithoutReference) {
  EXPECT_EQ(ProgressPosition(100, 0, 2048), 0);
  EXPECT_EQ(ProgressPosition(100, 1024, 2048), 50);
  EXPECT_EQ(ProgressPosition(100, 4096, 2048), 100);  // more came than was available at first
  EXPECT_EQ(ProgressPosition(100, 1024, 0), 100);
  EXPECT_EQ(ProgressPosition(100, 0, 0), 0);
  EXPECT_EQ(ProgressPosition(0, 10, 10), 0);
}

TEST(HttpLogLines, ExactWording) {
  EXPECT_EQ(HttpCmdLogLine("GET", "127.0.0.1", "/list.m3u", 0), "httpcmd GET 127.0.0.1/list.m3u 0bytes");
  EXPECT_EQ(HttpGetFileLogLine("http://h/tvg.zip", "C:\\t\\tvg.zip", 10, 0),
            "httpgetfile \"http://h/tvg.zip\" to \"C:\\t\\tvg.zip\" recieved 10 bytes of 0");
  EXPECT_STREQ(kHttpUserAgent, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT)");
}

}  // namespace
}  // namespace strevo

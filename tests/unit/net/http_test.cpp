#include "net/http.h"

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

TEST(HttpText, LongReadsAreCutIntoBlocksOfTheTransfer) {
  // A zero byte drops the rest of its 1024-byte block only, wherever the read
  // that brought it began and ended.
  std::string data(3000, 'a');
  data[10] = '\0';    // drops 11..1023
  data[2047] = '\0';  // drops the last byte of the second block
  std::string text;
  AppendTextBlocks(text, data.data(), data.size());
  EXPECT_EQ(text, std::string(10, 'a') + std::string(1023, 'a') + std::string(3000 - 2048, 'a'));
  text.clear();
  AppendTextBlocks(text, data.data(), 0);
  EXPECT_EQ(text, "");
}

TEST(HttpBody, OnlyAComplete2xxBodyCounts) {
  const TransferLimits limits{1000, 60'000};
  {
    BodyMeter m(limits, 0);
    ASSERT_TRUE(m.Begin(200, 300));
    EXPECT_TRUE(m.Add(300, 10));
    m.End(false);
    EXPECT_TRUE(m.Complete());
  }
  {  // the connection ended before the announced length
    BodyMeter m(limits, 0);
    ASSERT_TRUE(m.Begin(200, 300));
    EXPECT_TRUE(m.Add(120, 10));
    m.End(false);
    EXPECT_FALSE(m.Complete());
    EXPECT_EQ(m.failure(), TransferFailure::ShortBody);
    EXPECT_EQ(TransferFailedLogLine("httpcmd GET h/l.m3u", m), "httpcmd GET h/l.m3u failed: 120 of 300 bytes");
  }
  {  // a read error is no end of the body, with or without a length
    BodyMeter m(limits, 0);
    ASSERT_TRUE(m.Begin(200, -1));
    EXPECT_TRUE(m.Add(500, 10));
    m.End(true);
    EXPECT_EQ(m.failure(), TransferFailure::ReadError);
    EXPECT_EQ(TransferFailedLogLine("x", m), "x failed: read error after 500 bytes");
  }
  {  // a body without a length ends where the server ends it; an empty one is complete too
    BodyMeter m(limits, 0);
    ASSERT_TRUE(m.Begin(204, -1));
    m.End(false);
    EXPECT_TRUE(m.Complete());
    EXPECT_EQ(m.received(), 0);
  }
  for (int status : {0, 199, 301, 404, 500}) {
    BodyMeter m(limits, 0);
    EXPECT_FALSE(m.Begin(status, 10)) << status;
    EXPECT_FALSE(m.Complete());
  }
  BodyMeter notFound(limits, 0);
  notFound.Begin(404, 9);
  EXPECT_EQ(TransferFailedLogLine("x", notFound), "x failed: HTTP 404");
  // A meter whose loop never ended (the caller gave up) does not count.
  BodyMeter cut(limits, 0);
  cut.Begin(200, -1);
  cut.Add(10, 1);
  EXPECT_FALSE(cut.Complete());
  EXPECT_EQ(TransferFailedLogLine("x", BodyMeter(limits, 0)), "");
}

TEST(HttpBody, SizeAndTimeLimits) {
  const TransferLimits limits{1000, 5'000};
  {  // announced over the limit: not even read
    BodyMeter m(limits, 0);
    EXPECT_FALSE(m.Begin(200, 1001));
    EXPECT_EQ(m.failure(), TransferFailure::TooLarge);
  }
  {  // exactly the limit is allowed, one byte more is not
    BodyMeter m(limits, 0);
    ASSERT_TRUE(m.Begin(200, -1));
    EXPECT_TRUE(m.Add(1000, 1));
    EXPECT_FALSE(m.Add(1, 2));
    EXPECT_EQ(m.failure(), TransferFailure::TooLarge);
    m.End(false);
    EXPECT_FALSE(m.Complete());
    EXPECT_EQ(TransferFailedLogLine("x", m), "x failed: over 1000 bytes");
  }
  {  // a stream that never ends stops at the time limit, measured from the start
    BodyMeter m(limits, 100'000);
    ASSERT_TRUE(m.Begin(200, -1));
    EXPECT_TRUE(m.Add(1, 104'999));
    EXPECT_FALSE(m.Add(1, 105'000));
    EXPECT_EQ(m.failure(), TransferFailure::TimeLimit);
    EXPECT_EQ(TransferFailedLogLine("x", m), "x failed: over 5 s");
  }
  {  // more than announced is not trusted
    BodyMeter m(limits, 0);
    ASSERT_TRUE(m.Begin(200, 10));
    EXPECT_FALSE(m.Add(11, 1));
  }
  EXPECT_EQ(kChannelListLimits.maxBytes, 64 << 20);
  EXPECT_EQ(kFileDownloadLimits.maxBytes, int64_t{256} << 20);
}

TEST(HttpBody, ContentLengthHeader) {
  EXPECT_EQ(ParseContentLength("5000"), 5000);
  EXPECT_EQ(ParseContentLength(" 0 "), 0);
  EXPECT_EQ(ParseContentLength("8589934592"), int64_t{8589934592});  // past 32 bits
  EXPECT_EQ(ParseContentLength(""), -1);
  EXPECT_EQ(ParseContentLength("-1"), -1);
  EXPECT_EQ(ParseContentLength("12abc"), -1);
  EXPECT_EQ(ParseContentLength("99999999999999999999999"), -1);
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

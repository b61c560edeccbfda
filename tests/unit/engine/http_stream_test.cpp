#include "support/http_stream.h"

#include <gtest/gtest.h>

namespace strevo::engine {
namespace {

HttpHead Head(std::string_view text) {
  auto head = ParseHttpHead(text);
  EXPECT_TRUE(head.has_value()) << text;
  return head.value_or(HttpHead{});
}

TEST(HttpHead, StatusLengthRangeAndSize) {
  const std::string text = "HTTP/1.1 206 Partial Content\r\ncontent-length:  1000 \r\n"
                           "Content-Range: bytes 500-1499/1500\r\n\r\nBODY";
  HttpHead h = Head(text);
  EXPECT_EQ(h.status, 206);
  EXPECT_EQ(h.length, 1000u);
  EXPECT_EQ(h.rangeStart, 500u);
  EXPECT_EQ(h.size, text.size() - 4);

  HttpHead plain = Head("HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\n\r\n");
  EXPECT_EQ(plain.status, 200);
  EXPECT_FALSE(plain.length);
  EXPECT_FALSE(plain.rangeStart);
  EXPECT_EQ(Head("HTTP/1.0 200\r\n\r\n").status, 200);  // no reason phrase
}

TEST(HttpHead, IncompleteOrNotHttp) {
  EXPECT_FALSE(ParseHttpHead("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n"));
  EXPECT_EQ(Head("ICY 200 OK\r\n\r\n").status, 0);
  EXPECT_EQ(Head("HTTP/1.0 2x0 OK\r\n\r\n").status, 0);
  EXPECT_EQ(Head("HTTP/1.0 2000 OK\r\n\r\n").status, 0);
  // A length that is no number, or would overflow, is no length.
  EXPECT_FALSE(Head("HTTP/1.0 200 OK\r\nContent-Length: 12a\r\n\r\n").length);
  EXPECT_FALSE(Head("HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n").length);
  EXPECT_FALSE(Head("HTTP/1.0 200 OK\r\nContent-Length: -3\r\n\r\n").length);
}

TEST(HttpStream, ALiveStreamThatDropsIsFetchedAgainWithoutRange) {
  SourceAddress source = ParseSourceAddress("http://127.0.0.1:8080/udp/239.1.1.1:1234");
  HttpStream stream;
  EXPECT_FALSE(stream.Started());
  EXPECT_EQ(stream.Request(source), "GET /udp/239.1.1.1:1234 HTTP/1.0\r\nHost: 127.0.0.1:8080\r\n"
                                    "User-Agent: Strevo-engine\r\nAccept: */*\r\n\r\n");
  ASSERT_TRUE(stream.Answer(Head("HTTP/1.0 200 OK\r\n\r\n")));
  EXPECT_TRUE(stream.Started());
  EXPECT_EQ(stream.Received(5000), 0u);
  EXPECT_TRUE(stream.Dropped());
  // Live: the next connection asks for the stream as it is now, and all it brings is new.
  EXPECT_EQ(stream.Request(source).find("Range"), std::string::npos);
  ASSERT_TRUE(stream.Answer(Head("HTTP/1.0 200 OK\r\n\r\n")));
  EXPECT_EQ(stream.Received(100), 0u);
  EXPECT_TRUE(stream.Dropped());
}

TEST(HttpStream, ASourceThatNeverAnsweredOrRefusesIsNotAStream) {
  HttpStream stream;
  EXPECT_FALSE(stream.Answer(Head("HTTP/1.0 404 Not Found\r\n\r\n")));
  EXPECT_FALSE(stream.Started());
  EXPECT_FALSE(stream.Dropped());  // never delivered: not fetched again
  EXPECT_FALSE(stream.Answer(Head("HTTP/1.0 301 Moved\r\n\r\n")));
  EXPECT_FALSE(stream.Answer(Head("garbage\r\n\r\n")));
}

TEST(HttpStream, AWholeBodyOfKnownLengthHasEnded) {
  HttpStream stream;
  ASSERT_TRUE(stream.Answer(Head("HTTP/1.0 200 OK\r\nContent-Length: 300\r\n\r\n")));
  stream.Received(200);
  EXPECT_TRUE(stream.Dropped());
  stream.Received(100);
  EXPECT_FALSE(stream.Dropped());
}

TEST(HttpStream, ACutBodyOfKnownLengthGoesOnWhereItWasCut) {
  SourceAddress source = ParseSourceAddress("http://host.test/clip.ts");
  HttpStream stream;
  ASSERT_TRUE(stream.Answer(Head("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n")));
  stream.Received(400);
  ASSERT_TRUE(stream.Dropped());
  EXPECT_EQ(stream.Request(source), "GET /clip.ts HTTP/1.0\r\nHost: host.test\r\nUser-Agent: Strevo-engine\r\n"
                                    "Accept: */*\r\nRange: bytes=400-\r\n\r\n");

  // The server gives the rest: all of it is new.
  HttpStream partial = stream;
  ASSERT_TRUE(partial.Answer(Head("HTTP/1.0 206 Partial\r\nContent-Range: bytes 400-999/1000\r\n\r\n")));
  EXPECT_EQ(partial.Received(600), 0u);
  EXPECT_FALSE(partial.Dropped());

  // A part starting earlier overlaps: the overlap is dropped.
  HttpStream early = stream;
  ASSERT_TRUE(early.Answer(Head("HTTP/1.0 206 Partial\r\nContent-Range: bytes 350-999/1000\r\n\r\n")));
  EXPECT_EQ(early.Received(30), 30u);
  EXPECT_EQ(early.Received(30), 20u);
  EXPECT_EQ(early.Received(590), 0u);
  EXPECT_FALSE(early.Dropped());

  // A part past what is had would leave a hole: refused.
  HttpStream late = stream;
  EXPECT_FALSE(late.Answer(Head("HTTP/1.0 206 Partial\r\nContent-Range: bytes 500-999/1000\r\n\r\n")));

  // The server ignores the range and sends the whole body again: what was had is skipped.
  HttpStream whole = stream;
  ASSERT_TRUE(whole.Answer(Head("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n")));
  EXPECT_EQ(whole.Received(250), 250u);
  EXPECT_EQ(whole.Received(250), 150u);
  EXPECT_EQ(whole.Received(500), 0u);
  EXPECT_FALSE(whole.Dropped());
}

TEST(HttpStream, RetriesSlowDownWhileTheServerStaysAway) {
  EXPECT_EQ(HttpStream::RetryDelayMs(0), 500);
  EXPECT_LT(HttpStream::RetryDelayMs(0), HttpStream::RetryDelayMs(1));
  EXPECT_LT(HttpStream::RetryDelayMs(1), HttpStream::RetryDelayMs(2));
  EXPECT_EQ(HttpStream::RetryDelayMs(50), HttpStream::RetryDelayMs(3));
  EXPECT_LE(HttpStream::RetryDelayMs(1000), 5000);
}

}  // namespace
}  // namespace strevo::engine

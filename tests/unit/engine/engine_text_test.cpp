#include "support/engine_text.h"

#include <gtest/gtest.h>

namespace strevo::engine {
namespace {

TEST(SourceAddress, MulticastFormsListenOnTheGroupAndPort) {
  auto a = ParseSourceAddress("udp://@239.1.1.1:1234");
  EXPECT_EQ(a.kind, SourceKind::Udp);
  EXPECT_EQ(a.host, "239.1.1.1");
  EXPECT_EQ(a.port, 1234);
  auto b = ParseSourceAddress("udp://239.2.2.2:5000");
  EXPECT_EQ(b.kind, SourceKind::Udp);
  EXPECT_EQ(b.host, "239.2.2.2");
  EXPECT_EQ(b.port, 5000);
  auto c = ParseSourceAddress("udp://@:4000");
  EXPECT_EQ(c.kind, SourceKind::Udp);
  EXPECT_EQ(c.host, "");
  EXPECT_EQ(c.port, 4000);
  auto d = ParseSourceAddress("UDP://@239.3.3.3");
  EXPECT_EQ(d.kind, SourceKind::Udp);
  EXPECT_EQ(d.port, 1234);
  EXPECT_EQ(ParseSourceAddress("udp://@239.1.1.1:99999").kind, SourceKind::Unknown);
  EXPECT_EQ(ParseSourceAddress("udp://@239.1.1.1:12x").kind, SourceKind::Unknown);
}

TEST(SourceAddress, HttpFileAndOtherSchemes) {
  auto h = ParseSourceAddress("http://127.0.0.1:8080/udp/239.1.1.1:1234");
  EXPECT_EQ(h.kind, SourceKind::Http);
  EXPECT_EQ(h.host, "127.0.0.1");
  EXPECT_EQ(h.port, 8080);
  EXPECT_EQ(h.query, "/udp/239.1.1.1:1234");
  auto h2 = ParseSourceAddress("http://example.test");
  EXPECT_EQ(h2.port, 80);
  EXPECT_EQ(h2.query, "/");
  EXPECT_EQ(ParseSourceAddress("http://:80/x").kind, SourceKind::Unknown);

  auto f = ParseSourceAddress("file:///C:/Rec/News%20Today.ts");
  EXPECT_EQ(f.kind, SourceKind::File);
  EXPECT_EQ(f.path, "C:/Rec/News Today.ts");
  auto p = ParseSourceAddress("  C:\\Видео\\a.ts ");
  EXPECT_EQ(p.kind, SourceKind::File);
  EXPECT_EQ(p.path, "C:\\Видео\\a.ts");
  EXPECT_EQ(ParseSourceAddress("dshow://").kind, SourceKind::Tuner);
  EXPECT_EQ(ParseSourceAddress("mms://host/x").kind, SourceKind::Unknown);
  EXPECT_EQ(ParseSourceAddress("").kind, SourceKind::Unknown);
}

TEST(RecordChain, BothChainsOfThePlayerAndTheRecorderRecord) {
  auto a = ParseRecordChain("#duplicate{dst=display,dst=std{access=file,mux=ts,url=\"D:/Rec/News-20260101-120000.ts\"}}");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->mux, "ts");
  EXPECT_EQ(a->path, "D:/Rec/News-20260101-120000.ts");
  auto b = ParseRecordChain("#duplicate{dst=std{access=file,mux=ps,url=\"C:\\Rec\\Кино, {ночь}.mpg\"}}");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->mux, "ps");
  EXPECT_EQ(b->path, "C:\\Rec\\Кино, {ночь}.mpg");
  // The 3.x spelling of the destination.
  auto c = ParseRecordChain("#duplicate{dst=display,dst=std{access=file,mux=ts,dst=\"D:/x.ts\"}}");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->path, "D:/x.ts");
}

TEST(RecordChain, AnythingElseRecordsNothing) {
  EXPECT_FALSE(ParseRecordChain(""));
  EXPECT_FALSE(ParseRecordChain("#duplicate{dst=display}"));
  EXPECT_FALSE(ParseRecordChain("#duplicate{dst=std{access=http,mux=ts,url=\":8080\"}}"));
  EXPECT_FALSE(ParseRecordChain("#duplicate{dst=std{access=file,mux=ts,url=\"\"}}"));
  EXPECT_FALSE(ParseRecordChain("#duplicate{dst=std{access=file,mux=ts}}"));
  EXPECT_FALSE(ParseRecordChain("#duplicate{dst=std{access=file,mux=ts,url=\"a.ts\",dst=\"b.ts\"}}"));
  EXPECT_FALSE(ParseRecordChain("#duplicate{dst=std{access=file,mux=ts,url=\"a.ts\"}"));
  EXPECT_FALSE(ParseRecordChain("#transcode{vcodec=mp2v}:std{access=file,mux=ts,url=\"a.ts\"}"));
  EXPECT_FALSE(ParseRecordChain("#duplicate{dst=std{access=file,mux=ts,url=\"a.ts\"},dst=std{access=file,mux=ts,url=\"b.ts\"}}"));
}

TEST(TraceFormat, VariableKindsAndValueTexts) {
  EXPECT_EQ(VariableKind("conf::contrast"), VarKind::Float);
  EXPECT_EQ(VariableKind("gamma"), VarKind::Float);
  EXPECT_EQ(VariableKind("conf::sout"), VarKind::Text);
  EXPECT_EQ(VariableKind("conf::miface-addr"), VarKind::Text);
  EXPECT_EQ(VariableKind("conf::audio-track"), VarKind::IntOrText);
  EXPECT_EQ(VariableKind("conf::hue"), VarKind::Int);
  EXPECT_EQ(VariableKind("drawable"), VarKind::Int);
  EXPECT_EQ(VariableKind("conf::never-heard-of"), VarKind::Int);

  EXPECT_EQ(TraceFloat(1.25f), "1.25");
  EXPECT_EQ(TraceFloat(10.0f), "10");
  EXPECT_EQ(TraceFloat(0.01f), "0.01");
  EXPECT_EQ(TraceFloat(-1.5f), "-1.5");
  EXPECT_EQ(TraceQuote("udp://@239.1.1.1:1234"), "\"udp://@239.1.1.1:1234\"");
  EXPECT_EQ(TraceQuote("a \"b\" c:\\d"), "\"a \\\"b\\\" c:\\\\d\"");
  EXPECT_EQ(TraceQuote("x\ny\x01"), "\"x\\ny\\x01\"");
  EXPECT_EQ(TraceQuote("Первый"), "\"Первый\"");
}

TEST(StatusPicture, LinesAndSnapshotNames) {
  StatusFigures f;
  f.address = "udp://@239.1.1.1:1234";
  f.bytes = 1234567;
  f.bitsPerSecond = 1499600;
  f.elapsedSeconds = 3725;
  f.receiving = true;
  EXPECT_EQ(StatusLines(f), "udp://@239.1.1.1:1234\nReceived: 1234567 bytes\nBit rate: 1500 kbit/s\nTime: 1:02:05\nPlaying");
  f.paused = true;
  EXPECT_NE(StatusLines(f).find("Paused"), std::string::npos);
  EXPECT_EQ(SnapshotFileName(7), "vlcsnap-00007.jpg");
}

}  // namespace
}  // namespace strevo::engine

// Recording as a program stream: ffprobe must read the result as an MPEG
// program stream with the video intact, packs carry the PCR as their clock,
// and unbounded or oversized video packets become valid ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ps_mux.h"
#include "support/ts_clock.h"

namespace strevo::engine {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes Remux(const Bytes& ts, size_t piece) {
  Bytes out;
  ProgramStreamMuxer m([&](const uint8_t* d, size_t n) { out.insert(out.end(), d, d + n); });
  for (size_t i = 0; i < ts.size(); i += piece) m.Push(ts.data() + i, std::min(piece, ts.size() - i));
  m.Finish();
  return out;
}

std::string Capture(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

uint64_t PackScr(const uint8_t* h) {
  uint64_t base = (uint64_t((h[4] >> 3) & 7) << 30) | (uint64_t(h[4] & 3) << 28) | (uint64_t(h[5]) << 20) |
                  (uint64_t(h[6] >> 3) << 15) | (uint64_t(h[6] & 3) << 13) | (uint64_t(h[7]) << 5) | (h[8] >> 3);
  uint64_t ext = (uint64_t(h[8] & 3) << 7) | (h[9] >> 1);
  return base * 300 + ext;
}

TEST(ProgramStream, FfprobeReadsTheRecordingWithEveryFrame) {
  Bytes ts = ReadFile(std::string(STREVO_VIDEO_CLIPS) + "/mpeg2_pal.ts");
  ASSERT_FALSE(ts.empty());
  Bytes ps = Remux(ts, 1316);
  ASSERT_GT(ps.size(), 1000u);
  // Starts with a pack (MPEG-2 marker bits), ends with the end code.
  EXPECT_EQ(ps[3], 0xBA);
  EXPECT_EQ(ps[4] & 0xC4, 0x44);
  EXPECT_EQ(Bytes(ps.end() - 4, ps.end()), (Bytes{0, 0, 1, 0xB9}));
  auto first_pcr = FirstPcr(ts.data(), ts.size(), 0);
  ASSERT_TRUE(first_pcr);
  EXPECT_EQ(PackScr(ps.data()), first_pcr->pcr);

  std::string path = ::testing::TempDir() + "strevo_ps_test.mpg";
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(ps.data()), std::streamsize(ps.size()));
  }
  std::string probe = Capture("ffprobe -v error -count_frames -show_entries format=format_name:stream=codec_name,"
                          "width,height,nb_read_frames -of default=nw=1 '" + path + "'");
  EXPECT_NE(probe.find("format_name=mpeg\n"), std::string::npos) << probe;
  EXPECT_NE(probe.find("codec_name=mpeg2video"), std::string::npos) << probe;
  EXPECT_NE(probe.find("width=720"), std::string::npos) << probe;
  EXPECT_NE(probe.find("nb_read_frames=10"), std::string::npos) << probe;
  std::remove(path.c_str());
}

TEST(ProgramStream, AnUnboundedVideoPacketGetsLengthsThatAddUp) {
  // One transport stream with a PAT, a PMT (video on 0x101, PCR there too) and
  // one video PES of 150000 payload bytes and no length, then the next start.
  auto packet = [](uint16_t pid, bool start, int cc, const Bytes& payload, bool pcr) {
    Bytes p = {0x47, uint8_t((start ? 0x40 : 0) | (pid >> 8)), uint8_t(pid), 0};
    size_t af = pcr ? 8 : 0;
    if (payload.size() + af < 184) af = 184 - payload.size();
    if (af) {
      p[3] = uint8_t(0x30 | cc);
      p.push_back(uint8_t(af - 1));
      if (af > 1) p.push_back(pcr ? 0x10 : 0);
      if (pcr) p.insert(p.end(), {0, 0, 0, 1, 0x7e, 0x05});  // base 2, extension 5
      while (p.size() < 4 + af) p.push_back(0xff);
    } else {
      p[3] = uint8_t(0x10 | cc);
    }
    p.insert(p.end(), payload.begin(), payload.begin() + std::min<size_t>(payload.size(), 188 - p.size()));
    return p;
  };
  Bytes ts;
  auto add = [&](const Bytes& p) { ts.insert(ts.end(), p.begin(), p.end()); };
  add(packet(0, true, 0, {0, 0, 0xB0, 13, 0, 1, 0xC1, 0, 0, 0, 1, 0xE1, 0x00, 0, 0, 0, 0}, false));
  add(packet(0x100, true, 0, {0, 2, 0xB0, 18, 0, 1, 0xC1, 0, 0, 0xE1, 0x01, 0xF0, 0, 0x02, 0xE1, 0x01, 0xF0, 0, 0, 0, 0, 0},
             false));
  Bytes pes = {0, 0, 1, 0xE0, 0, 0, 0x80, 0x80, 5, 0x21, 0, 1, 0, 1};
  for (int i = 0; i < 150000; ++i) pes.push_back(uint8_t(i * 7));
  int cc = 0;
  for (size_t i = 0; i < pes.size(); i += 176) {
    Bytes part(pes.begin() + i, pes.begin() + std::min(pes.size(), i + 176));
    add(packet(0x101, i == 0, cc++ & 15, part, i == 0));
  }
  add(packet(0x101, true, cc & 15, {0, 0, 1, 0xE0, 0, 3, 0x80, 0, 0}, false));

  Bytes ps = Remux(ts, 188);
  EXPECT_EQ(PackScr(ps.data()), 2u * 300 + 5);
  // Walk the packs: each holds one PES packet whose length is right.
  size_t pos = 0, payload = 0, packets = 0;
  while (pos + 4 <= ps.size()) {
    ASSERT_EQ(ps[pos + 2], 1) << pos;
    uint8_t id = ps[pos + 3];
    if (id == 0xBA) {
      pos += 14;
    } else if (id == 0xB9) {
      pos += 4;
    } else {
      size_t len = (size_t(ps[pos + 4]) << 8) | ps[pos + 5];
      ASSERT_GT(len, 0u);
      if (id == 0xE0) {
        payload += len - 3 - ps[pos + 8];
        ++packets;
      }
      pos += 6 + len;
    }
  }
  EXPECT_EQ(pos, ps.size());
  EXPECT_EQ(packets, 4u);  // 150000 bytes in three packets, then the next (empty) one
  EXPECT_EQ(payload, 150000u);
}

TEST(ProgramStream, OnlyPsIsRemuxedAndUnknownMuxesAreFlagged) {
  bool known = false;
  EXPECT_EQ(RecordMuxFor("ps", &known), RecordMux::kProgramStream);
  EXPECT_TRUE(known);
  EXPECT_EQ(RecordMuxFor("ts", &known), RecordMux::kUnchanged);
  EXPECT_TRUE(known);
  EXPECT_EQ(RecordMuxFor("raw", &known), RecordMux::kUnchanged);
  EXPECT_TRUE(known);
  EXPECT_EQ(RecordMuxFor("asf", &known), RecordMux::kUnchanged);
  EXPECT_FALSE(known);
}

}  // namespace
}  // namespace strevo::engine

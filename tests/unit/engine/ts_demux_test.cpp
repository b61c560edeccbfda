// The transport stream demultiplexer on packets built here: tables split over
// packets, PES packets ended by the next start or by their length, holes in the
// continuity counter, lost sync, and pieces cut anywhere.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ts_demux.h"

namespace strevo::engine {
namespace {

using Bytes = std::vector<uint8_t>;

// One packet carrying `payload` (padded by an adaptation field when short).
Bytes Packet(uint16_t pid, bool start, int cc, const Bytes& payload) {
  Bytes p = {0x47, uint8_t((start ? 0x40 : 0) | (pid >> 8)), uint8_t(pid & 0xff), 0};
  size_t room = 184;
  if (payload.size() < room) {
    size_t af = room - payload.size();  // adaptation field bytes including its length byte
    p[3] = uint8_t(0x30 | (cc & 15));
    p.push_back(uint8_t(af - 1));
    if (af > 1) {
      p.push_back(0);
      p.insert(p.end(), af - 2, 0xff);
    }
  } else {
    p[3] = uint8_t(0x10 | (cc & 15));
  }
  p.insert(p.end(), payload.begin(), payload.begin() + std::min(payload.size(), room));
  return p;
}

Bytes Section(uint8_t table, uint16_t id, const Bytes& body) {
  size_t length = 5 + body.size() + 4;
  Bytes s = {table, uint8_t(0xB0 | (length >> 8)), uint8_t(length & 0xff), uint8_t(id >> 8), uint8_t(id & 0xff),
             0xC1, 0, 0};
  s.insert(s.end(), body.begin(), body.end());
  s.insert(s.end(), {0, 0, 0, 0});  // CRC, not checked
  return s;
}

Bytes Pat(uint16_t pmt_pid) { return Section(0, 1, {0, 1, uint8_t(0xE0 | (pmt_pid >> 8)), uint8_t(pmt_pid)}); }

Bytes Pmt(uint16_t pcr_pid, std::vector<std::pair<uint8_t, uint16_t>> streams, size_t info = 0) {
  Bytes body = {uint8_t(0xE0 | (pcr_pid >> 8)), uint8_t(pcr_pid), uint8_t(0xF0 | (info >> 8)), uint8_t(info)};
  body.insert(body.end(), info, 0x55);
  for (auto [type, pid] : streams) body.insert(body.end(), {type, uint8_t(0xE0 | (pid >> 8)), uint8_t(pid), 0xF0, 0});
  return Section(2, 1, body);
}

Bytes Pes(uint8_t id, int64_t pts, const Bytes& data, bool with_length) {
  size_t length = with_length ? 3 + 5 + data.size() : 0;
  Bytes p = {0, 0, 1, id, uint8_t(length >> 8), uint8_t(length), 0x80, 0x80, 5,
             uint8_t(0x21 | ((pts >> 29) & 0x0e)), uint8_t(pts >> 22), uint8_t(((pts >> 14) & 0xfe) | 1),
             uint8_t(pts >> 7), uint8_t(((pts << 1) & 0xfe) | 1)};
  p.insert(p.end(), data.begin(), data.end());
  return p;
}

// A PES packet cut into transport packets.
void AddPes(Bytes& ts, uint16_t pid, int& cc, const Bytes& pes) {
  for (size_t i = 0; i < pes.size(); i += 184) {
    Bytes part(pes.begin() + i, pes.begin() + std::min(pes.size(), i + 184));
    Bytes p = Packet(pid, i == 0, cc++, part);
    ts.insert(ts.end(), p.begin(), p.end());
  }
}

struct Seen {
  std::vector<std::pair<uint16_t, Bytes>> pes;
};

Seen Demux(const Bytes& ts, size_t piece) {
  Seen seen;
  TsDemux d;
  d.on_pes = [&](uint16_t pid, const Bytes& p) { seen.pes.push_back({pid, p}); };
  for (size_t i = 0; i < ts.size(); i += piece) d.Push(ts.data() + i, std::min(piece, ts.size() - i));
  d.Flush();
  return seen;
}

Bytes Stream(bool with_length) {
  Bytes ts, p;
  p = Packet(0, true, 0, [] { Bytes b = {0}; Bytes s = Pat(0x100); b.insert(b.end(), s.begin(), s.end()); return b; }());
  ts.insert(ts.end(), p.begin(), p.end());
  // A PMT with a long descriptor loop, so the section spans two packets.
  Bytes pmt = {0};
  Bytes s = Pmt(0x101, {{0x02, 0x101}, {0x03, 0x102}}, 250);
  pmt.insert(pmt.end(), s.begin(), s.end());
  p = Packet(0x100, true, 0, Bytes(pmt.begin(), pmt.begin() + 184));
  ts.insert(ts.end(), p.begin(), p.end());
  p = Packet(0x100, false, 1, Bytes(pmt.begin() + 184, pmt.end()));
  ts.insert(ts.end(), p.begin(), p.end());
  int vcc = 0, acc = 0;
  AddPes(ts, 0x101, vcc, Pes(0xE0, 900000, Bytes(500, 0x11), with_length));
  AddPes(ts, 0x102, acc, Pes(0xC0, 900100, Bytes(300, 0x22), true));
  AddPes(ts, 0x101, vcc, Pes(0xE0, 903600, Bytes(200, 0x33), with_length));
  return ts;
}

TEST(TsDemux, FindsTheProgramAndDeliversWholePesPacketsHoweverCut) {
  Bytes ts = Stream(false);
  for (size_t piece : {size_t{188}, size_t{1316}, size_t{1}, size_t{187}, size_t{100000}}) {
    Seen s = Demux(ts, piece);
    ASSERT_EQ(s.pes.size(), 3u) << piece;
    // The audio packet has a length and comes out first; video ones end at
    // the next start (or the end of the stream).
    EXPECT_EQ(s.pes[0].first, 0x102);
    EXPECT_EQ(s.pes[1].first, 0x101);
    EXPECT_EQ(s.pes[2].first, 0x101);
    auto h = ParsePesHeader(s.pes[1].second.data(), s.pes[1].second.size());
    ASSERT_TRUE(h && h->pts);
    EXPECT_EQ(*h->pts, 900000);
    EXPECT_EQ(h->payload_offset, 14u);
    // Padding of the last transport packet stays with an unbounded packet.
    EXPECT_GE(s.pes[1].second.size(), 514u);
    EXPECT_EQ(s.pes[1].second[14], 0x11);
  }
  TsDemux d;
  d.Push(ts.data(), ts.size());
  ASSERT_TRUE(d.video());
  EXPECT_EQ(d.video()->pid, 0x101);
  EXPECT_EQ(d.streams().size(), 2u);
}

TEST(TsDemux, PacketsWithALengthEndAtIt) {
  Seen s = Demux(Stream(true), 188);
  ASSERT_EQ(s.pes.size(), 3u);
  EXPECT_EQ(s.pes[0].second.size(), 514u);  // exactly the header and 500 bytes
  EXPECT_EQ(s.pes[0].first, 0x101);
}

TEST(TsDemux, AHoleInTheCounterDropsThePacketAndGarbageIsSkipped) {
  Bytes ts = Stream(false);
  // Remove the second transport packet of the first video PES (a lost packet).
  size_t first_video = 3 * 188;
  Bytes holed(ts.begin(), ts.begin() + first_video + 188);
  holed.insert(holed.end(), ts.begin() + first_video + 2 * 188, ts.end());
  Seen s = Demux(holed, 188);
  for (auto& [pid, pes] : s.pes) EXPECT_FALSE(pid == 0x101 && pes.size() > 14 && pes[14] == 0x11);
  EXPECT_EQ(s.pes.size(), 2u);
  // Garbage before and between packets: sync is found again.
  Bytes noisy = {0x00, 0x47, 0x12};
  noisy.insert(noisy.end(), ts.begin(), ts.begin() + 3 * 188);
  noisy.insert(noisy.end(), {0xde, 0xad});
  noisy.insert(noisy.end(), ts.begin() + 3 * 188, ts.end());
  EXPECT_EQ(Demux(noisy, 64).pes.size(), 3u);
}

TEST(TsDemux, PesHeadersAreCheckedBeforeTheyAreRead) {
  Bytes pes = Pes(0xE0, 0x1FFFFFFFFLL, {1, 2, 3}, true);
  auto h = ParsePesHeader(pes.data(), pes.size());
  ASSERT_TRUE(h && h->pts);
  EXPECT_EQ(*h->pts, 0x1FFFFFFFFLL);  // all 33 bits
  EXPECT_FALSE(ParsePesHeader(pes.data(), 8));
  pes[8] = 200;  // header longer than the packet
  EXPECT_FALSE(ParsePesHeader(pes.data(), pes.size()));
  Bytes padding = {0, 0, 1, 0xBE, 0, 2, 0xff, 0xff};
  auto p = ParsePesHeader(padding.data(), padding.size());
  ASSERT_TRUE(p);
  EXPECT_EQ(p->payload_offset, 6u);
  EXPECT_FALSE(p->pts);
}

}  // namespace
}  // namespace strevo::engine

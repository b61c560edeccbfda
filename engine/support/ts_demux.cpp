#include "support/ts_demux.h"

#include <algorithm>

#include "support/ts_clock.h"

namespace strevo::engine {

namespace {

// A PES packet larger than this is not one we can use (a lost start).
constexpr size_t kMaxPes = 4u << 20;
constexpr size_t kMaxSection = 4096;

int64_t ReadTimestamp(const uint8_t* b) {
  return (int64_t{(b[0] >> 1) & 7} << 30) | (int64_t{b[1]} << 22) | (int64_t{b[2] >> 1} << 15) |
         (int64_t{b[3]} << 7) | (b[4] >> 1);
}

bool HasOptionalHeader(uint8_t id) {
  // Program stream map, padding, private 2, ECM, EMM, directory, DSM-CC, H.222.1 E.
  return id != 0xBC && id != 0xBE && id != 0xBF && id != 0xF0 && id != 0xF1 && id != 0xFF && id != 0xF2 &&
         id != 0xF8;
}

}  // namespace

std::optional<PesHeader> ParsePesHeader(const uint8_t* p, size_t size) {
  if (size < 6 || p[0] != 0 || p[1] != 0 || p[2] != 1 || p[3] < 0xBC) return std::nullopt;
  PesHeader h;
  h.stream_id = p[3];
  if (!HasOptionalHeader(h.stream_id)) {
    h.payload_offset = 6;
    return h;
  }
  if (size < 9 || (p[6] & 0xC0) != 0x80) return std::nullopt;
  h.payload_offset = 9 + size_t{p[8]};
  if (h.payload_offset > size) return std::nullopt;
  int flags = p[7] >> 6;
  if (flags >= 2 && p[8] >= 5) h.pts = ReadTimestamp(p + 9);
  if (flags == 3 && p[8] >= 10) h.dts = ReadTimestamp(p + 14);
  return h;
}

std::optional<ElementaryStream> TsDemux::video() const {
  for (const ElementaryStream& s : streams_)
    if (s.stream_type == 0x01 || s.stream_type == 0x02) return s;
  return std::nullopt;
}

void TsDemux::Push(const uint8_t* data, size_t size) {
  pending_.insert(pending_.end(), data, data + size);
  size_t i = 0, n = pending_.size();
  while (n - i >= kTsPacketSize) {
    if (pending_[i] != 0x47) {
      synced_ = false;
      ++i;
      continue;
    }
    if (!synced_) {
      // A sync byte alone may be payload: the next packet must start with one too.
      if (n - i <= kTsPacketSize) break;
      if (pending_[i + kTsPacketSize] != 0x47) {
        ++i;
        continue;
      }
      synced_ = true;
    }
    Packet(pending_.data() + i);
    i += kTsPacketSize;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(i));
}

void TsDemux::Flush() {
  if (pending_.size() >= kTsPacketSize && pending_[0] == 0x47) Packet(pending_.data());
  pending_.clear();
  for (auto& [pid, st] : pids_)
    if (IsStream(pid)) EndPes(pid, st);
}

bool TsDemux::IsStream(uint16_t pid) const {
  for (const ElementaryStream& s : streams_)
    if (s.pid == pid) return true;
  return false;
}

void TsDemux::Packet(const uint8_t* p) {
  ++packets_;
  if (p[1] & 0x80) return;  // transport error indicator
  uint16_t pid = static_cast<uint16_t>(((p[1] & 0x1f) << 8) | p[2]);
  if (pid == 0x1FFF) return;
  bool start = (p[1] & 0x40) != 0;
  int afc = (p[3] >> 4) & 3;
  int cc = p[3] & 15;
  size_t offset = 4;
  if (afc & 2) {
    offset = 5 + size_t{p[4]};
    if (static_cast<int>(pid) == pcr_pid_ && on_pcr) {
      if (auto pcr = PacketPcr(p)) on_pcr(*pcr);
    }
  }
  if (!(afc & 1) || offset >= kTsPacketSize) return;
  PidState& st = pids_[pid];
  if (st.last_cc >= 0) {
    if (cc == st.last_cc) return;  // a repeated packet
    if (cc != ((st.last_cc + 1) & 15)) {
      ++cc_errors_;
      st.gathering = false;  // what was gathered has a hole: dropped
      st.data.clear();
    }
  }
  st.last_cc = cc;
  const uint8_t* payload = p + offset;
  size_t size = kTsPacketSize - offset;
  if (pid == 0 || static_cast<int>(pid) == pmt_pid_) {
    Section(pid, st, payload, size, start);
  } else if (IsStream(pid)) {
    Pes(pid, st, payload, size, start);
  }
}

void TsDemux::Section(uint16_t pid, PidState& st, const uint8_t* payload, size_t size, bool start) {
  if (start) {
    size_t pointer = payload[0];
    if (1 + pointer >= size) return;
    st.data.assign(payload + 1 + pointer, payload + size);
    st.gathering = true;
  } else if (st.gathering) {
    st.data.insert(st.data.end(), payload, payload + size);
  }
  if (!st.gathering || st.data.size() < 3) return;
  size_t length = 3 + ((static_cast<size_t>(st.data[1] & 0x0f) << 8) | st.data[2]);
  if (length > kMaxSection) {
    st.gathering = false;
    return;
  }
  if (st.data.size() < length) return;
  st.gathering = false;
  std::vector<uint8_t> section(st.data.begin(), st.data.begin() + static_cast<ptrdiff_t>(length));
  Table(pid, section.data(), section.size());
}

void TsDemux::Table(uint16_t pid, const uint8_t* s, size_t size) {
  // Header of 8 bytes and the CRC of 4 around the entries.
  if (size < 12 || !(s[1] & 0x80)) return;
  const uint8_t* end = s + size - 4;
  if (pid == 0 && s[0] == 0x00) {
    for (const uint8_t* e = s + 8; e + 4 <= end; e += 4) {
      int program = (e[0] << 8) | e[1];
      int map_pid = ((e[2] & 0x1f) << 8) | e[3];
      if (program == 0) continue;  // the network table
      if (map_pid != pmt_pid_) {
        pmt_pid_ = map_pid;
        streams_.clear();
      }
      break;
    }
    return;
  }
  if (static_cast<int>(pid) != pmt_pid_ || s[0] != 0x02 || size < 16) return;
  pcr_pid_ = ((s[8] & 0x1f) << 8) | s[9];
  size_t info = (static_cast<size_t>(s[10] & 0x0f) << 8) | s[11];
  const uint8_t* e = s + 12 + info;
  std::vector<ElementaryStream> streams;
  while (e + 5 <= end) {
    ElementaryStream es;
    es.stream_type = e[0];
    es.pid = static_cast<uint16_t>(((e[1] & 0x1f) << 8) | e[2]);
    size_t es_info = (static_cast<size_t>(e[3] & 0x0f) << 8) | e[4];
    streams.push_back(es);
    e += 5 + es_info;
  }
  if (streams.size() != streams_.size() || !std::equal(streams.begin(), streams.end(), streams_.begin(),
                                                        [](const ElementaryStream& a, const ElementaryStream& b) {
                                                          return a.pid == b.pid && a.stream_type == b.stream_type;
                                                        }))
    streams_ = std::move(streams);
}

void TsDemux::Pes(uint16_t pid, PidState& st, const uint8_t* payload, size_t size, bool start) {
  if (start) {
    EndPes(pid, st);
    st.gathering = true;
  }
  if (!st.gathering) return;
  st.data.insert(st.data.end(), payload, payload + size);
  if (st.data.size() > kMaxPes) {
    st.gathering = false;
    st.data.clear();
    return;
  }
  // A packet with a length is complete as soon as that many bytes are in.
  if (st.data.size() >= 6) {
    size_t length = (size_t{st.data[4]} << 8) | st.data[5];
    if (length != 0 && st.data.size() >= 6 + length) {
      st.data.resize(6 + length);
      EndPes(pid, st);
    }
  }
}

void TsDemux::EndPes(uint16_t pid, PidState& st) {
  if (st.gathering && !st.data.empty() && on_pes) on_pes(pid, st.data);
  st.gathering = false;
  st.data.clear();
}

}  // namespace strevo::engine

#include "support/ts_clock.h"

namespace strevo::engine {

std::optional<size_t> FindTsSync(const uint8_t* data, size_t size) {
  for (size_t off = 0; off < kTsPacketSize && off + 2 * kTsPacketSize < size; ++off) {
    if (data[off] == 0x47 && data[off + kTsPacketSize] == 0x47 && data[off + 2 * kTsPacketSize] == 0x47) return off;
  }
  return std::nullopt;
}

std::optional<uint64_t> PacketPcr(const uint8_t* p, uint16_t* pid) {
  if (p[0] != 0x47) return std::nullopt;
  if (pid) *pid = static_cast<uint16_t>(((p[1] & 0x1f) << 8) | p[2]);
  bool adaptation = (p[3] & 0x20) != 0;
  // The adaptation field must be long enough for the flags and the 6-byte PCR.
  if (!adaptation || p[4] < 7 || (p[5] & 0x10) == 0) return std::nullopt;
  uint64_t base = (uint64_t{p[6]} << 25) | (uint64_t{p[7]} << 17) | (uint64_t{p[8]} << 9) |
                  (uint64_t{p[9]} << 1) | (p[10] >> 7);
  uint64_t ext = (uint64_t{p[10] & 1u} << 8) | p[11];
  return base * 300 + ext;
}

std::optional<PcrHit> FirstPcr(const uint8_t* data, size_t size, size_t sync, int pid) {
  for (size_t off = sync; off + kTsPacketSize <= size; off += kTsPacketSize) {
    uint16_t p = 0;
    auto pcr = PacketPcr(data + off, &p);
    if (pcr && (pid < 0 || p == pid)) return PcrHit{*pcr, p, off};
  }
  return std::nullopt;
}

std::optional<PcrHit> LastPcr(const uint8_t* data, size_t size, size_t sync, int pid) {
  if (size < sync + kTsPacketSize) return std::nullopt;
  size_t count = (size - sync) / kTsPacketSize;
  for (size_t i = count; i-- > 0;) {
    size_t off = sync + i * kTsPacketSize;
    uint16_t p = 0;
    auto pcr = PacketPcr(data + off, &p);
    if (pcr && (pid < 0 || p == pid)) return PcrHit{*pcr, p, off};
  }
  return std::nullopt;
}

uint64_t PcrDistance(uint64_t from, uint64_t to) {
  from %= kPcrWrap;
  to %= kPcrWrap;
  return to >= from ? to - from : kPcrWrap - from + to;
}

}  // namespace strevo::engine

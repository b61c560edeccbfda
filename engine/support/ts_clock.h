// The MPEG transport stream clock (PCR) as the stand-in engine uses it: length
// and position of recorded TS files, and the real-time pace of playing them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

namespace strevo::engine {

constexpr size_t kTsPacketSize = 188;
constexpr uint64_t kPcrHz = 27000000;                  // PCR ticks per second
constexpr uint64_t kPcrWrap = (uint64_t{1} << 33) * 300;  // the 33-bit base wraps

// Offset (0..187) of the first packet when the bytes look like a transport
// stream: three sync bytes 188 apart; nullopt otherwise.
std::optional<size_t> FindTsSync(const uint8_t* data, size_t size);

// PCR of one 188-byte packet in 27 MHz ticks, if it carries one.
std::optional<uint64_t> PacketPcr(const uint8_t* packet, uint16_t* pid = nullptr);

struct PcrHit {
  uint64_t pcr = 0;
  uint16_t pid = 0;
  size_t offset = 0;  // of the packet within the buffer
};
// First / last PCR among whole packets starting at `sync`; `pid` < 0 = any PID.
std::optional<PcrHit> FirstPcr(const uint8_t* data, size_t size, size_t sync, int pid = -1);
std::optional<PcrHit> LastPcr(const uint8_t* data, size_t size, size_t sync, int pid = -1);

// Ticks from `from` forward to `to`, across a wrap of the clock.
uint64_t PcrDistance(uint64_t from, uint64_t to);

}  // namespace strevo::engine

// MPEG transport stream demultiplexing: the program tables (PAT, PMT), whole
// PES packets of each elementary stream of the first program, and the
// program clock. Bytes go in in any pieces; damaged or foreign input is
// skipped, never read out of bounds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace strevo::engine {

struct PesHeader {
  uint8_t stream_id = 0;
  size_t payload_offset = 0;  // from the packet's first byte
  std::optional<int64_t> pts;
  std::optional<int64_t> dts;
};
// The header of a PES packet starting at `p`; nullopt when it is not one or is
// cut short.
std::optional<PesHeader> ParsePesHeader(const uint8_t* p, size_t size);

struct ElementaryStream {
  uint16_t pid = 0;
  uint8_t stream_type = 0;
};

class TsDemux {
 public:
  // A complete PES packet of an elementary stream of the program.
  std::function<void(uint16_t pid, const std::vector<uint8_t>& pes)> on_pes;
  // Each program clock reference of the program's PCR PID, 27 MHz.
  std::function<void(uint64_t pcr)> on_pcr;

  void Push(const uint8_t* data, size_t size);
  // Delivers PES packets whose end is only known from the next one.
  void Flush();

  const std::vector<ElementaryStream>& streams() const { return streams_; }
  // The first MPEG-1/MPEG-2 video stream, if the program has one.
  std::optional<ElementaryStream> video() const;
  uint64_t packets() const { return packets_; }
  uint64_t continuity_errors() const { return cc_errors_; }

 private:
  struct PidState {
    int last_cc = -1;
    std::vector<uint8_t> data;  // PES packet or table section being gathered
    bool gathering = false;
  };

  void Packet(const uint8_t* p);
  void Section(uint16_t pid, PidState& st, const uint8_t* payload, size_t size, bool start);
  void Table(uint16_t pid, const uint8_t* s, size_t size);
  void Pes(uint16_t pid, PidState& st, const uint8_t* payload, size_t size, bool start);
  void EndPes(uint16_t pid, PidState& st);
  bool IsStream(uint16_t pid) const;

  std::vector<uint8_t> pending_;  // bytes not yet a whole packet, or not yet in sync
  bool synced_ = false;
  std::map<uint16_t, PidState> pids_;
  int pmt_pid_ = -1;
  int pcr_pid_ = -1;
  std::vector<ElementaryStream> streams_;
  uint64_t packets_ = 0;
  uint64_t cc_errors_ = 0;
};

}  // namespace strevo::engine

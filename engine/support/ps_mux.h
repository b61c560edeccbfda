// Recording a transport stream as an MPEG-2 program stream (".mpg"): every PES
// packet of the program is written in a pack of its own whose clock reference
// (SCR) is the latest program clock reference (PCR). The PES packets keep their
// headers and data; only a video packet of unbounded length (allowed in a
// transport stream, not in a program stream) gets its length written, split
// into several packets when it is longer than a length can say.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "support/ts_demux.h"

namespace strevo::engine {

// How a recording's "mux" is written. Unknown names write the transport
// stream unchanged (the caller says so in its trace).
enum class RecordMux { kUnchanged, kProgramStream };
RecordMux RecordMuxFor(std::string_view mux, bool* known = nullptr);

class ProgramStreamMuxer {
 public:
  using Writer = std::function<void(const uint8_t*, size_t)>;
  explicit ProgramStreamMuxer(Writer write);

  void Push(const uint8_t* data, size_t size);
  // The PES packets still open, then the end code.
  void Finish();

  uint64_t packs() const { return packs_; }

 private:
  void Pes(const std::vector<uint8_t>& pes);
  void PackHeader();
  void SystemHeader();

  Writer write_;
  TsDemux demux_;
  uint64_t scr_ = 0;  // 27 MHz
  bool have_pcr_ = false;
  bool started_ = false;
  bool finished_ = false;
  uint64_t packs_ = 0;
  std::vector<uint8_t> out_;
};

}  // namespace strevo::engine

// Transport stream in, decoded video frames out: the demultiplexer feeding the
// first video stream of the program to the decoder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "support/mpeg_video.h"
#include "support/ts_demux.h"

namespace strevo::engine {

class VideoPipeline {
 public:
  VideoPipeline();
  void Push(const uint8_t* data, size_t size);
  // End of the stream: the frames still held come out.
  void Flush();
  std::optional<VideoFrame> Pop() { return decoder_.Pop(); }

  bool has_video() const { return demux_.video().has_value(); }
  const MpegVideoDecoder& decoder() const { return decoder_; }
  const TsDemux& demux() const { return demux_; }
  // The latest program clock reference, 27 MHz.
  std::optional<uint64_t> pcr() const { return pcr_; }

 private:
  TsDemux demux_;
  MpegVideoDecoder decoder_;
  std::optional<uint64_t> pcr_;
  int video_pid_ = -1;
};

}  // namespace strevo::engine

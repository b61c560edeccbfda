#include "support/video_pipeline.h"

namespace strevo::engine {

VideoPipeline::VideoPipeline() {
  demux_.on_pcr = [this](uint64_t pcr) { pcr_ = pcr; };
  demux_.on_pes = [this](uint16_t pid, const std::vector<uint8_t>& pes) {
    auto video = demux_.video();
    if (!video || video->pid != pid) return;
    if (video_pid_ != pid) {
      // Another programme's video: what was buffered belongs to the old one.
      if (video_pid_ >= 0) decoder_.Reset();
      video_pid_ = pid;
    }
    auto h = ParsePesHeader(pes.data(), pes.size());
    if (!h || h->stream_id < 0xE0 || h->stream_id > 0xEF) return;
    decoder_.Push(pes.data() + h->payload_offset, pes.size() - h->payload_offset, h->pts);
  };
}

void VideoPipeline::Push(const uint8_t* data, size_t size) { demux_.Push(data, size); }

void VideoPipeline::Flush() {
  demux_.Flush();
  decoder_.Flush();
}

}  // namespace strevo::engine

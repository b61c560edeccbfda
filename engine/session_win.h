// One opened source, read on a thread of its own. The API thread and the UI
// thread only read its atomics; it is deleted after its thread has ended and
// its window is gone.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/engine_text.h"
#include "support/ps_mux.h"
#include "support/video_display.h"
#include "support/video_pipeline.h"

namespace strevo::engine {

constexpr int64_t kUdpSilenceMs = 2000;  // a multicast source counts as playing this long after data

// A recording file and, for "ps", the remuxer between the stream and it. A
// source that is a program stream already goes into a "ps" file as it is:
// the remuxer takes transport streams only.
struct Recording {
  std::string path;
  RecordMux mux = RecordMux::kUnchanged;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::unique_ptr<ProgramStreamMuxer> muxer;
  bool sourceKnown = false;  // whether the source was seen to be a transport or a program stream
};

// Decoded frames waiting for their time, and the one on screen. Filled by the
// session thread, taken by the UI thread, under `mu`.
struct FrameQueue {
  struct Due {
    int64_t dueMs;
    std::shared_ptr<const VideoFrame> frame;
  };
  mutable std::mutex mu;
  std::deque<Due> waiting;
  std::shared_ptr<const VideoFrame> shown;
  std::string aspect, crop;  // the picture settings, live
  uint64_t framesShown = 0, framesDropped = 0;
};

struct Session {
  std::string address;
  SourceAddress source;
  std::string iface;
  std::vector<Recording> recordings;
  std::wstring windowClass;
  HWND drawable = nullptr;
  HWND window = nullptr;  // touched on the UI thread only

  std::thread thread;
  std::atomic<bool> stop{false}, paused{false}, opened{false}, ended{false};
  std::atomic<bool> reconnecting{false};  // an HTTP source between a drop and its data again
  std::atomic<uint64_t> bytes{0}, bitsPerSecond{0};
  std::atomic<int64_t> lastDataMs{-1}, startMs{0};
  std::atomic<int64_t> lengthSeconds{0}, timeSeconds{0};
  std::atomic<int64_t> seekSeconds{-1};
  std::atomic<float> rate{1.0f};

  // rate sampling, session thread only
  uint64_t sampleBytes = 0;
  int64_t sampleMs = 0;

  // Video, when there is a window to show it in: decoded on the session thread.
  bool decodeVideo = false;
  std::unique_ptr<VideoPipeline> video;
  StreamClock clock;
  FrameQueue frames;

  bool Live() const;
  bool Playing() const { return Live() && !paused; }

  // Counts the bytes, writes them to every recording and decodes the video.
  void Deliver(const uint8_t* data, size_t n);
  // Updates the bit rate about once a second.
  void SampleRate();
  // Sleeps up to `ms` in short steps; false when asked to stop.
  bool Nap(int ms);
};

// The session thread: opens the recordings, reads the source until it ends
// or is stopped, and marks the session ended.
void RunSession(Session* s);

}  // namespace strevo::engine

// One opened source, read on a thread of its own. The API thread and the UI
// thread only read its atomics; it is deleted after its thread has ended and
// its window is gone.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "support/engine_text.h"

namespace strevo::engine {

constexpr int64_t kUdpSilenceMs = 2000;  // a multicast source counts as playing this long after data

struct Session {
  std::string address;
  SourceAddress source;
  std::string iface;
  std::vector<std::string> recordPaths;
  std::wstring windowClass;
  HWND drawable = nullptr;
  HWND window = nullptr;  // touched on the UI thread only

  std::thread thread;
  std::atomic<bool> stop{false}, paused{false}, opened{false}, ended{false};
  std::atomic<uint64_t> bytes{0}, bitsPerSecond{0};
  std::atomic<int64_t> lastDataMs{-1}, startMs{0};
  std::atomic<int64_t> lengthSeconds{0}, timeSeconds{0};
  std::atomic<int64_t> seekSeconds{-1};
  std::atomic<float> rate{1.0f};

  // rate sampling, session thread only
  uint64_t sampleBytes = 0;
  int64_t sampleMs = 0;
  std::vector<HANDLE> sinks;

  bool Live() const;
  bool Playing() const { return Live() && !paused; }

  // Counts the bytes and writes them to every recording.
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

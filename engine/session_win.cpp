#include "session_win.h"

#include "sources_win.h"
#include "util_win.h"

namespace strevo::engine {

bool Session::Live() const {
  if (!opened || ended || reconnecting) return false;
  if (source.kind == SourceKind::Udp) {
    int64_t last = lastDataMs;
    return last >= 0 && NowMs() - last <= kUdpSilenceMs;
  }
  return true;
}

namespace {

void WriteAll(HANDLE h, const uint8_t* data, size_t n) {
  DWORD written = 0;
  WriteFile(h, data, static_cast<DWORD>(n), &written, nullptr);
}

// Frames wait for their time as long as the stream sends them ahead (its
// multiplexing delay, up to a second or two); more than this means the
// screen cannot keep up, and the oldest go.
constexpr size_t kMaxWaitingFrames = 64;

}  // namespace

void Session::Deliver(const uint8_t* data, size_t n) {
  for (Recording& r : recordings) {
    if (r.muxer) r.muxer->Push(data, n);
    else WriteAll(r.file, data, n);
  }
  bytes += n;
  lastDataMs = NowMs();
  if (!decodeVideo) return;
  if (!video) video = std::make_unique<VideoPipeline>();
  video->Push(data, n);
  int64_t now = NowMs();
  if (auto pcr = video->pcr()) clock.Pcr(*pcr, now);
  while (auto f = video->Pop()) {
    int64_t due = f->pts ? clock.Due(*f->pts, now) : now;
    auto frame = std::make_shared<const VideoFrame>(std::move(*f));
    std::lock_guard<std::mutex> lock(frames.mu);
    frames.waiting.push_back({due, std::move(frame)});
    if (frames.waiting.size() > kMaxWaitingFrames) {
      frames.waiting.pop_front();
      ++frames.framesDropped;
    }
  }
}

void Session::SampleRate() {
  int64_t now = NowMs();
  if (now - sampleMs < 1000) return;
  uint64_t b = bytes;
  bitsPerSecond = (b - sampleBytes) * 8000 / static_cast<uint64_t>(now - sampleMs);
  sampleBytes = b;
  sampleMs = now;
}

bool Session::Nap(int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (stop) return false;
    Sleep(static_cast<DWORD>(ms - waited < 20 ? ms - waited : 20));
  }
  return !stop;
}

namespace {

void OpenSinks(Session& s) {
  std::vector<Recording> open;
  for (Recording& r : s.recordings) {
    r.file = CreateFileW(Widen(r.path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (r.file == INVALID_HANDLE_VALUE) continue;
    if (r.mux == RecordMux::kProgramStream) {
      HANDLE h = r.file;
      r.muxer = std::make_unique<ProgramStreamMuxer>([h](const uint8_t* d, size_t n) { WriteAll(h, d, n); });
    }
    open.push_back(std::move(r));
  }
  s.recordings = std::move(open);
}

void CloseSinks(Session& s) {
  for (Recording& r : s.recordings) {
    if (r.muxer) r.muxer->Finish();
    CloseHandle(r.file);
  }
  s.recordings.clear();
}

}  // namespace

void RunSession(Session* s) {
  s->sampleMs = NowMs();
  OpenSinks(*s);
  switch (s->source.kind) {
    case SourceKind::Udp: RunUdp(*s); break;
    case SourceKind::Http: RunHttp(*s); break;
    case SourceKind::File: RunFile(*s); break;
    default: break;
  }
  CloseSinks(*s);
  s->ended = true;
}

}  // namespace strevo::engine

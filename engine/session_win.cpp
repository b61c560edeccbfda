#include "session_win.h"

#include <optional>

#include "sources_win.h"
#include "support/ts_clock.h"
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

// Where a program stream's first pack header (MPEG-2 or MPEG-1) begins: its
// start code, its marker bits, and the start code of what follows it, so that
// the four bytes of a start code met by chance in other data do not count.
std::optional<size_t> FirstPackHeader(const uint8_t* data, size_t n) {
  auto startCode = [&](size_t i) { return i + 3 < n && data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1; };
  for (size_t i = 0; i + 14 < n; ++i) {
    if (!startCode(i) || data[i + 3] != 0xBA) continue;
    const uint8_t* p = data + i + 4;
    size_t length = 0;
    if ((p[0] & 0xC4) == 0x44 && (p[2] & 0x04) && (p[4] & 0x04) && (p[5] & 0x01) && (p[8] & 0x03) == 0x03)
      length = 14 + (p[9] & 0x07);  // MPEG-2, with its stuffing
    else if ((p[0] & 0xF1) == 0x21 && (p[2] & 0x01) && (p[4] & 0x01) && (p[5] & 0x80) && (p[7] & 0x01))
      length = 12;  // MPEG-1
    if (length && startCode(i + length) && data[i + length + 3] >= 0xB9) return i;
  }
  return std::nullopt;
}

// Frames wait for their time as long as the stream sends them ahead (its
// multiplexing delay, up to a second or two); more than this means the
// screen cannot keep up, and the oldest go.
constexpr size_t kMaxWaitingFrames = 64;

}  // namespace

void Session::Deliver(const uint8_t* data, size_t n) {
  for (Recording& r : recordings) {
    size_t from = 0;
    if (r.muxer && !r.sourceKnown) {
      // Until the bytes show what they are, the remuxer has them; a program
      // stream is written from its first pack on.
      if (FindTsSync(data, n)) {
        r.sourceKnown = true;
      } else if (auto pack = FirstPackHeader(data, n)) {
        r.sourceKnown = true;
        r.muxer.reset();
        from = *pack;
      }
    }
    if (r.muxer) r.muxer->Push(data, n);
    else WriteAll(r.file, data + from, n - from);
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

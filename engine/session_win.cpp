#include "session_win.h"

#include "sources_win.h"
#include "util_win.h"

namespace strevo::engine {

bool Session::Live() const {
  if (!opened || ended) return false;
  if (source.kind == SourceKind::Udp) {
    int64_t last = lastDataMs;
    return last >= 0 && NowMs() - last <= kUdpSilenceMs;
  }
  return true;
}

void Session::Deliver(const uint8_t* data, size_t n) {
  for (HANDLE h : sinks) {
    DWORD written = 0;
    WriteFile(h, data, static_cast<DWORD>(n), &written, nullptr);
  }
  bytes += n;
  lastDataMs = NowMs();
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
  for (const std::string& p : s.recordPaths) {
    HANDLE h = CreateFileW(Widen(p).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) s.sinks.push_back(h);
  }
}

void CloseSinks(Session& s) {
  for (HANDLE h : s.sinks) CloseHandle(h);
  s.sinks.clear();
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

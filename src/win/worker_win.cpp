#include "win/worker_win.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "win/util_win.h"

namespace strevo {

namespace {

// Shared by the asking thread and the worker; the last of them frees it.
struct Handoff {
  std::function<void(const std::atomic<bool>&)> work;
  std::function<void()> ifGivenUp;
  std::atomic<bool> givenUp{false};
  std::atomic<bool> settled{false};  // set by whichever side decides the outcome first
  HANDLE done = nullptr;
  ~Handoff() {
    if (done) CloseHandle(done);
  }
};

}  // namespace

bool RunOnWorkerWhilePumping(std::function<void(const std::atomic<bool>& givenUp)> work,
                             std::function<void()> ifGivenUp, DWORD limitMs, const std::function<void()>& tick,
                             DWORD tickMs) {
  auto h = std::make_shared<Handoff>();
  h->work = std::move(work);
  h->ifGivenUp = std::move(ifGivenUp);
  h->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!h->done) return false;
  try {
    std::thread([h] {
      h->work(h->givenUp);
      if (h->settled.exchange(true) && h->ifGivenUp) h->ifGivenUp();
      SetEvent(h->done);
    }).detach();
  } catch (...) {
    return false;
  }
  const ULONGLONG end = GetTickCount64() + limitMs;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) break;
    const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(end - now, tick ? tickMs : end - now));
    const DWORD r = MsgWaitForMultipleObjectsEx(1, &h->done, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r == WAIT_OBJECT_0) return true;
    if (r == WAIT_OBJECT_0 + 1 && !PumpPendingMessages()) break;
    if (r == WAIT_FAILED) break;
    if (tick) tick();
  }
  h->givenUp = true;
  if (!h->settled.exchange(true)) return false;
  // The work ended just as the wait did: its result stands.
  WaitForSingleObject(h->done, INFINITE);
  return true;
}

}  // namespace strevo

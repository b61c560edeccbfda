// Work that must not hold up a thread's windows: it runs on a worker thread
// while the asking thread keeps processing its messages, for at most a time
// limit.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>

namespace strevo {

// Runs `work` on a new worker thread and waits for it, processing this
// thread's messages meanwhile and calling `tick` about every `tickMs`.
// Returns true when the work ended within `limitMs`. Otherwise (the time is
// up, the thread was asked to quit, or no thread could be started) the caller
// gives up: the work goes on alone, sees `givenUp` set, and `ifGivenUp` then
// runs on the worker after it, to drop what the work made. Exactly one side
// decides the outcome, so the caller may act on the work's results only after
// true. What the work shares with the caller must be jointly owned (captured
// by shared_ptr), since the work may outlive the call.
bool RunOnWorkerWhilePumping(std::function<void(const std::atomic<bool>& givenUp)> work,
                             std::function<void()> ifGivenUp, DWORD limitMs, const std::function<void()>& tick = {},
                             DWORD tickMs = 100);

}  // namespace strevo

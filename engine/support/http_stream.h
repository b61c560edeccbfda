// A live HTTP source across its connections: the request, the answer's head,
// and what to do when a connection ends. A stream whose connection drops is
// fetched again and its bytes go on where they stopped, so a recording keeps
// one file across the drop. A body of known length that arrived whole has
// ended and is not fetched again; a cut one is asked for from where it was
// cut ("Range"), and what a server that ignores that sends again is skipped.
// Portable: the engine's socket loop only moves bytes through it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/engine_text.h"

namespace strevo::engine {

struct HttpHead {
  int status = 0;                  // 0: not an HTTP answer
  std::optional<uint64_t> length;      // Content-Length, when given and readable
  std::optional<uint64_t> rangeStart;  // where a 206's Content-Range starts
  size_t size = 0;                     // bytes of the head, blank line included
};

// The head at the start of `received`; nullopt until its blank line is there.
std::optional<HttpHead> ParseHttpHead(std::string_view received);

class HttpStream {
 public:
  // The request of the next connection: HTTP/1.0, so the body comes
  // unchunked and ends with the connection.
  std::string Request(const SourceAddress& source) const;

  // A new connection's head. False when it is no stream to read (not 2xx).
  bool Answer(const HttpHead& head);

  // `n` body bytes have arrived; returns how many at their start were had
  // before and are to be dropped (a restarted body), the rest being new.
  size_t Received(size_t n);

  // The connection has ended. True when the stream is to be fetched again:
  // it delivered once and has not arrived whole.
  bool Dropped() const;

  bool Started() const { return started_; }
  // Delay before reconnecting after `failures` connections in a row that
  // brought nothing: quick after a drop, slower while the server stays away.
  static int RetryDelayMs(int failures);

 private:
  bool started_ = false;
  std::optional<uint64_t> length_;  // of the whole body, from the first answer
  uint64_t had_ = 0;                // body bytes delivered so far (of a known length: the offset)
  uint64_t skip_ = 0;               // of this connection's body, already had
};

}  // namespace strevo::engine

// libFuzzer target: the engine's HTTP source and recording chain from any
// bytes. The first line is an address and a chain; the rest is what servers
// answer, connection after connection (split at each "\0\0").

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/engine_text.h"
#include "support/http_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t nl = bytes.find('\n');
  const std::string_view first = bytes.substr(0, nl);
  bytes = nl == std::string_view::npos ? std::string_view() : bytes.substr(nl + 1);
  const strevo::engine::SourceAddress source = strevo::engine::ParseSourceAddress(first);
  if (auto target = strevo::engine::ParseRecordChain(first); target && target->path.empty() && target->mux.empty())
    __builtin_trap();
  strevo::engine::HttpStream stream;
  for (int connection = 0; connection < 64 && !bytes.empty(); ++connection) {
    const size_t cut = bytes.find(std::string_view("\0\0", 2));
    std::string_view answer = bytes.substr(0, cut);
    bytes = cut == std::string_view::npos ? std::string_view() : bytes.substr(cut + 2);
    const std::string request = stream.Request(source);
    if (request.find("\r\n\r\n") == std::string::npos) __builtin_trap();
    const auto head = strevo::engine::ParseHttpHead(answer);
    if (!head) continue;
    if (head->size > answer.size()) __builtin_trap();
    if (!stream.Answer(*head)) continue;
    const size_t body = answer.size() - head->size;
    if (stream.Received(body) > body) __builtin_trap();
    if (!stream.Dropped()) break;
  }
  strevo::engine::HttpStream::RetryDelayMs(static_cast<int>(size));
  return 0;
}

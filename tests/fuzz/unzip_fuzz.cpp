// libFuzzer target: ZipExtractAll over an archive held in memory, writing
// into a memory file system that only counts the output.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "unzip/zip.h"
#include "unzip/zip_memory_host.h"

namespace {

// Time stands still, so the busy mark never goes stale between runs.
class FixedClock : public strevo::ZipClock {
 public:
  uint64_t NowMs() override { return 1000; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  strevo::MemoryZipHost host(/*keep_contents=*/false);
  host.AddArchive("in.zip", std::string_view(reinterpret_cast<const char*>(data), size));
  FixedClock clock;
  strevo::ZipEnv env;
  env.host = &host;
  env.clock = &clock;
  uint64_t reported = 0;
  const int result = strevo::ZipExtractAll(
      "in.zip", "out", "*.*",
      [&](int32_t code, const strevo::TReportRec&) {
        if (code > 0) reported += static_cast<uint64_t>(code);
      },
      nullptr, env);
  // Every written byte was reported, and nothing was written for a
  // file that is not an archive.
  if (reported != host.bytes_written()) __builtin_trap();
  if (result == strevo::kZipNotArchive && host.bytes_written() != 0) __builtin_trap();
  return 0;
}

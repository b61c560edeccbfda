// Measures extraction speed: unpacks every entry of an archive into a
// memory file system that only counts bytes (CRC checks included), a few
// times, and prints the best rate in MB/s of uncompressed output.
// Usage: unzip_bench ARCHIVE [runs]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "unzip/zip.h"
#include "unzip/zip_memory_host.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: unzip_bench ARCHIVE [runs]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::ifstream in(argv[1], std::ios::binary);
  const std::string archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (archive.empty()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  double best = 0;
  uint64_t bytes = 0;
  for (int i = 0; i < runs; ++i) {
    strevo::MemoryZipHost host(/*keep_contents=*/false);
    host.AddArchive("bench.zip", archive);
    strevo::ZipEnv env;
    env.host = &host;
    const auto start = std::chrono::steady_clock::now();
    const int r = strevo::ZipExtractAll("bench.zip", "out", "*.*", nullptr, nullptr, env);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r <= 0) {
      std::fprintf(stderr, "extraction failed: %d\n", r);
      return 1;
    }
    bytes = host.bytes_written();
    best = std::max(best, static_cast<double>(bytes) / 1e6 / secs);
  }
  std::printf("%.1f MB/s (%llu bytes, best of %d)\n", best, static_cast<unsigned long long>(bytes), runs);
  return 0;
}

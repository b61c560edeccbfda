// Decoding speed of the engine's video path: a transport stream file decoded
// whole, several times; prints frames per second and the multiple of real time.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/video_pipeline.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: video_bench FILE.ts [rounds]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> ts((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  double best = 1e9;
  size_t frames = 0;
  double rate = 25;
  int width = 0, height = 0;
  for (int r = 0; r < rounds; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    strevo::engine::VideoPipeline p;
    frames = 0;
    for (size_t i = 0; i < ts.size(); i += 1316) {
      p.Push(ts.data() + i, std::min<size_t>(1316, ts.size() - i));
      while (auto f = p.Pop()) ++frames, width = f->width, height = f->height;
    }
    p.Flush();
    while (p.Pop()) ++frames;
    if (auto* s = p.decoder().sequence()) rate = strevo::engine::FrameRate(*s);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  double fps = frames / best;
  std::printf("%dx%d, %zu frames in %.3f s: %.1f frames/s, %.2fx real time\n", width, height, frames, best, fps,
              fps / rate);
  return frames ? 0 : 1;
}

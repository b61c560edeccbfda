// Times the guide look-ups of a large guide: 1 000 channels of 7 days each
// (about 200 000 programmes). "first read" is the first caption refresh of
// every channel, which reads every JTV pair; "refresh" is the next one,
// answered from the cache. Usage: guide_bench FOLDER (the pairs are made there).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "guide/guide_display.h"

#ifdef _WIN32
#include <windows.h>

#include "guide/guide_files_win.h"
#include "win/util_win.h"
using BenchFiles = strevo::WinGuideFiles;
#else
class BenchFiles : public strevo::GuideFiles {
 public:
  bool Exists(const std::string& path) override { return std::filesystem::is_regular_file(Native(path)); }
  bool Read(const std::string& path, size_t limit, std::string& bytes) override {
    std::ifstream in(Native(path), std::ios::binary);
    if (!in) return false;
    bytes.resize(limit);
    in.read(bytes.data(), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return true;
  }

 private:
  static std::string Native(std::string p) {
    for (char& c : p)
      if (c == '\\') c = '/';
    return p;
  }
};
#endif

namespace {

constexpr int kChannels = 1000, kDays = 7, kPerDay = 28;

void Put(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const strevo::DateTime start = strevo::EncodeDate(2026, 12, 6);
  const double epoch = strevo::EncodeDate(1601, 1, 1);
  std::vector<std::string> titles{"Файл или поток"}, mrls{"?"};
  strevo::ConfigList config{"?Globals|"};
  size_t programmes = 0;
  for (int c = 0; c < kChannels; ++c) {
    const std::string name = "ch" + std::to_string(c);
    std::string ndx, pdt = "JTV 3.x TV Program Data\n\n\n";
    const int count = kDays * kPerDay;
    Put(ndx, count, 2);
    for (int k = 0; k < count; ++k) {
      const double at = start + k * (24.0 / kPerDay) / 24.0;
      Put(ndx, 0, 2);
      Put(ndx, static_cast<uint64_t>((at - epoch) * 86400.0 + 0.5) * 10000000ULL, 8);
      Put(ndx, pdt.size(), 2);
      const std::string text = "Programme " + std::to_string(k) + " of channel " + name + "\\nwith a second line";
      Put(pdt, text.size(), 2);
      pdt += text;
    }
    programmes += static_cast<size_t>(count);
    std::ofstream(folder / (name + ".ndx"), std::ios::binary) << ndx;
    std::ofstream(folder / (name + ".pdt"), std::ios::binary) << pdt;
    titles.push_back("Channel " + std::to_string(c));
    mrls.push_back("udp://@239.1." + std::to_string(c / 250) + "." + std::to_string(c % 250) + ":1234");
    config.push_back(mrls.back() + "|0|100|100|0|100|100|0|None|0||||||" + name + "|0|1|0|");
  }

  std::string base = folder.string();
#ifdef _WIN32
  base = strevo::Narrow(std::filesystem::absolute(folder).wstring());
  // Unify the separators the way the player writes them.
  for (char& ch : base)
    if (ch == '/') ch = '\\';
#endif
  BenchFiles files;
  strevo::GuideCache cache;
  strevo::GuideContext ctx{titles, mrls, 1, config, base + "\\", cache, files, 1251,
                           start + 3.5 + 19.5 / 24, "Обновить телепрограмму"};
  auto refresh = [&] {
    size_t shown = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (size_t k = 1; k < titles.size(); ++k)
      shown += !strevo::GuideNowText(ctx, titles[k], strevo::GuideTextMode::Summary).empty();
    return std::make_pair(Ms(std::chrono::steady_clock::now() - t0), shown);
  };
  const auto first = refresh();
  const auto second = refresh();
  std::printf("%d channels, %zu programmes\n", kChannels, programmes);
  std::printf("first read of every guide: %.1f ms (%zu captions with a programme)\n", first.first, first.second);
  std::printf("refresh of every caption:  %.1f ms (%zu captions with a programme)\n", second.first, second.second);
  return first.second == static_cast<size_t>(kChannels) && second.second == first.second ? 0 : 1;
}

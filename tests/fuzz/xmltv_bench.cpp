// Times reading a large XMLTV guide: 2 000 channels of 7 days (about 50 MB),
// parsed and matched against a channel list of 2 000 channels (a third by
// tvg-id, a third by tvg-name, a third by title). Prints the file's size, the
// time from reading the file to the matched lists and the peak memory.
// Usage: xmltv_bench FILE (the guide is written there first; the writing is
// not timed). On Windows the zone comes from the system's rules, as in the
// player.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "guide/xmltv.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>

#include "guide/guide_files_win.h"
#else
#include <sys/resource.h>
#endif

namespace {

constexpr int kChannels = 2000, kDays = 7, kPerDay = 24;

double PeakMegabytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.PeakPagefileUsage > counters.PeakWorkingSetSize ? counters.PeakPagefileUsage
                                                                                     : counters.PeakWorkingSetSize) /
         (1 << 20);
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;
#endif
}

std::string Two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

void WriteGuide(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  std::string chunk = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n<tv>\n";
  for (int c = 0; c < kChannels; ++c)
    chunk += "  <channel id=\"ch" + std::to_string(c) + ".example\"><display-name lang=\"ru\">Канал номер " +
             std::to_string(c) + "</display-name><icon src=\"http://logos.example/" + std::to_string(c) +
             ".png\"/></channel>\n";
  out << chunk;
  for (int c = 0; c < kChannels; ++c) {
    chunk.clear();
    for (int d = 0; d < kDays; ++d)
      for (int h = 0; h < kPerDay; ++h) {
        const std::string day = "202612" + Two(7 + d);
        const std::string next = h + 1 < 24 ? day + Two(h + 1) : "202612" + Two(8 + d) + "00";
        chunk += "  <programme start=\"" + day + Two(h) + "0000 +0300\" stop=\"" + next +
                 "0000 +0300\" channel=\"ch" + std::to_string(c) + ".example\">\n    <title lang=\"ru\">Передача " +
                 std::to_string(h) + " &amp; новости дня</title>\n    <desc lang=\"ru\">Описание передачи: " +
                 "ведущие, гости и сюжеты этого часа.</desc>\n  </programme>\n";
      }
    out << chunk;
  }
  out << "</tv>\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: xmltv_bench FILE\n");
    return 2;
  }
  const std::string path = argv[1];
  WriteGuide(path);

  const auto t0 = std::chrono::steady_clock::now();
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  strevo::XmltvGuide guide;
#ifdef _WIN32
  const strevo::LocalOffsetAt zone = strevo::LocalOffsetMinutesAt;
#else
  const strevo::LocalOffsetAt zone = [](strevo::DateTime) { return 180; };
#endif
  const strevo::XmltvStatus status = strevo::ParseXmltv(bytes, zone, guide);
  std::vector<strevo::XmltvListChannel> list;
  for (int c = 0; c < kChannels; ++c) {
    const std::string n = std::to_string(c);
    if (c % 3 == 0) list.push_back({"Title " + n, "CH" + n + ".EXAMPLE", "", ""});
    else if (c % 3 == 1) list.push_back({"Title " + n, "", "КАНАЛ НОМЕР " + n, ""});
    else list.push_back({"канал номер " + n, "", "", ""});
  }
  const std::vector<int> matched = strevo::MatchXmltvChannels(guide, list);
  size_t lists = 0, programmes = 0;
  for (size_t i = 0; i < matched.size(); ++i) {
    if (matched[i] < 0) continue;
    const strevo::GuideAnswer answer =
        strevo::XmltvProgrammeList(guide.channels[static_cast<size_t>(matched[i])], list[i].title, 0);
    ++lists;
    programmes += answer->items.size() - 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("file: %.1f MB, %zu channels, %zu programmes, status %d\n", static_cast<double>(bytes.size()) / (1 << 20),
              guide.channels.size(), guide.programmeCount, static_cast<int>(status));
  std::printf("matched: %zu of %d channels, %zu programmes in their lists\n", lists, kChannels, programmes);
  std::printf("read, parsed and matched: %.2f s; peak memory %.0f MB\n", seconds, PeakMegabytes());
  const bool ok = status == strevo::XmltvStatus::Ok && lists == static_cast<size_t>(kChannels);
  return ok ? 0 : 1;
}

// libFuzzer target: an XMLTV guide from any bytes, packed with gzip or xz or
// not, read whole and in pieces (which must agree), then matched against a
// small channel list.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "unzip/gzip.h"
#include "unzip/xz.h"
#include "guide/xmltv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string unpacked;
  if (strevo::IsGzip(bytes)) {
    const strevo::GunzipStatus status = strevo::Gunzip(bytes, 1 << 20, unpacked);
    if (unpacked.size() > (1 << 20)) __builtin_trap();
    if (status != strevo::GunzipStatus::Ok) return 0;
    bytes = unpacked;
  } else if (strevo::IsXz(bytes)) {
    const strevo::UnxzStatus status = strevo::Unxz(bytes, 1 << 20, unpacked);
    if (unpacked.size() > (1 << 20)) __builtin_trap();
    if (status != strevo::UnxzStatus::Ok) return 0;
    bytes = unpacked;
  }
  strevo::XmltvGuide guide;
  const strevo::LocalOffsetAt zone = [](strevo::DateTime) { return 180; };
  const strevo::XmltvStatus status = strevo::ParseXmltv(bytes, zone, guide);
  // Streamed in pieces of a size the input picks, the same guide or fault.
  {
    const size_t piece = 1 + (size ? data[size - 1] % 61 : 0);
    strevo::XmltvStream stream(zone);
    for (size_t at = 0; at < bytes.size(); at += piece) stream.Feed(bytes.substr(at, piece));
    strevo::XmltvGuide streamed;
    if (stream.Finish(streamed) != status || streamed.programmeCount != guide.programmeCount ||
        streamed.unreadableTimes != guide.unreadableTimes || streamed.channels.size() != guide.channels.size())
      __builtin_trap();
    for (size_t i = 0; i < guide.channels.size(); ++i) {
      const strevo::XmltvChannel &a = guide.channels[i], &b = streamed.channels[i];
      if (a.id != b.id || a.names != b.names || a.programmes.size() != b.programmes.size()) __builtin_trap();
      for (size_t k = 0; k < a.programmes.size(); ++k)
        if (a.programmes[k].text != b.programmes[k].text || a.programmes[k].start != b.programmes[k].start)
          __builtin_trap();
    }
  }
  if (status != strevo::XmltvStatus::Ok) {
    if (!guide.channels.empty() || guide.programmeCount != 0) __builtin_trap();
    return 0;
  }
  size_t programmes = 0;
  for (const strevo::XmltvChannel& c : guide.channels) {
    for (size_t k = 0; k < c.programmes.size(); ++k) {
      if (c.programmes[k].text.size() > strevo::kGuideTextMax) __builtin_trap();
      if (k > 0 && c.programmes[k].start < c.programmes[k - 1].start) __builtin_trap();
      if (!c.programmes[k].text.empty()) ++programmes;
    }
    if (c.programmes.size() > 2 * guide.programmeCount + 1) __builtin_trap();
  }
  if (programmes > guide.programmeCount) __builtin_trap();
  std::vector<strevo::XmltvListChannel> list;
  for (const strevo::XmltvChannel& c : guide.channels) {
    list.push_back({c.names.empty() ? std::string() : c.names[0], "", "", ""});
    list.push_back({"", c.id, "", ""});
  }
  // Read for half of that list: every channel as before, and of the
  // programmes only some of the whole reading's, none changed.
  {
    std::vector<strevo::XmltvListChannel> half;
    for (size_t i = 0; i < list.size(); i += 3) half.push_back(list[i]);
    strevo::XmltvStream stream(zone, &half);
    stream.Feed(bytes);
    strevo::XmltvGuide kept;
    if (stream.Finish(kept) != strevo::XmltvStatus::Ok || kept.channels.size() != guide.channels.size() ||
        kept.programmeCount > guide.programmeCount)
      __builtin_trap();
    for (size_t i = 0; i < guide.channels.size(); ++i) {
      if (kept.channels[i].id != guide.channels[i].id || kept.channels[i].names != guide.channels[i].names)
        __builtin_trap();
      std::vector<std::pair<double, std::string>> all, some;
      for (const strevo::GuideProgramme& p : guide.channels[i].programmes)
        if (!p.text.empty()) all.emplace_back(p.start, p.text);
      for (const strevo::GuideProgramme& p : kept.channels[i].programmes)
        if (!p.text.empty()) some.emplace_back(p.start, p.text);
      std::sort(all.begin(), all.end());
      std::sort(some.begin(), some.end());
      if (!std::includes(all.begin(), all.end(), some.begin(), some.end())) __builtin_trap();
    }
  }
  const std::vector<int> matched = strevo::MatchXmltvChannels(guide, list);
  if (matched.size() != list.size()) __builtin_trap();
  for (size_t i = 0; i < matched.size(); ++i) {
    // Every channel finds a guide channel by its own id.
    if (i % 2 == 1 && matched[i] < 0) __builtin_trap();
    if (matched[i] >= static_cast<int>(guide.channels.size())) __builtin_trap();
  }
  return 0;
}

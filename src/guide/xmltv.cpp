#include "guide/xmltv.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "base/codepage.h"
#include "base/text_helpers.h"
#include "base/xml_reader.h"

namespace strevo {
namespace {

constexpr double kMinutesPerDay = 24.0 * 60.0;

bool Digits(std::string_view text, size_t at, size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// "+0300", "-05:00", "+03", "Z", "UTC", "GMT" -> minutes east of UTC.
bool ZoneOffset(std::string_view zone, int& minutes) {
  if (zone == "Z" || zone == "UTC" || zone == "GMT") {
    minutes = 0;
    return true;
  }
  if (zone.size() < 3 || (zone[0] != '+' && zone[0] != '-')) return false;
  const int sign = zone[0] == '-' ? -1 : 1;
  std::string compact;
  for (char c : zone.substr(1))
    if (c != ':') compact += c;
  int hours = 0, mins = 0;
  if (compact.size() == 2) {
    if (!Digits(compact, 0, 2, hours)) return false;
  } else if (compact.size() != 4 || !Digits(compact, 0, 2, hours) || !Digits(compact, 2, 2, mins)) {
    return false;
  }
  if (hours > 14 || mins > 59) return false;
  minutes = sign * (hours * 60 + mins);
  return true;
}

// Blanks and line breaks inside a title become single blanks: a display
// line has no room for a feed's layout.
std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool blank = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

// Cut to the limit at a character boundary.
std::string CutText(std::string text) {
  if (text.size() <= kGuideTextMax) return text;
  size_t end = kGuideTextMax;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

// The document as UTF-8: `bytes` themselves, or their conversion in `converted`.
std::string_view AsUtf8Document(std::string_view bytes, std::string& converted) {
  if (bytes.starts_with("\xFF\xFE")) return converted = Utf16ToUtf8(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return converted = Utf16ToUtf8(bytes.substr(2), true);
  const std::string encoding = XmlDeclaredEncoding(bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes);
  if (encoding == "windows-1251" || encoding == "cp1251" || encoding == "x-cp1251")
    return converted = CodePageToUtf8(bytes, 1251);
  // 1252 differs from ISO-8859-1 only in control characters a title never holds.
  if (encoding == "iso-8859-1" || encoding == "latin1" || encoding == "windows-1252")
    return converted = CodePageToUtf8(bytes, 1252);
  return bytes;
}

struct ReadProgramme {
  DateTime start = 0;
  DateTime stop = 0;
  bool hasStop = false;
  std::string text;
};

// Sorted by start, with markers at stops that no programme follows at once.
std::vector<GuideProgramme> WithStopMarkers(std::vector<ReadProgramme> read) {
  std::stable_sort(read.begin(), read.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
  std::vector<GuideProgramme> out;
  out.reserve(read.size() + 1);
  // Half a second: times are whole seconds, and the values carry rounding.
  constexpr double kSlack = 0.5 / 86400.0;
  for (size_t k = 0; k < read.size(); ++k) {
    out.push_back({std::move(read[k].text), read[k].start});
    if (!read[k].hasStop || read[k].stop <= read[k].start) continue;
    const bool last = k + 1 == read.size();
    if (last || read[k + 1].start > read[k].stop + kSlack) out.push_back({std::string(), read[k].stop});
  }
  return out;
}

// The text of the element just started, up to its end; nested elements' text
// is left out. False when the document breaks.
bool ElementText(XmlReader& xml, std::string& text) {
  const size_t depth = xml.Depth();
  for (;;) {
    switch (xml.Next()) {
      case XmlNode::Text:
        if (xml.Depth() == depth) text += xml.Text();
        break;
      case XmlNode::EndElement:
        if (xml.Depth() < depth) return true;
        break;
      case XmlNode::StartElement: break;
      case XmlNode::End:
      case XmlNode::Error: return false;
    }
  }
}

}  // namespace

bool LooksLikeXmltv(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return bytes.size() >= 4 && (bytes[2] == '<' || bytes[3] == '<');
  const size_t first = bytes.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return false;
  bytes.remove_prefix(first);
  return bytes.starts_with("<?xml") || bytes.starts_with("<tv") || bytes.starts_with("<!");
}

bool ParseXmltvTime(std::string_view text, const LocalOffsetAt& localOffset, DateTime& local) {
  DateTimeParts p;
  if (!Digits(text, 0, 4, p.year) || !Digits(text, 4, 2, p.month) || !Digits(text, 6, 2, p.day) ||
      !Digits(text, 8, 2, p.hour) || !Digits(text, 10, 2, p.minute))
    return false;
  size_t at = 12;
  if (Digits(text, 12, 2, p.second)) at = 14;
  if (p.year < 1 || p.month < 1 || p.month > 12 || p.day < 1 || p.day > DaysInMonth(p.year, p.month) ||
      p.hour > 23 || p.minute > 59 || p.second > 59)
    return false;
  std::string_view zone = text.substr(at);
  while (!zone.empty() && (zone.front() == ' ' || zone.front() == '\t')) zone.remove_prefix(1);
  while (!zone.empty() && (zone.back() == ' ' || zone.back() == '\t')) zone.remove_suffix(1);
  int offset = 0;
  if (!zone.empty() && !ZoneOffset(zone, offset)) return false;
  const DateTime utc = EncodeDateTime(p) - offset / kMinutesPerDay;
  local = utc + (localOffset ? localOffset(utc) : 0) / kMinutesPerDay;
  return true;
}

namespace {

XmltvStatus ReadXmltv(std::string_view bytes, const LocalOffsetAt& localOffset, XmltvGuide& guide) {
  if (!LooksLikeXmltv(bytes)) return XmltvStatus::NotXmltv;
  std::string converted;
  XmlReader xml(AsUtf8Document(bytes, converted));
  XmlNode node = xml.Next();
  if (node == XmlNode::Error) return XmltvStatus::Malformed;
  if (node != XmlNode::StartElement || xml.Name() != "tv") return XmltvStatus::NotXmltv;

  std::unordered_map<std::string, size_t> byId;
  std::vector<std::vector<ReadProgramme>> read;
  auto channelOf = [&](const std::string& id) {
    if (auto it = byId.find(id); it != byId.end()) return it->second;
    byId.emplace(id, guide.channels.size());
    guide.channels.push_back({id, {}, {}});
    read.emplace_back();
    return guide.channels.size() - 1;
  };

  for (;;) {
    node = xml.Next();
    if (node == XmlNode::End) break;
    if (node == XmlNode::Error) return XmltvStatus::Malformed;
    if (node != XmlNode::StartElement || xml.Depth() != 2) continue;
    const size_t depth = xml.Depth();
    if (xml.Name() == "channel") {
      const std::string* id = xml.Attribute("id");
      XmltvChannel* channel = id && !id->empty() ? &guide.channels[channelOf(*id)] : nullptr;
      while ((node = xml.Next()) != XmlNode::EndElement || xml.Depth() >= depth) {
        if (node == XmlNode::End || node == XmlNode::Error) return XmltvStatus::Malformed;
        if (node != XmlNode::StartElement || xml.Name() != "display-name") continue;
        std::string name;
        if (!ElementText(xml, name)) return XmltvStatus::Malformed;
        name = OneLine(name);
        if (channel && !name.empty()) channel->names.push_back(std::move(name));
      }
    } else if (xml.Name() == "programme") {
      const std::string* id = xml.Attribute("channel");
      const std::string* start = xml.Attribute("start");
      const std::string* stop = xml.Attribute("stop");
      ReadProgramme p;
      bool usable = id && !id->empty() && start && ParseXmltvTime(*start, localOffset, p.start);
      p.hasStop = stop && ParseXmltvTime(*stop, localOffset, p.stop);
      const std::string channelId = id ? *id : std::string();
      bool titled = false;
      while ((node = xml.Next()) != XmlNode::EndElement || xml.Depth() >= depth) {
        if (node == XmlNode::End || node == XmlNode::Error) return XmltvStatus::Malformed;
        if (node != XmlNode::StartElement || xml.Name() != "title") continue;
        std::string title;
        if (!ElementText(xml, title)) return XmltvStatus::Malformed;
        if (!titled) p.text = CutText(OneLine(title));  // the first title; others are translations
        titled = true;
      }
      if (usable) {
        read[channelOf(channelId)].push_back(std::move(p));
        ++guide.programmeCount;
      }
    }
  }
  for (size_t i = 0; i < guide.channels.size(); ++i) guide.channels[i].programmes = WithStopMarkers(std::move(read[i]));
  return XmltvStatus::Ok;
}

}  // namespace

XmltvStatus ParseXmltv(std::string_view bytes, const LocalOffsetAt& localOffset, XmltvGuide& guide) {
  guide = XmltvGuide();
  // The zone is asked once per minute of the guide: a week holds ten thousand
  // minutes against hundreds of thousands of times, and asking the system
  // costs more than reading a programme.
  std::unordered_map<long long, int> minutes;
  LocalOffsetAt memo;
  if (localOffset) {
    memo = [&](DateTime utc) {
      const long long minute = static_cast<long long>(std::floor(std::round(utc * 86400.0) / 60.0));
      auto [it, added] = minutes.try_emplace(minute, 0);
      if (added) it->second = localOffset(utc);
      return it->second;
    };
  }
  const XmltvStatus status = ReadXmltv(bytes, memo, guide);
  if (status != XmltvStatus::Ok) guide = XmltvGuide();
  return status;
}

std::vector<int> MatchXmltvChannels(const XmltvGuide& guide, const std::vector<XmltvListChannel>& list) {
  std::unordered_map<std::string, int> ids, names;
  for (size_t i = 0; i < guide.channels.size(); ++i) {
    ids.emplace(FoldCase(guide.channels[i].id), static_cast<int>(i));
    for (const std::string& name : guide.channels[i].names) names.emplace(FoldCase(name), static_cast<int>(i));
  }
  auto find = [](const std::unordered_map<std::string, int>& map, const std::string& key) {
    if (key.empty()) return -1;
    auto it = map.find(FoldCase(key));
    return it == map.end() ? -1 : it->second;
  };
  std::vector<int> matched;
  matched.reserve(list.size());
  for (const XmltvListChannel& c : list) {
    int m = find(ids, c.overrideName);
    if (m < 0) m = find(names, c.overrideName);
    if (m < 0) m = find(ids, c.tvgId);
    if (m < 0) m = find(names, c.tvgName);
    if (m < 0) m = find(names, c.title);
    matched.push_back(m);
  }
  return matched;
}

std::vector<GuideAnswer> XmltvListGuides(const XmltvGuide& guide, const std::vector<XmltvListChannel>& list) {
  const std::vector<int> matched = MatchXmltvChannels(guide, list);
  std::vector<GuideAnswer> answers(list.size());
  for (size_t i = 0; i < list.size(); ++i)
    if (matched[i] >= 0)
      answers[i] = XmltvProgrammeList(guide.channels[static_cast<size_t>(matched[i])],
                                      guide.channels[static_cast<size_t>(matched[i])].id, list[i].shiftMinutes);
  return answers;
}

GuideAnswer XmltvProgrammeList(const XmltvChannel& channel, const std::string& header, int shiftMinutes) {
  auto list = std::make_shared<ProgrammeList>();
  list->items.reserve(channel.programmes.size() + 1);
  list->items.push_back({header, 0});
  const double shift = shiftMinutes / kMinutesPerDay;
  for (const GuideProgramme& p : channel.programmes) list->items.push_back({p.text, p.start + shift});
  list->ascending = true;  // sorted on reading; one shift keeps the order
  list->endMarkers = true;
  return list;
}

}  // namespace strevo

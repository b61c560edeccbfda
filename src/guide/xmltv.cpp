#include "guide/xmltv.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

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

// "+0300", "-05:00", "+03", "Z", or a zone name -> minutes east of UTC.
bool ZoneOffset(std::string_view zone, int& minutes) {
  // The names guides write. "IST" is Irish summer time here, as in the
  // European guides that use it (India's and Israel's write offsets).
  static constexpr std::pair<std::string_view, int> kNames[] = {
      {"Z", 0},      {"UTC", 0},    {"GMT", 0},    {"WET", 0},    {"BST", 60},   {"IST", 60},   {"WEST", 60},
      {"CET", 60},   {"CEST", 120}, {"EET", 120},  {"EEST", 180}, {"MSK", 180},  {"EST", -300}, {"EDT", -240},
      {"CST", -360}, {"CDT", -300}, {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420}};
  for (const auto& [name, offset] : kNames)
    if (zone.size() == name.size() && AsciiLower(zone) == AsciiLower(name)) {
      minutes = offset;
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
  // YYYYMMDDhhmmss or an initial part of it, in whole fields.
  size_t at = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
  if (at < 4 || at > 14 || at % 2 != 0) return false;
  DateTimeParts p;
  p.month = p.day = 1;
  int* fields[] = {&p.month, &p.day, &p.hour, &p.minute, &p.second};
  Digits(text, 0, 4, p.year);
  for (size_t f = 0; 4 + 2 * f < at; ++f) Digits(text, 4 + 2 * f, 2, *fields[f]);
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

struct XmltvStream::State {
  LocalOffsetAt localOffset;  // asked once per minute of the guide (memo below)
  std::unordered_map<long long, int> offsetMemo;
  const std::vector<XmltvListChannel>* list = nullptr;

  XmltvStatus status = XmltvStatus::Ok;
  bool ended = false;  // the root element closed: nothing after it is read

  // The start of the document, until its encoding is known.
  std::string head;
  bool encodingKnown = false;
  int codepage = 0;  // 0: UTF-8; 1200/1201: UTF-16 little/big endian; else a single-byte page
  std::string carry;  // UTF-16 bytes of a character the last piece cut

  XmlReader xml;
  bool rootSeen = false;

  XmltvGuide guide;
  std::unordered_map<std::string, size_t> byId;
  std::vector<std::vector<ReadProgramme>> read;
  std::vector<char> wanted;  // by guide channel, with a list
  bool wantedStale = true;
  // The keys the list's channels look for, folded: only a guide channel or
  // name among them can change what the list matches.
  std::unordered_set<std::string> listIds, listNames;

  enum class In { Other, Channel, Programme, Skipped } in = In::Other;
  int channel = -1;  // the channel element's guide channel; -1 without an id
  ReadProgramme programme;
  std::string programmeChannel;
  bool programmeUsable = false, programmeTimed = false, titled = false;
  size_t collectDepth = 0;  // the display-name or title being read; 0: none
  std::string collected;

  LocalOffsetAt memoOffset;

  size_t ChannelOf(const std::string& id) {
    if (auto it = byId.find(id); it != byId.end()) return it->second;
    byId.emplace(id, guide.channels.size());
    guide.channels.push_back({id, {}, {}});
    read.emplace_back();
    if (list && listIds.count(FoldCase(id))) wantedStale = true;
    return guide.channels.size() - 1;
  }

  void AddName(size_t channelIndex, std::string name) {
    if (list && listNames.count(FoldCase(name))) wantedStale = true;
    guide.channels[channelIndex].names.push_back(std::move(name));
  }

  bool Wanted(size_t index) {
    if (!list) return true;
    if (wantedStale) {
      wanted.assign(guide.channels.size(), 0);
      for (int m : MatchXmltvChannels(guide, *list))
        if (m >= 0) wanted[static_cast<size_t>(m)] = 1;
      wantedStale = false;
    }
    return index < wanted.size() && wanted[index] != 0;
  }

  void StartElement() {
    const size_t depth = xml.Depth();
    const std::string_view name = xml.Name();
    if (depth == 2) {
      collectDepth = 0;
      if (name == "channel") {
        in = In::Channel;
        const std::string* id = xml.Attribute("id");
        channel = id && !id->empty() ? static_cast<int>(ChannelOf(*id)) : -1;
      } else if (name == "programme") {
        in = In::Programme;
        const std::string* id = xml.Attribute("channel");
        // A known channel the list does not match: the programme is only counted.
        if (list && id && !id->empty()) {
          const auto known = byId.find(*id);
          if (known != byId.end() && !Wanted(known->second)) {
            in = In::Skipped;
            ++guide.notInList;
            return;
          }
        }
        const std::string* start = xml.Attribute("start");
        const std::string* stop = xml.Attribute("stop");
        programme = ReadProgramme();
        programmeTimed = start && ParseXmltvTime(*start, memoOffset, programme.start);
        programmeUsable = id && !id->empty() && programmeTimed;
        programme.hasStop = stop && ParseXmltvTime(*stop, memoOffset, programme.stop);
        programmeChannel = id ? *id : std::string();
        // A start given but unreadable is counted; a programme with none is no programme.
        if (!programmeTimed && start && id && !id->empty()) ++guide.unreadableTimes;
        titled = false;
      } else {
        in = In::Other;
      }
    } else if (depth == 3 && ((in == In::Channel && name == "display-name") || (in == In::Programme && name == "title"))) {
      collectDepth = depth;
      collected.clear();
    }
  }

  void EndElement() {
    const size_t depth = xml.Depth();  // after the element closed
    if (collectDepth && depth < collectDepth) {
      collectDepth = 0;
      if (in == In::Channel) {
        std::string name = OneLine(collected);
        if (channel >= 0 && !name.empty()) AddName(static_cast<size_t>(channel), std::move(name));
      } else if (in == In::Programme) {
        if (!titled) programme.text = CutText(OneLine(collected));  // the first title; others are translations
        titled = true;
      }
    }
    if (depth < 2 && in != In::Other) {
      if (in == In::Programme && programmeUsable) {
        const size_t index = ChannelOf(programmeChannel);
        if (Wanted(index)) {
          read[index].push_back(std::move(programme));
          ++guide.programmeCount;
        } else {
          ++guide.notInList;
        }
      }
      in = In::Other;
    }
  }

  // Reads every node that is whole in what has come.
  void Pump() {
    while (status == XmltvStatus::Ok && !ended) {
      const XmlNode node = xml.Next();
      switch (node) {
        case XmlNode::NeedMore: return;
        case XmlNode::Error: status = XmltvStatus::Malformed; return;
        case XmlNode::End: ended = true; return;
        case XmlNode::StartElement:
          if (!rootSeen) {
            rootSeen = true;
            if (xml.Name() != "tv") status = XmltvStatus::NotXmltv;
          } else {
            StartElement();
          }
          break;
        case XmlNode::EndElement: EndElement(); break;
        case XmlNode::Text:
          if (collectDepth && xml.Depth() == collectDepth) collected += xml.Text();
          break;
      }
    }
  }

  // The piece as UTF-8, in the document's encoding.
  std::string Converted(std::string_view piece, bool last) {
    if (codepage == 1200 || codepage == 1201) {
      carry.append(piece);
      size_t whole = carry.size() & ~size_t{1};
      if (!last && whole >= 2) {
        // A high surrogate waits for its pair.
        const auto* u = reinterpret_cast<const unsigned char*>(carry.data() + whole - 2);
        const unsigned unit = codepage == 1201 ? (u[0] << 8 | u[1]) : (u[1] << 8 | u[0]);
        if (unit >= 0xD800 && unit <= 0xDBFF) whole -= 2;
      }
      if (last) whole = carry.size();
      std::string out = Utf16ToUtf8(std::string_view(carry).substr(0, whole), codepage == 1201);
      carry.erase(0, whole);
      return out;
    }
    return codepage ? CodePageToUtf8(piece, codepage) : std::string(piece);
  }

  void Give(std::string_view piece, bool last) {
    if (codepage == 0) {
      xml.Append(piece);
    } else {
      xml.Append(Converted(piece, last));
    }
    if (last) xml.EndOfInput();
    Pump();
  }

  // Decides the encoding once enough of the start has come (or all of it):
  // what LooksLikeXmltv and the declaration need, as if it came whole.
  bool StartIsWhole() const {
    std::string_view bytes = head;
    if (bytes.size() > XmlReader::kMaxNode) return true;  // no guide starts so
    if (bytes.size() < 2 && (std::string_view("\xFF\xFE").starts_with(bytes) || std::string_view("\xFE\xFF").starts_with(bytes)))
      return false;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return bytes.size() >= 4;
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (bytes.size() < kMark.size() && kMark.starts_with(bytes)) return false;
    if (bytes.starts_with(kMark)) bytes.remove_prefix(kMark.size());
    const size_t first = bytes.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return false;
    bytes.remove_prefix(first);
    if (bytes[0] != '<') return true;
    if (bytes.size() < 5) return false;
    return !bytes.starts_with("<?xml") || bytes.find("?>") != std::string_view::npos;
  }

  void Begin(bool last) {
    if (!last && !StartIsWhole()) return;
    std::string_view bytes = head;
    encodingKnown = true;
    if (!LooksLikeXmltv(bytes)) {
      status = XmltvStatus::NotXmltv;
      return;
    }
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
      codepage = bytes[0] == '\xFF' ? 1200 : 1201;
      bytes.remove_prefix(2);
    } else {
      const std::string encoding = XmlDeclaredEncoding(bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes);
      if (encoding == "windows-1251" || encoding == "cp1251" || encoding == "x-cp1251") codepage = 1251;
      // 1252 differs from ISO-8859-1 only in control characters a title never holds.
      if (encoding == "iso-8859-1" || encoding == "latin1" || encoding == "windows-1252") codepage = 1252;
    }
    const std::string first(bytes);
    head.clear();
    head.shrink_to_fit();
    Give(first, last);
  }

  void Feed(std::string_view piece, bool last) {
    if (status != XmltvStatus::Ok || ended) return;
    if (!encodingKnown) {
      head.append(piece);
      Begin(last);
      return;
    }
    Give(piece, last);
  }
};

XmltvStream::XmltvStream(LocalOffsetAt localOffset, const std::vector<XmltvListChannel>* list)
    : s_(std::make_unique<State>()) {
  s_->localOffset = std::move(localOffset);
  s_->list = list;
  if (list) {
    for (const XmltvListChannel& c : *list) {
      for (const std::string* key : {&c.overrideName, &c.tvgId})
        if (!key->empty()) s_->listIds.insert(FoldCase(*key));
      for (const std::string* key : {&c.overrideName, &c.tvgName, &c.title})
        if (!key->empty()) s_->listNames.insert(FoldCase(*key));
    }
  }
  if (s_->localOffset) {
    // The zone is asked once per minute of the guide: a week holds ten
    // thousand minutes against hundreds of thousands of times, and asking the
    // system costs more than reading a programme.
    State* s = s_.get();
    s_->memoOffset = [s](DateTime utc) {
      const long long minute = static_cast<long long>(std::floor(std::round(utc * 86400.0) / 60.0));
      auto [it, added] = s->offsetMemo.try_emplace(minute, 0);
      if (added) it->second = s->localOffset(utc);
      return it->second;
    };
  }
}

XmltvStream::~XmltvStream() = default;

bool XmltvStream::Feed(std::string_view piece) {
  s_->Feed(piece, false);
  return s_->status == XmltvStatus::Ok;
}

XmltvStatus XmltvStream::Finish(XmltvGuide& guide) {
  State& s = *s_;
  if (!s.ended) s.Feed({}, true);
  guide = XmltvGuide();
  if (s.status == XmltvStatus::Ok && !s.rootSeen) s.status = XmltvStatus::NotXmltv;
  if (s.status == XmltvStatus::Ok && !s.ended) s.status = XmltvStatus::Malformed;
  if (s.status != XmltvStatus::Ok) return s.status;
  for (size_t i = 0; i < s.guide.channels.size(); ++i)
    s.guide.channels[i].programmes = WithStopMarkers(std::move(s.read[i]));
  guide = std::move(s.guide);
  s.guide = XmltvGuide();
  return XmltvStatus::Ok;
}

XmltvStatus ParseXmltv(std::string_view bytes, const LocalOffsetAt& localOffset, XmltvGuide& guide) {
  XmltvStream stream(localOffset);
  // In pieces, as from a file: the reader then never copies the whole.
  constexpr size_t kPiece = size_t{1} << 20;
  for (size_t at = 0; at < bytes.size() && stream.Feed(bytes.substr(at, kPiece)); at += kPiece) {
  }
  return stream.Finish(guide);
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

#include "playback/playlist_tags.h"

#include <algorithm>
#include <cmath>

#include "base/codepage.h"
#include "base/text_helpers.h"

namespace strevo {

ListEncoding DetectListEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return ListEncoding::Utf8Bom;
  if (bytes.starts_with("\xFF\xFE")) return ListEncoding::Utf16Le;
  if (bytes.starts_with("\xFE\xFF")) return ListEncoding::Utf16Be;
  return ClassifyUtf8(bytes) == Utf8Kind::NonAscii ? ListEncoding::Utf8 : ListEncoding::Ansi;
}

std::string ListTextAsUtf8(std::string_view bytes, ListEncoding encoding, const TextConverter& ansiToUtf8) {
  switch (encoding) {
    case ListEncoding::Utf8Bom: return std::string(bytes.substr(3));
    case ListEncoding::Utf16Le: return Utf16ToUtf8(bytes.substr(2), false);
    case ListEncoding::Utf16Be: return Utf16ToUtf8(bytes.substr(2), true);
    case ListEncoding::Utf8: return std::string(bytes);
    case ListEncoding::Ansi: break;
  }
  return ansiToUtf8 ? ansiToUtf8(bytes) : std::string(bytes);
}

const std::string* InfoLine::Find(std::string_view name) const {
  for (const auto& [key, value] : attributes)
    if (key == name) return &value;
  return nullptr;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void AddAttribute(InfoLine& info, std::string name, std::string value) {
  name = AsciiLower(name);
  if (name.empty() || info.Find(name)) return;  // the first of duplicates wins
  info.attributes.emplace_back(std::move(name), std::move(value));
}

}  // namespace

bool IsPassedEngineOption(std::string_view option) {
  if (option.empty() || option[0] != ':') return false;
  const size_t eq = option.find('=');
  if (eq == std::string_view::npos) return false;
  const std::string_view name = option.substr(1, eq - 1);
  bool known = false;
  for (std::string_view passed : kPassedEntryOptions) known = known || name == passed;
  for (char c : option.substr(eq + 1))
    if (static_cast<unsigned char>(c) < 32) return false;
  return known;
}

InfoLine ParseInfoLine(std::string_view line) {
  InfoLine info;
  std::string_view rest = line;
  size_t i = 0;
  if (rest.starts_with("#")) {
    // "#EXTINF:duration attributes,title"; a header such as "#EXTM3U" has
    // attributes right after its name (whose values may hold colons).
    const size_t tagEnd = std::min(rest.find_first_of(":, \t"), rest.size());
    const bool duration = tagEnd < rest.size() && rest[tagEnd] == ':';
    rest.remove_prefix(duration ? tagEnd + 1 : tagEnd);
    // The duration comes first, up to a blank or the comma.
    if (duration)
      while (i < rest.size() && !IsBlank(rest[i]) && rest[i] != ',') ++i;
  }
  bool titled = false;
  while (i < rest.size()) {
    const char c = rest[i];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    if (c == ',') {
      info.title = TrimBlanks(rest.substr(i + 1));
      titled = true;
      break;
    }
    size_t nameEnd = i;
    while (nameEnd < rest.size() && !IsBlank(rest[nameEnd]) && rest[nameEnd] != ',' && rest[nameEnd] != '=')
      ++nameEnd;
    std::string name(rest.substr(i, nameEnd - i));
    i = nameEnd;
    if (i >= rest.size() || rest[i] != '=') {
      AddAttribute(info, std::move(name), {});
      continue;
    }
    ++i;  // past "="
    std::string value;
    if (i < rest.size() && (rest[i] == '"' || rest[i] == '\'')) {
      const char quote = rest[i++];
      const size_t close = rest.find(quote, i);
      if (close == std::string_view::npos) {
        // An unclosed quote hides where the title begins: fall back to the
        // first comma, as the plain reader takes it.
        AddAttribute(info, std::move(name), std::string(rest.substr(i)));
        break;
      }
      value = std::string(rest.substr(i, close - i));
      i = close + 1;
    } else {
      const size_t start = i;
      while (i < rest.size() && !IsBlank(rest[i]) && rest[i] != ',') ++i;
      value = std::string(rest.substr(start, i - start));
    }
    AddAttribute(info, std::move(name), std::move(value));
  }
  if (!titled) {
    const size_t comma = line.find(',');
    info.title = TrimBlanks(comma == std::string_view::npos ? line : line.substr(comma + 1));
  }
  return info;
}

int ParseShiftMinutes(std::string_view text) {
  std::string t = TrimBlanks(text);
  size_t i = 0;
  int sign = 1;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) sign = t[i++] == '-' ? -1 : 1;
  long whole = 0;
  size_t digits = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9' && digits < 3; ++i, ++digits) whole = whole * 10 + (t[i] - '0');
  double fraction = 0, scale = 0.1;
  if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
    for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, scale /= 10) fraction += (t[i] - '0') * scale;
  }
  if (digits == 0 || i != t.size() || whole > 24) return 0;
  return sign * static_cast<int>(std::lround((static_cast<double>(whole) + fraction) * 60));
}

namespace {

// An #EXTVLCOPT line's option, when it is one the player passes on; the
// value loses control characters, which could end the option early.
bool PassedOption(std::string_view text, std::string& option) {
  text = text.substr(0, text.find_first_of("\r\n"));
  std::string t = TrimBlanks(text);
  const size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  const std::string name = AsciiLower(TrimBlanks(std::string_view(t).substr(0, eq)));
  bool known = false;
  for (std::string_view passed : kPassedEntryOptions) known = known || name == passed;
  if (!known) return false;
  std::string value;
  for (char c : std::string_view(t).substr(eq + 1))
    if (static_cast<unsigned char>(c) >= 32) value.push_back(c);
  option = name + "=" + value;
  return true;
}

bool StartsWithTag(std::string_view line, std::string_view tag) {
  return line.size() >= tag.size() && AsciiUpper(line.substr(0, tag.size())) == tag;
}

}  // namespace

std::vector<int> ChannelsThatMove(const ChannelList& before, const ChannelList& after) {
  std::vector<int> moved;
  for (size_t n = 1; n < before.mrls.size(); ++n)
    if (n >= after.mrls.size() || after.mrls[n] != before.mrls[n]) moved.push_back(static_cast<int>(n));
  return moved;
}

ChannelList ParseTaggedPlaylist(std::string_view bytes, std::string_view pseudoTitle,
                                const TextConverter& ansiToUtf8) {
  const ListEncoding encoding = DetectListEncoding(bytes);
  const std::string text = ListTextAsUtf8(bytes, encoding, ansiToUtf8);
  ChannelList list;
  list.utf8 = encoding != ListEncoding::Ansi;
  list.titles.emplace_back(pseudoTitle);
  list.mrls.emplace_back("?");
  list.submenu.emplace_back(pseudoTitle);
  list.tags.emplace_back();

  int headerShift = 0;
  bool pending = false;  // an #EXTINF waits for its address
  std::string title;
  ChannelTags tags;
  std::string extGroup;
  bool ownShift = false;

  ListLineReader reader(text);
  while (!reader.AtEnd()) {
    const std::string line = TrimBlanks(reader.Next());
    if (line.empty()) continue;
    if (StartsWithTag(line, "#EXTM3U")) {
      const InfoLine header = ParseInfoLine(line);
      if (const std::string* shift = header.Find("tvg-shift")) headerShift = ParseShiftMinutes(*shift);
      continue;
    }
    if (StartsWithTag(line, "#EXTINF")) {
      const InfoLine info = ParseInfoLine(line);
      // A second #EXTINF before an address replaces the first; options and
      // groups already seen stay with the entry.
      pending = true;
      title = info.title;
      auto value = [&](std::string_view name) {
        const std::string* v = info.Find(name);
        return v ? *v : std::string();
      };
      tags.tvgId = value("tvg-id");
      tags.tvgName = value("tvg-name");
      tags.tvgLogo = value("tvg-logo");
      tags.group = value("group-title");
      const std::string* shift = info.Find("tvg-shift");
      ownShift = shift != nullptr;
      tags.tvgShiftMinutes = shift ? ParseShiftMinutes(*shift) : 0;
      continue;
    }
    if (StartsWithTag(line, "#EXTVLCOPT:")) {
      std::string option;
      if (PassedOption(std::string_view(line).substr(11), option)) tags.options.push_back(std::move(option));
      continue;
    }
    if (StartsWithTag(line, "#EXTGRP:")) {
      extGroup = TrimBlanks(std::string_view(line).substr(8));
      continue;
    }
    if (line[0] == '#') continue;  // any other comment

    // An address. One without an #EXTINF is a channel of its own, shown by
    // its address, as a plain list of addresses means.
    ChannelTags entry = std::move(tags);
    if (!pending) {
      title = line;
      entry.tvgId.clear();
      entry.tvgName.clear();
      entry.tvgLogo.clear();
      entry.group.clear();
    }
    if (entry.group.empty()) entry.group = extGroup;
    if (!ownShift) entry.tvgShiftMinutes = headerShift;
    const size_t n = list.titles.size();
    list.submenu.push_back(SubmenuCaption(n, title));
    list.titles.push_back(std::move(title));
    list.mrls.push_back(line);
    list.tags.push_back(std::move(entry));
    tags = ChannelTags();
    title.clear();
    extGroup.clear();
    pending = false;
    ownShift = false;
  }
  return list;
}

}  // namespace strevo

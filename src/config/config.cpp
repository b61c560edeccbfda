#include "config/config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>
#include <climits>

#include "base/codepage.h"
#include "base/eventlog.h"
#include "base/text_helpers.h"
#include "config/option_table.h"

namespace strevo {

namespace {

// The code point at `i` of valid UTF-8 and its length; U+FFFD and 1 for a stray byte.
uint32_t NextCodePoint(std::string_view s, size_t i, size_t* length) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  const int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size()) {
    *length = 1;
    return 0xFFFD;
  }
  uint32_t cp = n == 1 ? c : c & (0x7F >> n);
  for (int k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) {
      *length = 1;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  *length = static_cast<size_t>(n);
  return cp;
}

}  // namespace

std::string EscapeForCodePage(std::string_view utf8, const Representable& representable) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t n = 1;
    const uint32_t cp = NextCodePoint(utf8, i, &n);
    if (cp < 0x80 || representable(cp)) {
      out.append(utf8.substr(i, n));
    } else {
      char hex[16];
      std::snprintf(hex, sizeof hex, "^#%X;", static_cast<unsigned>(cp));
      out += hex;
    }
    i += n;
  }
  return out;
}

std::string UnescapeFromCodePage(std::string_view utf8, const Representable& representable) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8.compare(i, 2, "^#") == 0) {
      size_t j = i + 2;
      uint32_t cp = 0;
      while (j < utf8.size() && j - i - 2 < 6 && std::isxdigit(static_cast<unsigned char>(utf8[j]))) {
        const char h = utf8[j++];
        cp = cp * 16 + static_cast<uint32_t>(h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
      }
      // Only what an escape could have come from: a character the code page lacks.
      if (j > i + 2 && j < utf8.size() && utf8[j] == ';' && cp >= 0x80 && cp <= 0x10FFFF &&
          !(cp >= 0xD800 && cp <= 0xDFFF) && !representable(cp)) {
        AppendUtf8(out, cp);
        i = j;
        continue;
      }
    }
    out += utf8[i];
  }
  return out;
}

ConfigList ParseConfigText(std::string_view text) {
  ConfigList lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text.substr(start, stop - start));
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

std::string ConfigText(const ConfigList& list) {
  std::string out;
  size_t total = 0;
  for (const auto& l : list) total += l.size() + 2;
  out.reserve(total);
  for (const auto& l : list) {
    out += l;
    out += "\r\n";
  }
  return out;
}

int ConfigNumber(std::string_view text) { return StrToIntLenient(text); }

static std::string_view KeyOf(std::string_view line) {
  size_t bar = line.find('|');
  // A key counts only when a "|" follows it, as for every other field.
  return bar == std::string_view::npos ? std::string_view() : line.substr(0, bar);
}

int FindRecordIndex(const ConfigList& list, std::string_view key) {
  for (size_t i = 0; i < list.size(); ++i) {
    std::string_view line = list[i];
    if (line.find('|') != std::string_view::npos && KeyOf(line) == key) return static_cast<int>(i);
  }
  return -1;
}

bool IsChannelRecordKey(std::string_view mrl) {
  // "?" is the record of no channel; every other key that starts with "?" is
  // the program's own ("?Globals", "?Ext", "?Components", ...), even one a
  // later version adds, so a channel whose address is such a key has none.
  return mrl.find('|') == std::string_view::npos && (mrl == kDefaultChannelKey || !mrl.starts_with('?'));
}

const std::string* FindChannelRecord(const ConfigList& list, std::string_view mrl) {
  int i = IsChannelRecordKey(mrl) ? FindRecordIndex(list, mrl) : -1;
  if (i < 0) i = FindRecordIndex(list, kDefaultChannelKey);
  return i < 0 ? nullptr : &list[static_cast<size_t>(i)];
}

void StoreRecord(ConfigList& list, const std::string& record) {
  std::string key = ExtractField(record, "|", 0);
  int i = FindRecordIndex(list, key);
  if (i < 0) list.push_back(record);
  else list[static_cast<size_t>(i)] = record;
}

static constexpr std::string_view kEscapedBar = "^7C";
static constexpr std::string_view kEscapedCaret = "^5E";

std::string TextFromStored(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    std::string_view rest = field.substr(i);
    if (rest.starts_with(kEscapedBar)) {
      out += '|';
      i += kEscapedBar.size() - 1;
    } else if (rest.starts_with(kEscapedCaret)) {
      out += '^';
      i += kEscapedCaret.size() - 1;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string StoredText(std::string_view text) {
  // Written as it is whenever reading gives it back unchanged.
  if (text.find('|') == std::string_view::npos && TextFromStored(text) == text) return std::string(text);
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '|') out += kEscapedBar;
    else if (c == '^') out += kEscapedCaret;
    else out += c;
  }
  return out;
}

long long RoundHalfEven(double value) {
  double f = std::floor(value);
  double diff = value - f;
  if (diff > 0.5) return static_cast<long long>(f) + 1;
  if (diff < 0.5) return static_cast<long long>(f);
  long long n = static_cast<long long>(f);
  return n % 2 == 0 ? n : n + 1;
}

// ---- the global record's layout ---------------------------------------------

namespace {

using S = GlobalSettings;
using O = Option<GlobalSettings>;
using K = OptionKind;

// One row per field of "?Globals", in file order. Numbers outside the range
// of the control that shows them are brought into it on reading.
const O kGlobalFields[] = {
    {1, K::Number, &S::panelLeft},
    {2, K::Number, &S::panelTop},
    {3, K::Number, &S::panelClientHeight},
    {4, K::Number, &S::videoLeft},
    {5, K::Number, &S::videoTop},
    {6, K::Number, &S::videoWidth},
    {7, K::Number, &S::videoHeight},
    {8, K::Flag, &S::panelOnTop},
    {9, K::ShownUnlessZero, &S::panelVisible},
    {10, K::Text, &S::curMrl},
    {11, K::Number, &S::volume, 0, kVolumeBarMax},
    {12, K::Flag, &S::listVisible},
    {13, K::Text, &S::iface},
    {14, K::Number, &S::recMux},
    {15, K::Text, &S::capDir},
    {16, K::Colors, &S::colors},
    {17, K::Flag, &S::ownColors},
    {18, K::Flag, &S::taskbarButton},
    {19, K::Flag, &S::noScreenSaver},
    {20, K::Flag, &S::noDirectX},
    {21, K::Flag, &S::noOsd},
    {22, K::Flag, &S::videoOnTop},
    {23, K::Flag, &S::recPriority},
    {24, K::Text, &S::playlistUrl},
    {25, K::Number, &S::audioDevice},
    {26, K::Flag, &S::fullScreenOnTop},
    {27, K::Text, &S::tvgUrl},
    {28, K::Flag, &S::fullScreen},
    {29, K::FixedZero, std::monostate{}},
    {30, K::Flag, &S::docked},
    {31, K::Flag, &S::simpleList},
    {32, K::Flag, &S::autoSwitch},
    {33, K::Flag, &S::noDeinterlace},
    {34, K::Flag, &S::noCrop},
};
static_assert(std::size(kGlobalFields) + 1 == kGlobalFieldCount);

const O kExtFields[] = {
    {1, K::Flag, &S::readM3uTags},
};

}  // namespace

void ReadExtRecord(const ConfigList& list, GlobalSettings& settings) {
  const int at = FindRecordIndex(list, kExtKey);
  ReadOptions<GlobalSettings>(kExtFields, at < 0 ? std::string_view(kExtKey) : list[static_cast<size_t>(at)],
                              settings);
}

void StoreExtRecord(ConfigList& list, const GlobalSettings& settings) {
  const int at = FindRecordIndex(list, kExtKey);
  if (at < 0 && !settings.readM3uTags) return;
  std::string record = WriteOptions<GlobalSettings>(kExtFields, kExtKey, settings);
  if (at >= 0) {
    // A newer version's fields after ours stay as they are.
    std::string_view old = list[static_cast<size_t>(at)];
    for (size_t n = 0; n <= std::size(kExtFields) && !old.empty(); ++n) {
      const size_t bar = old.find('|');
      old = bar == std::string_view::npos ? std::string_view() : old.substr(bar + 1);
    }
    record += old;
  }
  StoreRecord(list, record);
}

void ReadGlobalFields(std::string_view record, GlobalSettings& settings) {
  ReadOptions<GlobalSettings>(kGlobalFields, record, settings);
}

std::string BuildGlobalRecord(const GlobalSettings& settings) {
  return WriteOptions<GlobalSettings>(kGlobalFields, kGlobalsKey, settings);
}

void StoreGlobalRecord(ConfigList& list, const GlobalSettings& settings) {
  StoreRecord(list, BuildGlobalRecord(settings));
  StoreExtRecord(list, settings);
  LogLine("сап saved");
}

bool ApplyGlobalRecord(const ConfigList& list, GlobalSettings& s, GlobalApplyHost& host) {
  // Before the channel list, which it decides how to read.
  ReadExtRecord(list, s);
  int at = FindRecordIndex(list, kGlobalsKey);
  if (at < 0) {
    s.playlistUrl.clear();
    s.audioDevice = 0;
    host.LoadChannelList(s);
    s.videoWidth = host.PanelClientWidth();
    s.videoHeight = static_cast<int>(RoundHalfEven(s.videoWidth * 3.0 / 4.0));
    s.panelLeft = 15;
    s.panelTop = 15;
    s.docked = true;
    s.ownColors = true;
    s.noScreenSaver = true;
    s.fullScreenOnTop = true;
    s.tvgUrl.clear();
    LogLine("def cfg loaded");
    return false;
  }
  // The fields themselves have no side effects; what follows from them (the
  // channel list, the desktop rule, the docking) runs in its fixed order.
  ReadGlobalFields(list[static_cast<size_t>(at)], s);
  host.LoadChannelList(s);
  DesktopRect desk = host.Desktop();
  if (s.videoWidth == desk.right && s.videoHeight == desk.bottom) {
    // Saved while covering the whole desktop: come back at a normal size.
    s.videoWidth = 720;
    s.videoHeight = 576;
  }
  host.SelectChannel(s.curMrl);
  if (!s.docked) s.panelClientHeight = host.CollapsedPanelClientHeight();
  LogLine("cfg loaded");
  return true;
}

}  // namespace strevo

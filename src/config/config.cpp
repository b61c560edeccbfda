#include "config/config.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <variant>

#include "base/eventlog.h"
#include "base/text_helpers.h"

namespace strevo {

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
  return mrl.find('|') == std::string_view::npos && mrl != kGlobalsKey;
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
enum class Kind {
  Number,
  Flag,            // "1" sets
  ShownUnlessZero, // only "0" clears
  Text,
  Colors,
  FixedZero,       // always written "0", never read
};
using Member = std::variant<std::monostate, int S::*, bool S::*, std::string S::*, InterfaceColors S::*>;

struct Field {
  int index;
  const char* name;
  Kind kind;
  Member member;
  // Numbers outside the range of the control that shows them are brought
  // into it on reading.
  int min = INT_MIN;
  int max = INT_MAX;
};

// One row per field of "?Globals", in file order.
const Field kGlobalFields[] = {
    {1, "panelleft", Kind::Number, &S::panelLeft},
    {2, "paneltop", Kind::Number, &S::panelTop},
    {3, "panelclientheight", Kind::Number, &S::panelClientHeight},
    {4, "videoleft", Kind::Number, &S::videoLeft},
    {5, "videotop", Kind::Number, &S::videoTop},
    {6, "videowidth", Kind::Number, &S::videoWidth},
    {7, "videoheight", Kind::Number, &S::videoHeight},
    {8, "panelontop", Kind::Flag, &S::panelOnTop},
    {9, "panelvisible", Kind::ShownUnlessZero, &S::panelVisible},
    {10, "curmrl", Kind::Text, &S::curMrl},
    {11, "volume", Kind::Number, &S::volume, 0, kVolumeBarMax},
    {12, "listvisible", Kind::Flag, &S::listVisible},
    {13, "iface", Kind::Text, &S::iface},
    {14, "recmux", Kind::Number, &S::recMux},
    {15, "capdir", Kind::Text, &S::capDir},
    {16, "colors", Kind::Colors, &S::colors},
    {17, "owncolors", Kind::Flag, &S::ownColors},
    {18, "taskbarbutton", Kind::Flag, &S::taskbarButton},
    {19, "noscreensaver", Kind::Flag, &S::noScreenSaver},
    {20, "nodirectx", Kind::Flag, &S::noDirectX},
    {21, "noosd", Kind::Flag, &S::noOsd},
    {22, "videoontop", Kind::Flag, &S::videoOnTop},
    {23, "recpriority", Kind::Flag, &S::recPriority},
    {24, "playlisturl", Kind::Text, &S::playlistUrl},
    {25, "audiodevice", Kind::Number, &S::audioDevice},
    {26, "fullscreenontop", Kind::Flag, &S::fullScreenOnTop},
    {27, "tvgurl", Kind::Text, &S::tvgUrl},
    {28, "fullscreen", Kind::Flag, &S::fullScreen},
    {29, "", Kind::FixedZero, std::monostate{}},
    {30, "docked", Kind::Flag, &S::docked},
    {31, "simplelist", Kind::Flag, &S::simpleList},
    {32, "autoswitch", Kind::Flag, &S::autoSwitch},
    {33, "nodeinterlace", Kind::Flag, &S::noDeinterlace},
    {34, "nocrop", Kind::Flag, &S::noCrop},
};
static_assert(std::size(kGlobalFields) + 1 == kGlobalFieldCount);

void ReadField(const Field& f, std::string_view value, S& s) {
  switch (f.kind) {
    case Kind::Number: s.*std::get<int S::*>(f.member) = std::clamp(ConfigNumber(value), f.min, f.max); break;
    case Kind::Flag: s.*std::get<bool S::*>(f.member) = ConfigFlag(value); break;
    case Kind::ShownUnlessZero: s.*std::get<bool S::*>(f.member) = value != "0"; break;
    case Kind::Text: s.*std::get<std::string S::*>(f.member) = TextFromStored(value); break;
    case Kind::Colors: {
      InterfaceColors& colors = s.*std::get<InterfaceColors S::*>(f.member);
      for (size_t i = 0; i < colors.size(); ++i) {
        std::string part = ExtractField(value, ";", static_cast<int>(i));
        if (!part.empty()) colors[i] = ConfigNumber(part);
      }
      break;
    }
    case Kind::FixedZero: break;
  }
}

std::string WriteField(const Field& f, const S& s) {
  switch (f.kind) {
    case Kind::Number: return std::to_string(s.*std::get<int S::*>(f.member));
    case Kind::Flag:
    case Kind::ShownUnlessZero: return s.*std::get<bool S::*>(f.member) ? "1" : "0";
    case Kind::Text: return StoredText(s.*std::get<std::string S::*>(f.member));
    case Kind::Colors: {
      std::string out;
      for (int c : s.*std::get<InterfaceColors S::*>(f.member)) out += std::to_string(c) + ";";
      return out;
    }
    case Kind::FixedZero: return "0";
  }
  return {};
}

}  // namespace

void ReadGlobalFields(std::string_view record, GlobalSettings& settings) {
  for (const Field& f : kGlobalFields) ReadField(f, ExtractField(record, "|", f.index), settings);
}

std::string BuildGlobalRecord(const GlobalSettings& settings) {
  std::string out(kGlobalsKey);
  out += "|";
  for (const Field& f : kGlobalFields) out += WriteField(f, settings) + "|";
  return out;
}

void StoreGlobalRecord(ConfigList& list, const GlobalSettings& settings) {
  StoreRecord(list, BuildGlobalRecord(settings));
  LogLine("сап saved");
}

bool ApplyGlobalRecord(const ConfigList& list, GlobalSettings& s, GlobalApplyHost& host) {
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

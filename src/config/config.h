// The configuration list: the lines of the ".ini" file held in memory, the
// global record "?Globals" and the per-channel records keyed by MRL.
// Text here is UTF-8; the shell converts from and to the ANSI code page.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace strevo {

using ConfigList = std::vector<std::string>;

inline constexpr std::string_view kGlobalsKey = "?Globals";
inline constexpr std::string_view kDefaultChannelKey = "?";

// The file is 8-bit text in the system's code page, the program's texts are
// Unicode: a character the code page cannot hold (a file opened as
// "C:\\media\\Café.ts" on a Cyrillic system) is stored as "^#" + its code point
// in hexadecimal + ";", which older versions keep as plain text, and read back
// exactly. Only such characters are escaped and unescaped, so every file that
// converts losslessly stays byte for byte as it was.
using Representable = std::function<bool(uint32_t codePoint)>;
std::string EscapeForCodePage(std::string_view utf8, const Representable& representable);
std::string UnescapeFromCodePage(std::string_view utf8, const Representable& representable);

// File text <-> lines. Lines end in CR LF on disk; a lone LF is accepted too.
ConfigList ParseConfigText(std::string_view text);
std::string ConfigText(const ConfigList& list);

// Numbers in records: optional sign, then digits up to the first other
// character; no leading blanks; 0 when there are no digits.
int ConfigNumber(std::string_view text);
// Flags are set only when the field is exactly "1".
inline bool ConfigFlag(std::string_view text) { return text == "1"; }

// Index of the first line whose field 0 is `key`, or -1. Exact, case-sensitive.
int FindRecordIndex(const ConfigList& list, std::string_view key);
// The channel's own record, else the "?" record, else null.
const std::string* FindChannelRecord(const ConfigList& list, std::string_view mrl);
// Replaces the first line with the record's key, or appends it.
void StoreRecord(ConfigList& list, const std::string& record);
// Whether a channel's settings can have a record under its MRL: a key holding
// "|" would split its own record, and the keys that start with "?" (but "?"
// itself) belong to the program's own records.
bool IsChannelRecordKey(std::string_view mrl);

// Texts of the global record. A "|" would split the record, so a text holding
// one is stored with "^" escapes: "^7C" for "|", "^5E" for "^". Every other
// text is stored exactly as it is, so files read as they always did.
std::string StoredText(std::string_view text);
std::string TextFromStored(std::string_view field);

// The seven interface colours (0x00BBGGRR), in the order the colour dialogs ask.
using InterfaceColors = std::array<int, 7>;
inline constexpr InterfaceColors kDefaultColors = {16314867, 13809086, 6239807, 11894655,
                                                   13809086, 11497584, 14865371};

inline constexpr int kVolumeBarMax = 100;

// The values the global record fills. The controls show them; the window code
// binds to these fields. Initial values are the controls' initial states.
struct GlobalSettings {
  int panelLeft = 15;
  int panelTop = 15;
  int panelClientHeight = 0;
  int videoLeft = 5;
  int videoTop = 5;
  int videoWidth = 360;
  int videoHeight = 288;
  bool panelOnTop = false;
  bool panelVisible = true;
  std::string curMrl = "?";
  int volume = 50;  // volume bar position, 0..kVolumeBarMax
  bool listVisible = false;
  std::string iface;
  int recMux = 0;
  std::string capDir = "C:\\";
  InterfaceColors colors = kDefaultColors;
  bool ownColors = true;
  bool taskbarButton = true;
  bool noScreenSaver = true;
  bool noDirectX = false;
  bool noOsd = false;
  bool videoOnTop = false;
  bool recPriority = false;
  std::string playlistUrl;
  int audioDevice = 0;
  bool fullScreenOnTop = true;
  std::string tvgUrl;
  bool fullScreen = false;
  bool docked = false;
  bool simpleList = false;
  bool autoSwitch = false;
  bool noDeinterlace = false;
  bool noCrop = false;
  // Kept in a record of its own, "?Ext", which older versions keep as an
  // unknown line: read the channel list with its M3U tags.
  bool readM3uTags = false;
};

// Number of fields of a global record, the key included.
inline constexpr int kGlobalFieldCount = 35;

struct DesktopRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// What applying the global record needs from the windows around it.
class GlobalApplyHost {
 public:
  virtual ~GlobalApplyHost() = default;
  // Loads the channel list from settings.playlistUrl (start-up, no sender).
  virtual void LoadChannelList(const GlobalSettings& settings) = 0;
  // Makes the first channel with this MRL the selected one, if there is one.
  virtual void SelectChannel(const std::string& mrl) = 0;
  virtual DesktopRect Desktop() = 0;
  virtual int PanelClientWidth() = 0;
  // Client height of the main window without the docked video.
  virtual int CollapsedPanelClientHeight() = 0;
};

// Applies the first "?Globals" record of the list, or the defaults when there
// is none, in the fixed order (list style before the channel list, docking
// before full screen). Logs "cfg loaded" or "def cfg loaded". True when a
// record was found.
bool ApplyGlobalRecord(const ConfigList& list, GlobalSettings& settings, GlobalApplyHost& host);

// Reads every field of a global record into `settings` (no side effects).
void ReadGlobalFields(std::string_view record, GlobalSettings& settings);

// "?Globals|" followed by the 34 fields, each followed by "|".
std::string BuildGlobalRecord(const GlobalSettings& settings);

inline constexpr std::string_view kExtKey = "?Ext";
// Reads the "?Ext" record's fields; the defaults when the list has none.
void ReadExtRecord(const ConfigList& list, GlobalSettings& settings);
// Stores the "?Ext" record: replaced when the list has one (fields past the
// ones this version knows are kept), added only when an option in it is on,
// so a configuration that never used them stays byte for byte as it was.
void StoreExtRecord(ConfigList& list, const GlobalSettings& settings);

// Builds the global record and stores it into the list; logs "сап saved".
void StoreGlobalRecord(ConfigList& list, const GlobalSettings& settings);

// Rounds to the nearest whole number, halves to even.
long long RoundHalfEven(double value);

}  // namespace strevo

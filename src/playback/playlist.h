// The channel list: the forms of the list's address, and the parser of the
// local M3U copy into index-aligned titles, addresses and menu captions.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "net/http.h"

namespace strevo {

enum class PlaylistSource { None, Http, LocalFile, Other };

// "<None>" or "" -> None; "http://..." or "https://..." -> Http; "X:\..." -> LocalFile.
PlaylistSource ClassifyPlaylistAddress(std::string_view address);

// "http[s]://[user[:password]@]host[:port]/path?query": the host, the port
// (80, or 443 for https, when none is given), the path with its query from
// the first "/" (or "?"), and the user's name and password. A port that is
// not a number from 1 to 65535 stays part of the host name, which then
// resolves to nothing.
struct HttpTarget {
  std::string host;
  std::string path;
  int port = 80;
  bool secure = false;
  std::string user, password;
};
HttpTarget SplitHttpAddress(std::string_view address);
inline constexpr int kPlaylistHttpPort = 80;
inline constexpr int kPlaylistHttpsPort = 443;

// A list larger than this is neither fetched, copied nor read.
inline constexpr int64_t kPlaylistMaxBytes = kChannelListLimits.maxBytes;

using TextConverter = std::function<std::string(std::string_view)>;

// What a list read with its tags says of a channel besides title and address.
struct ChannelTags {
  std::string tvgId;
  std::string tvgName;
  std::string tvgLogo;
  std::string group;  // group-title, else the entry's #EXTGRP
  // tvg-shift in minutes (the attribute is in hours and may hold a fraction);
  // the list header's value for entries without their own.
  int tvgShiftMinutes = 0;
  // Engine options of the entry's #EXTVLCOPT lines, as "name=value", of the
  // few names the player passes on (kPassedEntryOptions).
  std::vector<std::string> options;
};

struct ChannelList {
  // Index-aligned; index 0 is the pseudo-channel with the address "?".
  std::vector<std::string> titles;
  std::vector<std::string> mrls;
  // Captions of the channel submenu: the pseudo-channel, then "n. title" with
  // every "&" doubled so the menu shows it as it is.
  std::vector<std::string> submenu;
  bool utf8 = false;
  // Index-aligned with titles when the list was read with its tags (entry 0,
  // the pseudo-channel's, is empty); empty otherwise.
  std::vector<ChannelTags> tags;
  int ChannelCount() const { return static_cast<int>(titles.size()) - 1; }
};

// Splits at CR LF, LF or a lone CR, as a text-file reader does; a line end at
// the very end of the file opens no further line.
class ListLineReader {
 public:
  explicit ListLineReader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  std::string_view Next();

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// "n. title" with every "&" doubled once, so the menu shows the title as it is.
std::string SubmenuCaption(size_t number, std::string_view title);

// Parses the bytes of the local copy. The first line decides the encoding: a
// list whose first line does not begin with "#" (a byte-order mark, say) is
// UTF-8; any other is in the ANSI code page, and `ansiToUtf8` converts it.
// Entries are pairs of lines, an info line and an address line; no tag is
// checked.
ChannelList ParsePlaylist(std::string_view bytes, std::string_view pseudoTitle, const TextConverter& ansiToUtf8);

// The size in kilobytes, rounded halves to even.
long long KilobytesRounded(long long bytes);

// Texts of the message box and the log lines of a reload.
std::string PlaylistLoadedMessage(std::string_view prefix, std::string_view address, long long bytes);
std::string PlaylistLoadedLogLine(std::string_view address, long long bytes);
std::string ReloadDoneLogLine(const ChannelList& list);
std::string PlaylistTooLargeLogLine(std::string_view path, long long bytes);

}  // namespace strevo

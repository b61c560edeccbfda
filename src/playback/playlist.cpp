#include "playback/playlist.h"

#include "config/config.h"
#include "base/text_helpers.h"

namespace strevo {

PlaylistSource ClassifyPlaylistAddress(std::string_view address) {
  if (address.empty() || address == "<None>") return PlaylistSource::None;
  if (address.substr(0, 7) == "http://" || address.substr(0, 8) == "https://") return PlaylistSource::Http;
  if (address.size() >= 3 && address.substr(1, 2) == ":\\") return PlaylistSource::LocalFile;
  return PlaylistSource::Other;
}

HttpTarget SplitHttpAddress(std::string_view address) {
  HttpTarget t;
  std::string_view rest = address;
  if (rest.substr(0, 7) == "http://") {
    rest.remove_prefix(7);
  } else if (rest.substr(0, 8) == "https://") {
    rest.remove_prefix(8);
    t.secure = true;
    t.port = kPlaylistHttpsPort;
  }
  size_t end = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, end);
  if (end != std::string_view::npos) t.path = rest[end] == '/' ? std::string(rest.substr(end)) : "/" + std::string(rest.substr(end));
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) {
    std::string_view info = authority.substr(0, at);
    size_t colon = info.find(':');
    t.user = std::string(info.substr(0, colon));
    if (colon != std::string_view::npos) t.password = std::string(info.substr(colon + 1));
    authority.remove_prefix(at + 1);
  }
  // The port follows the last colon, after a bracketed IPv6 address if any.
  size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    std::string_view digits = authority.substr(colon + 1);
    int port = 0;
    bool number = !digits.empty() && digits.size() <= 5;
    for (char c : digits) {
      number = number && c >= '0' && c <= '9';
      if (number) port = port * 10 + (c - '0');
    }
    if (number && port >= 1 && port <= 65535) {
      t.port = port;
      authority = authority.substr(0, colon);
    }
  }
  t.host = std::string(authority);
  return t;
}

std::string_view ListLineReader::Next() {
  if (AtEnd()) return {};
  size_t start = pos_;
  size_t end = text_.find_first_of("\r\n", start);
  if (end == std::string_view::npos) {
    pos_ = text_.size();
    return text_.substr(start);
  }
  pos_ = end + 1;
  if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  return text_.substr(start, end - start);
}

std::string SubmenuCaption(size_t number, std::string_view title) {
  return std::to_string(number) + ". " + ReplaceAll("$$$", "&&", ReplaceAll("&", "$$$", title));
}

ChannelList ParsePlaylist(std::string_view bytes, std::string_view pseudoTitle, const TextConverter& ansiToUtf8) {
  ChannelList list;
  ListLineReader reader(bytes);
  std::string_view first = reader.AtEnd() ? std::string_view("#") : reader.Next();
  list.utf8 = first.empty() || first[0] != '#';
  auto toText = [&](std::string_view raw) { return list.utf8 || !ansiToUtf8 ? std::string(raw) : ansiToUtf8(raw); };

  list.titles.emplace_back(pseudoTitle);
  list.mrls.emplace_back("?");
  list.submenu.emplace_back(pseudoTitle);
  while (!reader.AtEnd()) {
    std::string_view info = reader.Next();
    size_t comma = info.find(',');
    if (comma != std::string_view::npos) info.remove_prefix(comma + 1);
    std::string title = TrimBlanks(toText(info));
    std::string_view address = reader.Next();
    list.mrls.push_back(TrimBlanks(toText(address)));
    const size_t n = list.titles.size();  // entries now in the channel list control, this one included
    list.submenu.push_back(SubmenuCaption(n, title));
    list.titles.push_back(std::move(title));
  }
  return list;
}

long long KilobytesRounded(long long bytes) { return RoundHalfEven(static_cast<double>(bytes) / 1024.0); }

std::string PlaylistLoadedMessage(std::string_view prefix, std::string_view address, long long bytes) {
  return std::string(prefix) + " \"" + std::string(address) + "\" (" + std::to_string(KilobytesRounded(bytes)) +
         " Kb)!";
}

std::string PlaylistLoadedLogLine(std::string_view address, long long bytes) {
  return "playlist loaded from \"" + AddressForLog(address) + "\" " + std::to_string(bytes) + "bytes";
}

std::string PlaylistTooLargeLogLine(std::string_view path, long long bytes) {
  return "playlist too large: \"" + std::string(path) + "\" " + std::to_string(bytes) + " bytes, limit " +
         std::to_string(kPlaylistMaxBytes);
}

std::string ReloadDoneLogLine(const ChannelList& list) {
  return "reloadplaylist done =" + std::to_string(list.ChannelCount()) + "ch, utf=" + (list.utf8 ? "1" : "0");
}

}  // namespace strevo

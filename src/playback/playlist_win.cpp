#include "playback/playlist_win.h"

#include <windows.h>

#include "../../resources/resource.h"
#include "base/eventlog.h"
#include "net/http_win.h"
#include "playback/playlist_tags.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

// Reads a list file within the size limit; a larger one is logged and left unread.
static bool ReadListFile(const std::string& path, std::string& bytes) {
  if (ReadFileBytes(path, bytes, kPlaylistMaxBytes)) return true;
  const int64_t size = FileSizeOf(path);
  if (size > kPlaylistMaxBytes) LogLine(PlaylistTooLargeLogLine(path, size));
  return false;
}

// Gets the list from its source into the local copy and returns the size of
// the new list. The copy is replaced only when a new list came (a complete
// 2xx response with a body, or a readable source file); otherwise it stays as
// it was and the size is 0, so nobody is told that a new list arrived.
static int64_t FetchIntoCopy(const std::string& address, const std::string& copy) {
  std::string bytes;
  switch (ClassifyPlaylistAddress(address)) {
    case PlaylistSource::Http: {
      HttpTarget target = SplitHttpAddress(address);
      HttpRequest request;
      request.server = target.host;
      request.port = target.port;
      request.secure = target.secure;
      request.object = target.path;
      request.user = target.user;
      request.password = target.password;
      if (!httpcmd(request, bytes) || bytes.empty())
        return 0;
      break;
    }
    case PlaylistSource::LocalFile:
      if (!FileExists(address) || !ReadListFile(address, bytes)) return 0;
      break;
    case PlaylistSource::None:
    case PlaylistSource::Other:
      return 0;
  }
  return WriteFileReplacing(copy, bytes) ? static_cast<int64_t>(bytes.size()) : 0;
}

ChannelList reloadplaylist(const std::string& address, const std::string& copy, bool requested,
                           const std::string& pseudoTitle,
                           const std::function<void(const std::string& message)>& tell, bool readTags) {
  // Fetching.
  if (ClassifyPlaylistAddress(address) == PlaylistSource::None) {
    if (!FileExists(copy)) WriteFileReplacing(copy, "");
  } else if (requested || !FileExists(copy)) {
    const int64_t size = FetchIntoCopy(address, copy);
    if (!FileExists(copy)) WriteFileReplacing(copy, "");
    if (requested && tell) tell(PlaylistLoadedMessage(LoadStringUtf8(IDS_NEW_CHANNEL_LIST), address, size));
    LogLine(PlaylistLoadedLogLine(address, size));
  }

  // Parsing.
  std::string bytes;
  ReadListFile(copy, bytes);
  const TextConverter ansi = [](std::string_view text) { return AnsiToUtf8(text); };
  return readTags ? ParseTaggedPlaylist(bytes, pseudoTitle, ansi) : ParsePlaylist(bytes, pseudoTitle, ansi);
}

}  // namespace strevo

// The channel list read with its tags, the user's choice: entries begin at
// #EXTINF, comment and blank lines no longer shift the pairs, and the tags
// give each channel a guide id, a logo, a group and engine options. Channels
// keep their positions by entry, so the list a user sees does not depend on
// how many comment lines a provider puts between them.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "playback/playlist.h"

namespace strevo {

// The #EXTVLCOPT options passed to the engine with the channel's address.
// Nothing else is: a downloaded list must not set the engine's output chain
// or any file the engine writes.
inline constexpr std::string_view kPassedEntryOptions[] = {"http-user-agent", "http-referrer", "network-caching"};
// Whether ":name=value" is such an option as the engine takes it: a passed
// name in lower case, "=", and a value without control characters.
bool IsPassedEngineOption(std::string_view option);

enum class ListEncoding { Utf8Bom, Utf16Le, Utf16Be, Utf8, Ansi };

// From the bytes alone: a byte-order mark; else UTF-8 when the bytes are valid
// UTF-8 holding at least one non-ASCII character; else the ANSI code page.
ListEncoding DetectListEncoding(std::string_view bytes);

// The whole list as UTF-8 without its byte-order mark.
std::string ListTextAsUtf8(std::string_view bytes, ListEncoding encoding, const TextConverter& ansiToUtf8);

// Attributes of an #EXTINF line: name="value", name='value' or name=value,
// separated by blanks; a name alone or without a value has an empty value.
// Names are lower-cased; the first of duplicate names wins.
struct InfoLine {
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string title;  // after the first comma outside quotes, trimmed
  const std::string* Find(std::string_view name) const;
};
InfoLine ParseInfoLine(std::string_view line);

// "+3", "-1.5", "2,5" hours -> minutes; 0 for anything else.
int ParseShiftMinutes(std::string_view text);

// Reads the list with its tags. `utf8` of the result is true for every
// encoding but the ANSI code page.
ChannelList ParseTaggedPlaylist(std::string_view bytes, std::string_view pseudoTitle,
                                const TextConverter& ansiToUtf8);

// The channel numbers (1-based) whose address is another, or that are gone,
// after the list is read the other way: scheduled tasks keep channels by
// number, so a task of such a number would now record another channel.
std::vector<int> ChannelsThatMove(const ChannelList& before, const ChannelList& after);

}  // namespace strevo

// libFuzzer target: the channel list read with its tags, from any bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/codepage.h"
#include "playback/playlist_tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const strevo::ChannelList list = strevo::ParseTaggedPlaylist(
      bytes, "pseudo", [](std::string_view ansi) { return strevo::CodePageToUtf8(ansi, 1251); });
  const size_t n = list.titles.size();
  if (n == 0 || list.mrls.size() != n || list.submenu.size() != n || list.tags.size() != n) __builtin_trap();
  if (list.mrls[0] != "?" || list.titles[0] != "pseudo") __builtin_trap();
  for (size_t i = 1; i < n; ++i) {
    // An address is a line of its own: never empty, never a comment.
    const std::string& mrl = list.mrls[i];
    if (mrl.empty() || mrl[0] == '#' || mrl.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    // Only a list whose mark claims UTF-8 may still hold bytes that are not.
    if (strevo::ClassifyUtf8(list.titles[i]) == strevo::Utf8Kind::Invalid &&
        strevo::DetectListEncoding(bytes) != strevo::ListEncoding::Utf8Bom)
      __builtin_trap();
    for (const std::string& option : list.tags[i].options) {
      bool passed = false;
      for (std::string_view name : strevo::kPassedEntryOptions)
        passed = passed || (option.starts_with(name) && option.size() > name.size() && option[name.size()] == '=');
      if (!passed) __builtin_trap();
      for (char c : option)
        if (static_cast<unsigned char>(c) < 32) __builtin_trap();
    }
    if (list.tags[i].tvgShiftMinutes < -24 * 60 - 60 || list.tags[i].tvgShiftMinutes > 24 * 60 + 60) __builtin_trap();
  }
  return 0;
}

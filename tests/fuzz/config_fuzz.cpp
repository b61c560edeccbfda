// libFuzzer target: a configuration file from any bytes. Every line is read as
// the global record, the "?Ext" record and a channel's record; what is read
// and written again must read back to the same values.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/config.h"
#include "playback/settings_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  strevo::ConfigList list = strevo::ParseConfigText(text);
  if (strevo::ParseConfigText(strevo::ConfigText(list)) != list && !list.empty() && text.find('\r') == text.npos)
    __builtin_trap();
  strevo::GlobalSettings ext;
  strevo::ReadExtRecord(list, ext);
  strevo::StoreExtRecord(list, ext);
  for (const std::string& line : list) {
    strevo::GlobalSettings g;
    strevo::ReadGlobalFields(line, g);
    const std::string once = strevo::BuildGlobalRecord(g);
    strevo::GlobalSettings again;
    strevo::ReadGlobalFields(once, again);
    if (strevo::BuildGlobalRecord(again) != once) __builtin_trap();

    const strevo::ChannelSettingsValues v = strevo::ChannelSettingsFromRecord(line);
    if (v.audioTrackIndex < 0 || v.audioTrackIndex >= strevo::kAudioTrackEntries) __builtin_trap();
    if (v.deinterlace < 0 || v.deinterlace >= strevo::kDeinterlaceModeCount) __builtin_trap();
    if (strevo::ChannelSettingsFromRecord(strevo::ChannelRecordText("k", v)) != v) __builtin_trap();
  }
  strevo::FindChannelRecord(list, list.empty() ? std::string_view() : std::string_view(list.back()));
  return 0;
}

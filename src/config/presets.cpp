#include "config/presets.h"

#include "base/text_helpers.h"

namespace strevo {

std::string PresetCaption(std::string_view fileText) {
  if (fileText.size() <= 7) return {};
  const std::string_view rest = fileText.substr(7);
  const size_t bar = rest.find('|');
  return bar == std::string_view::npos ? std::string() : std::string(rest.substr(0, bar));
}

std::string DownloadAddress(const ConfigList& list, std::string_view key, std::string_view builtIn) {
  const int i = FindRecordIndex(list, key);
  if (i >= 0) {
    std::string url = ExtractField(list[static_cast<size_t>(i)], "|", 1);
    if (!url.empty()) return url;
  }
  return std::string(builtIn);
}

}  // namespace strevo

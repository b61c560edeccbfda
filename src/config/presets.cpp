#include "config/presets.h"

#include "base/text_helpers.h"

namespace strevo {

std::string PresetCaption(std::string_view fileText) {
  if (fileText.size() <= 7) return {};
  const std::string_view rest = fileText.substr(7);
  const size_t bar = rest.find('|');
  return bar == std::string_view::npos ? std::string() : std::string(rest.substr(0, bar));
}

std::string PresetForInstall(std::string_view presetText, std::string_view currentText) {
  auto isAddressRecord = [](std::string_view line) {
    for (std::string_view key : {kPresetsKey, kComponentsKey})
      if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '|') return true;
    return false;
  };
  ConfigList lines = ParseConfigText(presetText);
  const size_t before = lines.size();
  std::erase_if(lines, isAddressRecord);
  bool changed = lines.size() != before;
  for (const std::string& own : ParseConfigText(currentText))
    if (isAddressRecord(own)) {
      lines.push_back(own);
      changed = true;
    }
  // A preset without such records is installed byte for byte, as it came.
  return changed ? ConfigText(lines) : std::string(presetText);
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

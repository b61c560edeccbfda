// Provider presets (complete configuration files, numbered "0.ini" to
// "99.ini" in an archive on the program's web site) and the other archives
// the program downloads from its site.
#pragma once
#include <string>
#include <string_view>

#include "config/config.h"

namespace strevo {

inline constexpr int kPresetCount = 100;
// Records naming another address for a download than the built-in one (an
// installation pointing at its own server): the key, then the address.
inline constexpr std::string_view kPresetsKey = "?Presets";
inline constexpr std::string_view kComponentsKey = "?Components";

// What the installer's list shows of a preset file: its text from the eighth
// character up to the next "|" (empty when there is none).
std::string PresetCaption(std::string_view fileText);

// The configuration file a preset installs: the preset's lines without any
// record naming a download address (a provider's file must not choose where
// the program's code comes from), with the current configuration's own such
// records kept. Both are the files' bytes, lines ending in CR LF.
std::string PresetForInstall(std::string_view presetText, std::string_view currentText);

// Field 1 of the first record keyed `key` when it is not empty, else `builtIn`.
std::string DownloadAddress(const ConfigList& list, std::string_view key, std::string_view builtIn);

}  // namespace strevo

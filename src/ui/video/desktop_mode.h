// Desktop mode changes a setting of the whole session, the desktop's
// background colour. The colour it replaced is kept in a file beside the
// executable while the mode is on, so a start after a crash or a killed
// process can put it back.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "base/colour.h"

namespace strevo {

// The file beside the executable that holds the colour while the mode is on.
inline constexpr std::string_view kDesktopColourEnding = ".Desktop";

// The colour the engine's picture shows through on the desktop.
inline constexpr Rgb kDesktopKeyColour = MakeRgb(0, 0, 1);

std::string DesktopColourFileText(Rgb saved);
// The saved colour, or nothing for a text that holds none.
std::optional<Rgb> ParseDesktopColourFile(std::string_view text);

// A colour left behind is put back only while the desktop still shows the
// key colour: a colour the user chose since is theirs.
inline bool ShouldRestoreDesktopColour(Rgb current) { return current == kDesktopKeyColour; }

}  // namespace strevo

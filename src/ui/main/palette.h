// The interface's seven colours: the user's own, or derived from the system
// colours, and what each of the main window's parts is painted with.
#pragma once
#include <array>

#include "base/colour.h"

namespace strevo {

using PaletteColours = std::array<Rgb, 7>;

// The system colours the derived palette is made of, as their current RGB.
struct SystemColours {
  Rgb buttonFace = 0;
  Rgb buttonHighlight = 0;
  Rgb buttonShadow = 0;
  Rgb buttonText = 0;
  Rgb highlight = 0;
};

// The palette that follows the system colours.
PaletteColours SystemPalette(const SystemColours& sys);

// The palette in use: the user's seven colours while "own colours" is on.
inline PaletteColours ActivePalette(bool ownColours, const PaletteColours& user, const SystemColours& sys) {
  return ownColours ? user : SystemPalette(sys);
}

// What the palette paints.
struct PaletteUse {
  Rgb gradientTop, gradientBottom;  // the bars' gradient
  Rgb controlBackground;            // controls on the bars that have a background of their own
  Rgb controlText;
  Rgb slider, shadow;
  Rgb captionHighlight;  // the highlighted part of the caption
  Rgb windowBackground;  // the main window itself
  Rgb videoText;         // channel list, guide list, OSD and logo on the video window
};
PaletteUse UseOf(const PaletteColours& p);

}  // namespace strevo

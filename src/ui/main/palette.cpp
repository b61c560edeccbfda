#include "ui/main/palette.h"

namespace strevo {

PaletteColours SystemPalette(const SystemColours& sys) {
  PaletteColours p{};
  p[0] = MixRgb(sys.buttonFace, MixRgb(sys.buttonFace, sys.buttonHighlight));
  p[1] = MixRgb(sys.buttonFace, MixRgb(sys.buttonFace, sys.buttonShadow));
  p[2] = MixRgb(sys.buttonShadow, sys.buttonText);
  p[3] = MixRgb(sys.highlight, MixRgb(sys.highlight, sys.buttonShadow));
  p[4] = MixRgb(sys.buttonShadow, p[1]);
  p[5] = MixRgb(p[2], sys.highlight);
  p[6] = MixRgb(kWhite, MixRgb(kWhite, sys.highlight));
  return p;
}

PaletteUse UseOf(const PaletteColours& p) {
  PaletteUse u{};
  u.gradientTop = p[0];
  u.gradientBottom = p[1];
  u.controlBackground = MixRgb(p[0], p[1]);
  u.controlText = p[2];
  u.slider = p[3];
  u.shadow = p[4];
  u.captionHighlight = p[5];
  u.windowBackground = MixRgb(p[1], p[4]);
  u.videoText = p[6];
  return u;
}

}  // namespace strevo

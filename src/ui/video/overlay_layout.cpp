#include "ui/video/overlay_layout.h"

#include <algorithm>

#include "config/config.h"

namespace strevo {

OverlayLayout LayOutOverlays(int clientWidth, int clientHeight, int border, bool listShown, int listWidth) {
  OverlayLayout l;
  l.pictureWidth = std::max(0, listShown ? clientWidth - 3 * border - listWidth : clientWidth - 2 * border);
  l.pictureHeight = std::max(0, clientHeight - 2 * border);
  const int w = l.pictureWidth, h = l.pictureHeight;
  l.logoFont = (w + h) * 160 / 1296;
  l.logoLabelHeight = 50 + l.logoFont;
  l.osdFont = w * 23 / 720;
  const int s = l.osdFont;
  // Three and three quarter lines would cut the bar line of a channel's OSD
  // in half: the label holds every line at its cell height.
  const int osdHeight = std::max(static_cast<int>(RoundHalfEven(3 * s * 1.25)), kOsdLines * s + 1);
  l.osd = {1, clientHeight - osdHeight - 1, w, osdHeight};
  l.boxFont = std::max(13, static_cast<int>(RoundHalfEven(s * 0.85)));
  l.boxItemHeight = l.boxFont + 4;
  return l;
}

OverlayRect StripPlacement(int panelWidth, int panelHeight, int width, int height) {
  return {(panelWidth - width) / 2, panelHeight - height, width, height};
}

bool ControlStripWanted(bool cursorHidden, int pointerX, int pointerY, const OverlayRect& strip, int panelHeight,
                        int border) {
  if (cursorHidden) return false;
  const bool nearY = pointerY >= panelHeight - strip.height - 10 && pointerY <= panelHeight + border;
  const bool nearX = pointerX >= strip.left - 10 && pointerX <= strip.left + strip.width + 10;
  return nearX && nearY;
}

Stacking StackingOf(bool maximised, bool docked, bool videoOnTop, bool fullScreenOnTop, bool panelOnTop) {
  Stacking s;
  s.video = (!maximised && videoOnTop && !docked) || (!maximised && panelOnTop && docked) ||
            (maximised && fullScreenOnTop);
  s.panel = panelOnTop && !(maximised && docked);
  return s;
}

std::string TimeShiftLabel(int barPosition) {
  const int hours = -barPosition;
  return (hours > 0 ? "+" : "") + std::to_string(hours) + " hr.";
}

std::string ChannelCaptionText(std::string_view selectorText, std::string_view mrl) {
  return std::string(selectorText) + " (" + std::string(mrl) + ")";
}

}  // namespace strevo

#include "ui/main/geometry.h"

#include <algorithm>

namespace strevo {

Extent WindowSizeForClient(Extent client, FrameInsets frame) {
  return {client.width + frame.left + frame.right, client.height + frame.top + frame.bottom};
}

int CollapsedClientHeight(int topBarHeight, int bottomBarHeight, int border) {
  return bottomBarHeight + topBarHeight + 3 * border;
}

Extent DockedClientSize(Extent video, int border, int topBarHeight, int bottomBarHeight, int minOuterWidth,
                        int frameWidth) {
  // The extra pixel keeps the video clear of the bottom bar.
  return {std::max(video.width + 2 * border, minOuterWidth - frameWidth),
          CollapsedClientHeight(topBarHeight, bottomBarHeight, border) + video.height + 1};
}

DockedPlacement DockedPanelPlacement(Point panel, Extent video, Extent frame, int border, int topBarHeight,
                                     int bottomBarHeight, int minOuterWidth) {
  // The stored client height of a docked panel already holds a video, so the
  // docked height is the bars and this video, never the old height plus it.
  const Extent client = DockedClientSize(video, border, topBarHeight, bottomBarHeight, minOuterWidth, frame.width);
  DockedPlacement p;
  p.position = {panel.x - border, panel.y - (video.height + topBarHeight + 2 * border)};
  p.outer = {client.width + frame.width, std::max(client.height + frame.height, kDockedMinOuterHeight)};
  p.videoArea = {border, border + topBarHeight};
  p.videoAreaSize = {client.width - 2 * border, video.height};
  return p;
}

Point UndockedVideoPosition(Point panel, int border, int topBarHeight) {
  return {panel.x + border, panel.y + 2 * border + topBarHeight};
}

int BarControlX(int x) { return x >= 0 ? x : kBarWidth + x; }

}  // namespace strevo

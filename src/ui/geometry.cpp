#include "ui/geometry.h"

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

int BarControlX(int x) { return x >= 0 ? x : kBarWidth + x; }

}  // namespace strevo

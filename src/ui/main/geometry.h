// The main window's arithmetic: its bars' width, the panel's height without
// the video, the docked size and place, where the video goes when it leaves
// the panel, and the outer size a client size needs. The Win32 side only
// applies these numbers.
#pragma once

namespace strevo {

// Width of the top and bottom bars, and so of the collapsed panel's client area.
inline constexpr int kBarWidth = 384;

// The panel's smallest outer height while the video is docked in it.
inline constexpr int kDockedMinOuterHeight = 240;

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Extent {
  int width = 0;
  int height = 0;
  bool operator==(const Extent&) const = default;
};

// The window frame around a client area: what the frame adds on each side
// (the rectangle the system gives for an empty client area, negated on the
// left and top).
struct FrameInsets {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Outer window size for a client size inside `frame`.
Extent WindowSizeForClient(Extent client, FrameInsets frame);

// Client height of the panel without a docked video: both bars and the
// borders above, between and below them.
int CollapsedClientHeight(int topBarHeight, int bottomBarHeight, int border);

// Client size of the panel with the video docked inside it: the video and a
// border on either side (never narrower than the panel's own minimum outer
// width allows), under the bars.
Extent DockedClientSize(Extent video, int border, int topBarHeight, int bottomBarHeight, int minOuterWidth,
                        int frameWidth);

// The panel with the video docked: where it goes and how large it becomes,
// and the area inside its client area that holds the video.
struct DockedPlacement {
  Point position;  // outer top-left
  Extent outer;
  Point videoArea;  // in the panel's client area
  Extent videoAreaSize;
  bool operator==(const DockedPlacement&) const = default;
};

// Docking keeps the picture where it was: the panel moves up by the video,
// its top bar and two borders, and left by one border, so the video lands
// under the top bar. `panel` is the panel's outer top-left, `video` the video
// window's outer size, `frame` what the panel's frame adds to its client size.
DockedPlacement DockedPanelPlacement(Point panel, Extent video, Extent frame, int border, int topBarHeight,
                                     int bottomBarHeight, int minOuterWidth);

// Where the video window's outer top-left goes when it leaves the panel
// whose outer top-left is `panel`: where it sat inside it, under the top bar.
Point UndockedVideoPosition(Point panel, int border, int topBarHeight);

// Position on a bar: non-negative positions count from the left edge,
// negative ones from the right edge.
int BarControlX(int x);

}  // namespace strevo

// Creates the scheduler window's controls from the layout's rows.
#pragma once
#include <windows.h>

#include <utility>
#include <vector>

namespace strevo {

// What the controls use and their window frees: the fonts and the tool tips.
class SchedulerControlSet {
 public:
  SchedulerControlSet() = default;
  SchedulerControlSet(SchedulerControlSet&& other) noexcept { *this = std::move(other); }
  SchedulerControlSet& operator=(SchedulerControlSet&& other) noexcept {
    std::swap(font, other.font);
    std::swap(glyphFonts, other.glyphFonts);
    std::swap(tips, other.tips);
    return *this;
  }
  ~SchedulerControlSet();

  HFONT font = nullptr;  // "Tahoma", 11 pixels
  std::vector<HFONT> glyphFonts;
  HWND tips = nullptr;  // only in the player's window
};

// Every control of the layout as a child of `parent`, its id the row's id;
// the tool tips of the glyph buttons when `tips`.
SchedulerControlSet CreateSchedulerControls(HWND parent, bool tips);

}  // namespace strevo

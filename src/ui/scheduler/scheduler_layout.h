// The scheduler window's controls as data: id, kind, text, position and size
// on the client area. The window only creates what the rows say.
#pragma once
#include <span>
#include <string_view>

namespace strevo {

inline constexpr int kSchedulerClientWidth = 658;
inline constexpr int kSchedulerClientHeight = 351;
inline constexpr int kRecorderItemHeight = 73;

enum SchedulerControlId : int {
  kShOk = 1,  // IDOK and IDCANCEL, so Enter and Esc reach them
  kShCancel = 2,
  // Clear of the ids controls give their own children (a combo box's edit is 1001).
  kShEnabled = 1101,
  kShEnabledLabel,
  kShTaskList,
  kShNameLabel,
  kShName,
  kShStartLabel,
  kShStart,
  kShDate,
  kShSetNow,
  kShWeekDaysLabel,
  kShMonday,  // .. kShMonday + 6 = Sunday
  kShSunday = kShMonday + 6,
  kShDayNames,
  kShLine1,
  kShView,
  kShChannelLabel,
  kShChannel,
  kShRecord,
  kShModeLabel,
  kShMode,
  kShSuffixLabel,
  kShSuffix,
  kShCommandKind,
  kShCommandLabel,
  kShCommand,
  kShHint,
  kShLine2,
  kShEndLabel,
  kShEnd,
  kShDurationOpen,
  kShDuration,
  kShDurationClose,
  kShAfterEndLabel,
  kShAfterEnd,
  kShLine3,
  kShAdd,
  kShCopy,
  kShCopyPlus,  // the "+" laid over the copy glyph; it copies too
  kShDelete,
  kShClock,
  kShVerticalLine,
  kShRecordersLabel,
  kShRecorderCount,
  kShRecordersUnit,
  kShRecorders,
};

enum class ShControlKind {
  CheckBox,
  Label,
  TaskList,    // report-style list view with check boxes
  Edit,
  TimePicker,  // "HH:mm" with an up-down
  DatePicker,
  Glyph,       // a label showing one character of a symbol font, clicked like a button
  Line,        // an etched separator
  Radio,       // the first one starts the group
  DropDown,    // a drop-down list
  ComboEdit,   // an editable combo box
  Button,
  RecorderList,  // owner-drawn list box of the background recorders
};

struct GlyphFont {
  std::string_view face;  // empty: not a glyph
  int height = 0;
  bool bold = false;
  int code = 0;  // a character code of a symbol font; 0: the row's text
  // Shown in "Arial" instead when the symbol font lacks the character (a
  // system without the font), so that the button is still told apart.
  std::string_view fallback = {};
};

struct ShControl {
  int id;
  ShControlKind kind;
  std::string_view text;
  int x, y, width, height;
  int listWidth = 0;  // drop-down width of a list or combo box
  GlyphFont glyph = {};
  std::string_view tip = {};
};

std::span<const ShControl> SchedulerControls();
// The row of a control id, or null.
const ShControl* SchedulerControl(int id);

}  // namespace strevo

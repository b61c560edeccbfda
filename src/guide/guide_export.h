// The guide as HTML pages: one page per channel (also the video window's
// guide list), an index page that is an HTML application framing them, and
// the blank page the frame starts with.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "guide/guide_display.h"
#include "guide/jtv.h"

namespace strevo {

// What every page shows besides the guide itself.
struct GuidePageLooks {
  std::string caption;     // the guide submenu's current caption
  std::string exePath;     // the pages' icon
  bool maximised = false;  // the video window is maximised: larger type
  LocaleNames names = LocaleNames::English();  // the user's day and month names
};

struct ChannelPage {
  std::string html;                // UTF-8
  std::vector<std::string> lines;  // the guide list's lines
  int selectedLine = -1;           // the line of the marked programme, -1 when none is
};

// The page of one channel's programme list. The programme marked as on air is
// the first one followed by a programme that starts after `now`.
// `perProgramme` runs once for every programme (the windows stay alive).
ChannelPage BuildChannelPage(const ProgrammeList& list, std::string_view title, int shiftHours, DateTime now,
                             const GuidePageLooks& looks, const std::function<void()>& perProgramme = {});

// The frame's first page, the only one written as it is rather than as UTF-8.
inline constexpr std::string_view kEmptyPage = "<html><body style=\"background:ButtonFace;\"></body></html>";

// The index page before its links. `openPage`: the channel page the frame
// opens at once, when there is one.
std::string IndexPageHead(const GuidePageLooks& looks, std::optional<int> openPage);
// One link; the links follow each other without line breaks.
std::string IndexPageLink(int number, std::string_view title);
std::string_view IndexPageTail();

// Text for HTML: "&", "<", ">" and the double quote as references, so a
// title or programme text is shown as it is and never taken for markup (the
// index page runs with the rights of an application).
std::string HtmlText(std::string_view text);

// What the export needs of the file system.
class ExportFiles {
 public:
  virtual ~ExportFiles() = default;
  virtual bool FileExists(const std::string& path) = 0;
  // The whole file, replaced at once; false leaves the old one as it was.
  virtual bool WriteWhole(const std::string& path, std::string_view bytes) = 0;
};

// The page and list lines of the channel at `position` of the title list,
// from its XMLTV list when it has one, else from its guide files; nothing when
// it has neither (no record, no guide name, no files, or files that cannot be
// read).
std::optional<ChannelPage> ChannelPageOf(const GuideContext& ctx, size_t position, std::string_view title,
                                         const GuidePageLooks& looks, const std::function<void()>& perProgramme = {});

// Every channel of the title list (positions 1 on) into `folder` as N.htm,
// then "empty.htm" and "index.htm" linking every N.htm that exists
// afterwards, an older page left there included. With `openCurrent` the
// frame opens the current channel's page when that page was there before.
void ExportAllChannels(const GuideContext& ctx, const GuidePageLooks& looks, ExportFiles& files,
                       const std::string& folder, bool openCurrent, const std::function<void()>& perProgramme = {});

}  // namespace strevo

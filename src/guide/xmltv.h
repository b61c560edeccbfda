// Guides in XMLTV form: channels with their ids and display names, and
// programmes with start and stop times that carry their zone offset. Read
// into the same programme lists the JTV files give, and matched to the
// channels of the list.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "guide/jtv.h"

namespace strevo {

// The local zone's offset from UTC, in minutes, at a moment given in UTC
// (as a date-time value): the offset in force then, summer time included.
using LocalOffsetAt = std::function<int(DateTime utc)>;

struct XmltvChannel {
  std::string id;
  std::vector<std::string> names;  // display names, in document order
  // Programmes by start, each list ending with a marker (empty text) at the
  // last programme's stop, so that the last programme is shown as on air
  // until its stop. Gaps between a stop and the next start get such a
  // marker too.
  std::vector<GuideProgramme> programmes;
};

struct XmltvGuide {
  std::vector<XmltvChannel> channels;
  size_t programmeCount = 0;    // programmes kept
  size_t unreadableTimes = 0;   // programmes dropped: their start is no time this reader knows
  size_t notInList = 0;         // programmes left out: no channel of the list matches theirs
};

enum class XmltvStatus { Ok, NotXmltv, Malformed };

// Looks like an XMLTV document: after an optional byte-order mark and blanks
// it begins with "<?xml" or "<tv" or a comment or document type before it.
bool LooksLikeXmltv(std::string_view bytes);

// "20261208183000 +0300" -> local date-time. The time may be cut short as the
// format allows (down to the year: "202612081830", "20261208"), the zone and
// the blank before it may be missing; "+03:00", "Z" and the zone names guides
// use (UTC, GMT, BST, IST for Irish summer time, WET, WEST, CET, CEST, EET,
// EEST, MSK, and the North American EST to PDT) are taken too. A time without
// a zone is UTC, as the format defines. False when the text is no time.
bool ParseXmltvTime(std::string_view text, const LocalOffsetAt& localOffset, DateTime& local);

// Reads a document (UTF-8, UTF-16 with its mark, or the windows-1251 and
// ISO-8859-1 encodings a declaration may name). Programme titles become the
// texts, cut to kGuideTextMax. Malformed: the XML is broken (a guide cut
// short in its download, say); nothing of it should replace a guide.
XmltvStatus ParseXmltv(std::string_view bytes, const LocalOffsetAt& localOffset, XmltvGuide& guide);

struct XmltvListChannel;

// Reads a document that arrives in pieces (from a download, through a
// decoder, or from the kept file), holding about one piece of it at a time.
// Given the list, it keeps every channel but the programmes of only those
// channels the list matches (MatchXmltvChannels), decided at each programme
// from the channels read before it, as the format puts channels first.
class XmltvStream {
 public:
  // `list`, when given, must outlive the stream; null keeps every programme.
  explicit XmltvStream(LocalOffsetAt localOffset, const std::vector<XmltvListChannel>* list = nullptr);
  ~XmltvStream();
  XmltvStream(const XmltvStream&) = delete;
  XmltvStream& operator=(const XmltvStream&) = delete;
  // False once the document is known to be no guide or broken: no more of it
  // can change the outcome. What follows the root element is taken and not read.
  bool Feed(std::string_view piece);
  // The end of the document: Ok and the guide read, or what was wrong (and
  // an empty guide).
  XmltvStatus Finish(XmltvGuide& guide);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

// A channel of the list, as the matching sees it.
struct XmltvListChannel {
  std::string title;
  std::string tvgId;
  std::string tvgName;
  std::string overrideName;  // the channel's own guide name from its settings
  int shiftMinutes = 0;      // the list's tvg-shift for the channel
  bool operator==(const XmltvListChannel&) const = default;
};

// For each channel of the list the index of its guide channel, or -1. Rules in
// order, names compared without regard to case: the guide name of the
// channel's settings (a guide channel's id, else one of its display names),
// then tvg-id against the ids, then tvg-name against the display names, then
// the title against the display names.
std::vector<int> MatchXmltvChannels(const XmltvGuide& guide, const std::vector<XmltvListChannel>& list);

// The programme lists of the list's channels, index-aligned with `list`
// (null: no guide channel matched).
std::vector<GuideAnswer> XmltvListGuides(const XmltvGuide& guide, const std::vector<XmltvListChannel>& list);

// The guide file an update leaves in the guide folder, read at start-up.
inline constexpr char kXmltvFileName[] = "xmltv.xml";

// A guide channel's programmes as a programme list (header text `header`),
// every start moved by `shiftMinutes` (the list's tvg-shift).
GuideAnswer XmltvProgrammeList(const XmltvChannel& channel, const std::string& header, int shiftMinutes);

}  // namespace strevo

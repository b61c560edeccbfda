// The TV guide in JTV form: for every guide channel an index file ".ndx" and a
// text file ".pdt" with the same base name. A channel's pair is read once into
// a programme list and then answered from a cache.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/datetime.h"

namespace strevo {

struct GuideProgramme {
  std::string text;  // UTF-8; a backslash and "n" stand for a line break
  DateTime start = 0;
};

struct ProgrammeList {
  // Element 0 is a header (text = the base path asked for, start 0); the
  // programmes follow in file order.
  std::vector<GuideProgramme> items;
  // The starts never decrease from element 1 on, so the programme on air can
  // be found by binary search.
  bool ascending = true;
  // Programmes of empty text only mark where the one before ends (XMLTV stop
  // times): the pages do not list them.
  bool endMarkers = false;
};

// Null means the channel has no guide.
using GuideAnswer = std::shared_ptr<const ProgrammeList>;

// What the reader needs of the file system.
class GuideFiles {
 public:
  virtual ~GuideFiles() = default;
  virtual bool Exists(const std::string& path) = 0;
  // At most `limit` bytes from the start of the file (all of it when shorter).
  // False when the file cannot be opened or read.
  virtual bool Read(const std::string& path, size_t limit, std::string& bytes) = 0;
  // A programme text in `codepage` as UTF-8. The built-in tables know a few
  // code pages; a system's own conversion knows them all.
  virtual std::string TextToUtf8(std::string_view bytes, int codepage);
};

enum class GuideStatus { Ok, IoError };

// Texts longer than this are cut to it.
inline constexpr size_t kGuideTextMax = 5000;

// Reads the pair in the subfolder "99" of the base path's folder, then the pair
// at the base path itself, into one list; a pair missing either file is
// skipped. `answer` is null when neither pair was used. Texts are converted
// from `codepage` to UTF-8. IoError for a truncated index, an offset or length
// field past the end of the text file, or a file that cannot be read.
GuideStatus ReadGuide(const std::string& basePath, GuideFiles& files, int codepage, GuideAnswer& answer);

// The answers already read, "no guide" included, by exact base path.
class GuideCache {
 public:
  // Answers from the cache, else reads and caches; an I/O error is not cached,
  // so the next request tries again.
  GuideStatus Get(const std::string& basePath, GuideFiles& files, int codepage, GuideAnswer& answer);
  void Clear() { answers_.clear(); }
  size_t size() const { return answers_.size(); }

 private:
  std::unordered_map<std::string, GuideAnswer> answers_;
};

}  // namespace strevo

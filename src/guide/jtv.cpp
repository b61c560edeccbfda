#include "guide/jtv.h"

#include <cstdint>

#include "base/codepage.h"
#include "base/text_helpers.h"

namespace strevo {
namespace {

// Counts and offsets are 16-bit: an index holds at most 65535 entries, and no
// record can reach past offset + length field + 65535 text bytes.
constexpr size_t kIndexLimit = 2 + 12 * size_t{65535};
constexpr size_t kTextFileLimit = 65535 + 2 + 65535;

uint16_t Le16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

uint64_t Le64(const std::string& b, size_t at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

std::string ProgrammeText(GuideFiles& files, const std::string& pdt, size_t at, size_t length, int codepage) {
  std::string_view raw(pdt.data() + at, length);
  raw = raw.substr(0, raw.find('\0'));
  // Over-long records are cut rather than dropped: the start time still
  // marks where the previous programme ends.
  if (raw.size() > kGuideTextMax) raw = raw.substr(0, kGuideTextMax);
  return files.TextToUtf8(raw, codepage);
}

GuideStatus ReadPair(const std::string& base, GuideFiles& files, int codepage, ProgrammeList& list) {
  std::string ndx, pdt;
  if (!files.Read(base + ".ndx", kIndexLimit, ndx) || !files.Read(base + ".pdt", kTextFileLimit, pdt))
    return GuideStatus::IoError;
  if (ndx.size() < 2) return GuideStatus::IoError;
  const size_t count = Le16(ndx, 0);
  if (ndx.size() < 2 + 12 * count) return GuideStatus::IoError;
  list.items.reserve(list.items.size() + count);
  for (size_t k = 0; k < count; ++k) {
    const size_t entry = 2 + 12 * k;
    GuideProgramme p;
    p.start = FileTimeToDateTime(Le64(ndx, entry + 2));
    const size_t offset = Le16(ndx, entry + 10);
    if (offset + 2 > pdt.size()) return GuideStatus::IoError;
    const size_t length = Le16(pdt, offset);
    if (offset + 2 + length > pdt.size())
      p.text = "Нет информации (" + std::to_string(length) + ")";
    else
      p.text = ProgrammeText(files, pdt, offset + 2, length, codepage);
    if (list.items.size() > 1 && p.start < list.items.back().start) list.ascending = false;
    list.items.push_back(std::move(p));
  }
  return GuideStatus::Ok;
}

}  // namespace

std::string GuideFiles::TextToUtf8(std::string_view bytes, int codepage) { return CodePageToUtf8(bytes, codepage); }

GuideStatus ReadGuide(const std::string& basePath, GuideFiles& files, int codepage, GuideAnswer& answer) {
  answer = nullptr;
  auto list = std::make_shared<ProgrammeList>();
  list->items.push_back({basePath, 0});
  const std::string folder = FolderOf(basePath);
  const std::string in99 = (folder.empty() ? std::string() : folder + "\\") + "99\\" + FileNameOf(basePath);
  bool used = false;
  for (const std::string& base : {in99, basePath}) {
    if (!files.Exists(base + ".ndx") || !files.Exists(base + ".pdt")) continue;
    if (ReadPair(base, files, codepage, *list) != GuideStatus::Ok) return GuideStatus::IoError;
    used = true;
  }
  if (used) answer = std::move(list);
  return GuideStatus::Ok;
}

GuideStatus GuideCache::Get(const std::string& basePath, GuideFiles& files, int codepage, GuideAnswer& answer) {
  if (auto it = answers_.find(basePath); it != answers_.end()) {
    answer = it->second;
    return GuideStatus::Ok;
  }
  const GuideStatus status = ReadGuide(basePath, files, codepage, answer);
  if (status == GuideStatus::Ok) answers_.emplace(basePath, answer);
  return status;
}

}  // namespace strevo

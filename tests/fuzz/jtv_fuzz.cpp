// libFuzzer target: ReadGuide over a JTV pair taken from the input. The first
// two bytes give the index's length; the index follows, the rest is the text
// file. With the lowest bit of the first byte set, the same pair also lies in
// the folder 99, so the two-pair path is fuzzed as well.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "guide/jtv.h"

namespace {

class InputFiles : public strevo::GuideFiles {
 public:
  std::map<std::string, std::string> files;
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  bool Read(const std::string& path, size_t limit, std::string& bytes) override {
    auto it = files.find(path);
    if (it == files.end()) return false;
    bytes = it->second.substr(0, limit);
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string in(reinterpret_cast<const char*>(data), size);
  const size_t ndxSize = std::min<size_t>(data[0] | data[1] << 8, size - 2);
  InputFiles fs;
  fs.files["G\\ch.ndx"] = in.substr(2, ndxSize);
  fs.files["G\\ch.pdt"] = in.substr(2 + ndxSize);
  const bool twoPairs = data[0] & 1;
  if (twoPairs) {
    fs.files["G\\99\\ch.ndx"] = fs.files["G\\ch.ndx"];
    fs.files["G\\99\\ch.pdt"] = fs.files["G\\ch.pdt"];
  }
  strevo::GuideCache cache;
  strevo::GuideAnswer answer;
  const strevo::GuideStatus status = cache.Get("G\\ch", fs, 1251, answer);
  if (status != strevo::GuideStatus::Ok) {
    if (answer || cache.size() != 0) __builtin_trap();
    return 0;
  }
  // A read pair gives its header and exactly as many programmes as the index counts.
  if (!answer) __builtin_trap();
  const std::string& ndx = fs.files["G\\ch.ndx"];
  const size_t count = static_cast<uint8_t>(ndx[0]) | static_cast<uint8_t>(ndx[1]) << 8;
  if (answer->items.size() != 1 + count * (twoPairs ? 2 : 1)) __builtin_trap();
  bool ascending = true;
  for (size_t k = 1; k < answer->items.size(); ++k) {
    // 1251 characters take at most three UTF-8 bytes.
    if (answer->items[k].text.size() > 3 * strevo::kGuideTextMax) __builtin_trap();
    if (k > 1 && answer->items[k].start < answer->items[k - 1].start) ascending = false;
  }
  if (ascending != answer->ascending) __builtin_trap();
  return 0;
}

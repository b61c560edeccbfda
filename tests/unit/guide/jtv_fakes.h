// Hand-made JTV pairs in a memory file system, for the guide tests.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "guide/jtv.h"

namespace strevo::testing {

// FILETIME ticks of a wall-clock time (no time zone involved).
inline uint64_t Ticks(int y, int mo, int d, int h, int mi) {
  const double days = EncodeDateTime({y, mo, d, h, mi, 0, 0}) - EncodeDate(1601, 1, 1);
  return static_cast<uint64_t>(days * 86400.0 + 0.5) * 10000000ULL;
}

struct JtvEntry {
  uint64_t ticks;
  std::string text;  // in the file's code page
};

struct JtvPair {
  std::string ndx, pdt;
};

inline void PutLe(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

// A pair as guide makers write it: a short header in the text file, then the
// records in order, each pointed at by its index entry.
inline JtvPair MakeJtv(const std::vector<JtvEntry>& entries) {
  JtvPair p;
  p.pdt = "JTV 3.x TV Program Data\n\n\n";
  PutLe(p.ndx, entries.size(), 2);
  for (const JtvEntry& e : entries) {
    PutLe(p.ndx, 0, 2);
    PutLe(p.ndx, e.ticks, 8);
    PutLe(p.ndx, p.pdt.size(), 2);
    PutLe(p.pdt, e.text.size(), 2);
    p.pdt += e.text;
  }
  return p;
}

class MemoryGuideFiles : public GuideFiles {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> unreadable;
  int reads = 0;

  void AddPair(const std::string& base, const JtvPair& p) {
    files[base + ".ndx"] = p.ndx;
    files[base + ".pdt"] = p.pdt;
  }
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  bool Read(const std::string& path, size_t limit, std::string& bytes) override {
    ++reads;
    auto it = files.find(path);
    if (it == files.end() || unreadable.count(path)) return false;
    bytes = it->second.substr(0, limit);
    return true;
  }
};

}  // namespace strevo::testing

#include "engine_abi.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<std::string, std::string>> EntryPoints() {
  return {
#define ENTRY(member, symbol, result, params) {#member, #symbol},
      STREVO_ENGINE_ENTRY_POINTS(ENTRY)
#undef ENTRY
  };
}

// The names the library's module definition file exports.
std::set<std::string> DefExports() {
  std::ifstream def(std::string(STREVO_SOURCE_DIR) + "/engine/libvlc.def");
  std::set<std::string> names;
  std::string word;
  bool exports = false;
  while (def >> word) {
    if (word == "EXPORTS") exports = true;
    else if (exports) names.insert(word);
  }
  return names;
}

// The table drives both the binding's resolution and the engine's own
// declarations: every entry once, its member named after its symbol, and
// exactly the names the library exports.
TEST(EngineAbi, EntryPointTableMatchesTheLibraryExports) {
  const auto entries = EntryPoints();
  EXPECT_EQ(entries.size(), 41u);
  std::set<std::string> symbols, members;
  for (const auto& [member, symbol] : entries) {
    EXPECT_TRUE(symbol == member || symbol == "__" + member) << member << " / " << symbol;
    EXPECT_TRUE(symbols.insert(symbol).second) << symbol << " twice";
    EXPECT_TRUE(members.insert(member).second) << member << " twice";
  }
  EXPECT_EQ(symbols, DefExports());
}

}  // namespace

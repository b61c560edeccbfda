#include "ui/video/desktop_mode.h"

#include <charconv>

namespace strevo {

std::string DesktopColourFileText(Rgb saved) { return std::to_string(saved) + "\r\n"; }

std::optional<Rgb> ParseDesktopColourFile(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  unsigned long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFFFF) return std::nullopt;
  return static_cast<Rgb>(value);
}

}  // namespace strevo

#include "ui/channels/logos.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "base/md5.h"

namespace strevo {

LogoSource LogoSourceOf(std::string_view address) {
  auto starts = [address](std::string_view p) {
    if (address.size() < p.size()) return false;
    for (size_t i = 0; i < p.size(); ++i)
      if (static_cast<char>(std::tolower(static_cast<unsigned char>(address[i]))) != p[i]) return false;
    return true;
  };
  if (starts("http://") || starts("https://")) return address.find_first_of(" \t\r\n") == std::string_view::npos
                                                          ? LogoSource::Http
                                                          : LogoSource::None;
  const bool drive = address.size() >= 3 && std::isalpha(static_cast<unsigned char>(address[0])) &&
                     address.substr(1, 2) == ":\\";
  if (drive || starts("\\\\")) return LogoSource::LocalFile;
  return LogoSource::None;
}

std::string LogoCacheName(std::string_view address) { return Md5Hex(address) + ".logo"; }

LogoKind LogoKindOf(std::string_view head) {
  auto is = [head](std::string_view magic) { return head.substr(0, magic.size()) == magic; };
  if (is(std::string_view("\x89PNG\r\n\x1a\n", 8))) return LogoKind::Png;
  if (is("\xFF\xD8\xFF")) return LogoKind::Jpeg;
  if (is("GIF87a") || is("GIF89a")) return LogoKind::Gif;
  if (is("BM") && head.size() >= 14) return LogoKind::Bmp;
  // An icon directory: reserved 0, type 1, at least one image.
  if (head.size() >= 6 && is(std::string_view("\0\0\1\0", 4)) && (head[4] != 0 || head[5] != 0))
    return LogoKind::Ico;
  return LogoKind::None;
}

std::vector<std::string> LogosToEvict(std::vector<CachedLogo> files, int64_t maxBytes) {
  int64_t total = 0;
  for (const CachedLogo& f : files) total += std::max<int64_t>(0, f.bytes);
  std::stable_sort(files.begin(), files.end(),
                   [](const CachedLogo& a, const CachedLogo& b) { return a.lastUsed < b.lastUsed; });
  std::vector<std::string> evicted;
  for (const CachedLogo& f : files) {
    if (total <= maxBytes) break;
    evicted.push_back(f.name);
    total -= std::max<int64_t>(0, f.bytes);
  }
  return evicted;
}

LogoSize FitLogo(int width, int height, int side) {
  if (width <= 0 || height <= 0 || side <= 0) return {};
  if (width >= height)
    return {side, std::max(1, static_cast<int>((static_cast<int64_t>(height) * side + width / 2) / width))};
  return {std::max(1, static_cast<int>((static_cast<int64_t>(width) * side + height / 2) / height)), side};
}

std::vector<std::string> LogoAddresses(const std::vector<std::string>& logos, bool listIsLocal) {
  std::vector<std::string> addresses;
  std::set<std::string_view> seen;
  for (const std::string& logo : logos) {
    const LogoSource source = LogoSourceOf(logo);
    if (source == LogoSource::None || (source == LogoSource::LocalFile && !listIsLocal)) continue;
    if (seen.insert(logo).second) addresses.push_back(logo);
  }
  return addresses;
}

}  // namespace strevo

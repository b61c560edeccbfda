// Channel logos: where a tvg-logo comes from, its name in the cache beside
// the exe, what may be taken as a logo, and which cached files go when the
// cache grows past its limit. The Win32 side fetches, decodes and draws.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/http.h"

namespace strevo {

// The folder beside the exe.
inline constexpr char kLogoFolder[] = "Logos";
// A logo is a small picture: anything larger is refused, over the network
// or on disk, and a server gets a few seconds to send it.
inline constexpr TransferLimits kLogoLimits{int64_t{1} << 20, 10'000};
// The cache: a few thousand logos of a few kilobytes fit.
inline constexpr int64_t kLogoCacheMaxBytes = int64_t{16} << 20;
// A picture that decodes to more pixels a side than this is refused
// unscaled: a small file may claim a huge picture.
inline constexpr int kLogoMaxSide = 4096;
// The icon in the channel list is this many pixels square.
inline constexpr int kLogoSide = 24;

enum class LogoSource { None, Http, LocalFile };
// "http://..." or "https://..." -> Http; "X:\..." or "\\server\..." -> LocalFile.
LogoSource LogoSourceOf(std::string_view address);

// The cache file's name: the address's digest, so any address gives a safe
// name of its own.
std::string LogoCacheName(std::string_view address);

enum class LogoKind { None, Png, Jpeg, Ico, Bmp, Gif };
// By the first bytes: a body that is no picture (an error page, say) is None.
LogoKind LogoKindOf(std::string_view head);

// A file of the cache as listed.
struct CachedLogo {
  std::string name;
  int64_t bytes = 0;
  uint64_t lastUsed = 0;  // any clock that orders uses
};
// The files to delete, oldest first, so that the rest fit in `maxBytes`.
std::vector<std::string> LogosToEvict(std::vector<CachedLogo> files, int64_t maxBytes);

// The size a picture of width x height is drawn at within a `side` square,
// keeping its proportions; {0, 0} for an empty picture.
struct LogoSize {
  int width = 0, height = 0;
  bool operator==(const LogoSize&) const = default;
};
LogoSize FitLogo(int width, int height, int side);

// The addresses to fetch, each once, in list order. Local paths only when the
// list itself is a local file: opening "\\\\host\\share\\x.png" from a downloaded
// list would make the system contact that host and present the user's
// credentials to it.
std::vector<std::string> LogoAddresses(const std::vector<std::string>& logos, bool listIsLocal);

}  // namespace strevo

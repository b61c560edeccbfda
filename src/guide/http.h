// The portable half of the HTTP transfers: the user agent, how a received
// block becomes text, the progress position and the log lines.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace strevo {

inline constexpr char kHttpUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT)";
inline constexpr size_t kHttpBlockSize = 1024;

// Appends a received block as text: it ends at the block's first zero byte.
void AppendTextBlock(std::string& text, const char* block, size_t length);

// Position of a bar of range 0..barMax after `received` of `reference` bytes.
// The reference is only what was available at the start, so the position is
// kept within the bar; with no reference the bar is full once data came.
int ProgressPosition(int barMax, int64_t received, int64_t reference);

std::string HttpCmdLogLine(std::string_view verb, std::string_view server, std::string_view object, size_t length);
std::string HttpGetFileLogLine(std::string_view url, std::string_view destination, int64_t fileSize,
                               int64_t reference);

}  // namespace strevo

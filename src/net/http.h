// The portable half of the HTTP transfers: the user agent, how a received
// block becomes text, the limits of a transfer and when its body counts as
// complete, the progress position and the log lines.
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
// Appends a read of any length as the blocks of kHttpBlockSize it is made of.
void AppendTextBlocks(std::string& text, const char* data, size_t length);

// A transfer fails when its body grows past `maxBytes` or when it has not
// ended `timeLimitMs` after it began.
struct TransferLimits {
  int64_t maxBytes;
  uint32_t timeLimitMs;
};
// A channel list: far beyond any real list (20 000 channels are 2 MB), and
// two minutes, in which such a list still comes over a 256 kbit/s line.
inline constexpr TransferLimits kChannelListLimits{int64_t{64} << 20, 120'000};
// A guide archive, the engine components or the provider presets.
inline constexpr TransferLimits kFileDownloadLimits{int64_t{256} << 20, 600'000};

enum class TransferFailure { None, NoResponse, Status, TooLarge, TimeLimit, ReadError, ShortBody, NoRoom };

// Follows one response as it arrives and decides whether its body came whole:
// a 2xx status, no read error, every byte a Content-Length announces, within
// the limits. A body without a length ends where the server ends it.
class BodyMeter {
 public:
  BodyMeter(const TransferLimits& limits, uint64_t startMs) : limits_(limits), startMs_(startMs) {}

  // The status and the Content-Length (-1 when there is none). False when the
  // body need not be read: an error status or an announced size over the limit.
  bool Begin(int status, int64_t contentLength);
  // Counts a received block. False when the transfer must stop: the body went
  // past the limit or the time is up; `failure()` says which.
  bool Add(size_t bytes, uint64_t nowMs);
  // The read loop has ended, by a read error or by the end of the body.
  void End(bool readError);
  // A failure found outside the meter (no response, or no room to keep the body).
  void Fail(TransferFailure why) {
    if (failure_ == TransferFailure::None) failure_ = why;
  }

  bool Complete() const { return ended_ && failure_ == TransferFailure::None; }
  TransferFailure failure() const { return failure_; }
  int64_t received() const { return received_; }
  int status() const { return status_; }
  int64_t contentLength() const { return contentLength_; }
  const TransferLimits& limits() const { return limits_; }

 private:
  TransferLimits limits_;
  uint64_t startMs_;
  int status_ = 0;
  int64_t contentLength_ = -1;
  int64_t received_ = 0;
  bool ended_ = false;
  TransferFailure failure_ = TransferFailure::None;
};

// A Content-Length header value; -1 when absent or not a plain number.
int64_t ParseContentLength(std::string_view text);

// Position of a bar of range 0..barMax after `received` of `reference` bytes.
// The reference is only what was available at the start, so the position is
// kept within the bar; with no reference the bar is full once data came.
int ProgressPosition(int barMax, int64_t received, int64_t reference);

// An address or request path as the log shows it: a password in it, given
// before the host ("user:password@") or as a query value named password,
// pass or pwd, is written as "***".
std::string AddressForLog(std::string_view address);

std::string HttpCmdLogLine(std::string_view verb, std::string_view server, std::string_view object, size_t length);
std::string HttpGetFileLogLine(std::string_view url, std::string_view destination, int64_t fileSize,
                               int64_t reference);
// Why a transfer brought nothing: "<what> failed: HTTP 404", "... 1000 of 5000
// bytes", "... over 67108864 bytes", "... over 120 s", "... read error".
std::string TransferFailedLogLine(std::string_view what, const BodyMeter& meter);

}  // namespace strevo

#pragma once
// What one ZipExtractAll may still write (ZipEnv's output_limit and
// free_space_margin); used by the extraction's sink only.

#include <cstdint>
#include <optional>
#include <string>

#include "unzip/zip.h"

namespace strevo {

// The ceilings of one ZipExtractAll over all its entries: a total, and the
// free space its disk must keep. The disk is asked again after every
// megabyte (others write to it too) and whenever the estimate runs short.
class OutputBudget {
 public:
  OutputBudget(const ZipEnv& env, const std::string& folder) : env_(env), folder_(folder) {}
  int Take(uint32_t n) {
    if (env_.output_limit && written_ + n > env_.output_limit) return kZipOutputLimit;
    if (env_.free_space_margin) {
      constexpr uint64_t kRecheck = 1 << 20;
      const int64_t margin = static_cast<int64_t>(env_.free_space_margin);
      const auto since = static_cast<int64_t>(written_ - checked_at_);
      if (!free_ || written_ - checked_at_ + n > kRecheck || *free_ - since - n < margin) {
        free_ = env_.host->FreeBytes(folder_);
        checked_at_ = written_;
      }
      if (free_ && *free_ - static_cast<int64_t>(written_ - checked_at_) - n < margin) return kZipNoRoom;
    }
    written_ += n;
    return kZipOk;
  }

 private:
  const ZipEnv& env_;
  const std::string& folder_;
  uint64_t written_ = 0;
  uint64_t checked_at_ = 0;  // written_ when the disk was last asked
  std::optional<int64_t> free_;
};

}  // namespace strevo

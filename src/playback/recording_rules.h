// Recording files: their names, the engine chain that writes them, the
// player's recording line, and how a recording's file is watched for faults
// the engine does not report.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"

namespace strevo {

// The entries of the recording format list, "PS" first.
const std::vector<std::string_view>& RecordingFormats();
// The entry at a list index; "PS" for an index outside the list.
std::string_view RecordingFormat(int index);

// Appends the closing "\" a folder lacks, in place, so the setting keeps it.
void AddClosingBackslash(std::string& folder);
// The title with | > < " ? * : / \ each replaced by "_".
std::string RecordingTitle(std::string_view title);
// ".mpg" for the "PS" entry, else "." and the entry in lower case.
std::string RecordingExtension(std::string_view format);
// folder + [prefix + " - "] + title + "-yyyyMMdd-HHmmss" + extension, `now`
// being local time. The folder gets its closing "\" first (in the setting too).
std::string RecordingFileName(std::string& captureFolder, std::string_view prefix, std::string_view title,
                              std::string_view format, DateTime now);
// The chain that shows the stream and writes it to the file (forward slashes).
std::string RecordingSout(std::string_view format, std::string_view fileName);

// round(bytes / 1024 / 1024).
int64_t RoundedMegabytes(int64_t bytes);
// "REC - HH:mm:ss - N Mb (M Mb free)", M empty when the free space is unknown;
// with a fault, "REC - HH:mm:ss - " and the fault's text instead of the sizes.
std::string RecordingLine(int64_t elapsedSeconds, int64_t fileBytes, std::optional<int64_t> freeBytes,
                          std::string_view fault = {});

// What goes wrong with a recording's file that the engine keeps to itself:
// the file cannot be created (the stream then plays and nothing is written),
// the disk fills up (the file stops growing), or the engine plays and writes
// nothing (a stream it cannot put into the chosen format). The recorder's status and the
// player's recording line show the fault instead of a size that stays put.
class RecordingWatch {
 public:
  // The file could not be created when the recording began.
  void CreateFailed() { createFailed_ = true; }
  // One look at the file: `fileBytes` -1 when it does not exist; `freeBytes`
  // empty when the drive's free space cannot be read.
  void Observe(bool playing, int64_t fileBytes, std::optional<int64_t> freeBytes, int64_t nowMs);
  // "" while all is well, else "Error! " and the reason.
  const std::string& Fault() const { return fault_; }

  static constexpr int64_t kStallMs = 2000;           // playing this long with nothing written
  static constexpr int64_t kLowSpaceBytes = 1 << 20;  // less free than this: the disk is full
  static constexpr int64_t kNothingWrittenMs = 5000;  // playing this long and the file still empty

 private:
  bool createFailed_ = false;
  int64_t lastBytes_ = -1;
  int64_t stalledSinceMs_ = -1;
  std::string fault_;
};

}  // namespace strevo

#include "playback/recording_rules.h"

#include <cmath>

#include "base/text_helpers.h"
#include "playback/bgrec_status.h"

namespace strevo {

const std::vector<std::string_view>& RecordingFormats() {
  static const std::vector<std::string_view> formats = {"PS", "RAW", "TS", "AVI", "OGG", "ASF", "MP4", "MOV", "WAV"};
  return formats;
}

std::string_view RecordingFormat(int index) {
  const auto& formats = RecordingFormats();
  return index >= 0 && index < static_cast<int>(formats.size()) ? formats[index] : formats[0];
}

void AddClosingBackslash(std::string& folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
}

std::string RecordingTitle(std::string_view title) {
  std::string out(title);
  for (char& c : out)
    if (std::string_view("|><\"?*:/\\").find(c) != std::string_view::npos) c = '_';
  return out;
}

std::string RecordingExtension(std::string_view format) {
  const std::string lower = AsciiLower(format);
  return lower == "ps" ? ".mpg" : "." + lower;
}

std::string RecordingFileName(std::string& captureFolder, std::string_view prefix, std::string_view title,
                              std::string_view format, DateTime now) {
  AddClosingBackslash(captureFolder);
  std::string name = captureFolder;
  if (!prefix.empty()) name += std::string(prefix) + " - ";
  return name + RecordingTitle(title) + "-" + FormatDateTime("yyyyMMdd", now) + "-" + FormatDateTime("HHmmss", now) +
         RecordingExtension(format);
}

std::string RecordingSout(std::string_view format, std::string_view fileName) {
  return "#duplicate{dst=display,dst=std{access=file,mux=" + AsciiLower(format) + ",url=\"" +
         ReplaceAll("\\", "/", fileName) + "\"}}";
}

int64_t RoundedMegabytes(int64_t bytes) {
  return static_cast<int64_t>(std::llround(static_cast<double>(bytes) / 1024.0 / 1024.0));
}

std::string RecordingLine(int64_t elapsedSeconds, int64_t fileBytes, std::optional<int64_t> freeBytes,
                          std::string_view fault) {
  std::string line = "REC - " + RecorderClock(elapsedSeconds) + " - ";
  if (!fault.empty()) return line + std::string(fault);
  return line + std::to_string(RoundedMegabytes(fileBytes < 0 ? 0 : fileBytes)) + " Mb (" +
         (freeBytes ? std::to_string(RoundedMegabytes(*freeBytes)) : std::string()) + " Mb free)";
}

void RecordingWatch::Observe(bool playing, int64_t fileBytes, std::optional<int64_t> freeBytes, int64_t nowMs) {
  if (fileBytes > lastBytes_ && fileBytes > 0) {
    // Written to: whatever was wrong is over.
    createFailed_ = false;
    fault_.clear();
    stalledSinceMs_ = -1;
    lastBytes_ = fileBytes;
    return;
  }
  lastBytes_ = fileBytes;
  if (createFailed_) {
    fault_ = "Error! cannot create the file";
    return;
  }
  // A stream that does not come is "Stand by", not a fault of the file.
  if (!playing) {
    stalledSinceMs_ = -1;
    return;
  }
  if (stalledSinceMs_ < 0) stalledSinceMs_ = nowMs;
  const int64_t stalled = nowMs - stalledSinceMs_;
  if (stalled < kStallMs) return;
  if (fileBytes < 0) fault_ = "Error! cannot create the file";
  else if (freeBytes && *freeBytes < kLowSpaceBytes) fault_ = "Error! disk full";
  // The engine plays and keeps the file empty: it cannot write this stream
  // in the chosen format.
  else if (fileBytes == 0 && stalled >= kNothingWrittenMs) fault_ = "Error! nothing written in this format";
}

}  // namespace strevo

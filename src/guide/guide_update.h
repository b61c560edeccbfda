// Fetching a new TV guide: download the archive, unpack it beside the old
// guide, and only when every entry came out whole replace the old files. A
// download that is no archive but an XMLTV guide (packed with gzip or xz, or
// not), or an archive that holds no JTV file but such a guide, is read whole
// and kept in the guide folder as one file.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "guide/xmltv.h"
#include "net/http.h"

namespace strevo {

class ZipHost;
class ZipReader;

// A guide download may be large: an XMLTV guide of a whole country passes a
// gigabyte unpacked, and is streamed, so only what is transferred is limited
// (and the time, as for any file).
inline constexpr TransferLimits kGuideDownloadLimits{int64_t{4} << 30, 600'000};

// A file written in pieces that replaces the old one only when it is whole.
class GuideFileWriter {
 public:
  virtual ~GuideFileWriter() = default;  // without Commit nothing of it stays
  virtual bool Write(std::string_view bytes) = 0;
  // The new file takes the old one's place; false leaves the old one.
  virtual bool Commit() = 0;
};

// What one update may unpack, so that a small hostile or broken download
// cannot fill the disk or the memory: 1 GB, or 100 times the download
// (guides compress about 5 to 30 times), whichever is less.
inline constexpr int64_t kGuideUnpackMaxBytes = int64_t{1} << 30;
inline constexpr int64_t kGuideUnpackRatio = 100;
// And the guide's disk keeps this much free: the guide sits beside the
// program, often on the system disk, which Windows needs room on; the
// player still writes its configuration, log and task files there, and a
// recording to the same disk (an 8 Mbit/s channel writes 1 MB a second)
// gets about a minute before the status line reports the disk full.
inline constexpr int64_t kGuideFreeSpaceMargin = int64_t{64} << 20;

int64_t GuideUnpackCeiling(int64_t downloadBytes);

enum class GuideExtraction {
  Whole,    // every entry out (entries of unknown methods, encrypted or refused names skipped)
  Partly,   // some entry damaged, or the walk abandoned
  Refused,  // a ceiling stopped it: nothing of it may be used
};

// Unpacks a guide archive with the program's own ZIP code into `folder`
// through `host`, at most `limit` bytes and never below the free-space
// margin; skipped entries and a ceiling are logged.
GuideExtraction ExtractGuideArchive(ZipHost& host, const std::string& archive, const std::string& folder,
                                    uint64_t limit);

// What the update needs of the system. Every call is made on the updating thread.
class GuideUpdateSystem {
 public:
  virtual ~GuideUpdateSystem() = default;
  // The whole body into `path`; false (and no usable file) on any failure.
  virtual bool Download(const std::string& url, const std::string& path) = 0;
  virtual bool IsArchive(const std::string& path) = 0;
  // Every entry into `folder` (created when missing), at most `limit` bytes
  // in all (ExtractGuideArchive).
  virtual GuideExtraction ExtractAll(const std::string& archive, const std::string& folder, uint64_t limit) = 0;
  virtual int64_t FileSize(const std::string& path) = 0;
  // Bytes free on the disk that holds `folder`; nullopt when unknown.
  virtual std::optional<int64_t> FreeBytes(const std::string& folder) = 0;
  // Deleting and replacing fail on a read-only file, as on Windows: the
  // update clears a file's attributes first.
  virtual void ClearAttributes(const std::string& path) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  // The folder and everything below it, read-only files included; nothing
  // when it does not exist.
  virtual void RemoveTree(const std::string& folder) = 0;
  // Moves a file, replacing one of the same name and creating its folder;
  // keeps its attributes.
  virtual bool MoveReplacing(const std::string& from, const std::string& to) = 0;
  // The file, to be read where it lies; null when it cannot be opened.
  virtual std::unique_ptr<ZipReader> OpenFile(const std::string& path) = 0;
  // A writer whose Commit replaces `path`; null when it cannot be created.
  virtual std::unique_ptr<GuideFileWriter> ReplaceFile(const std::string& path) = 0;
  // The whole file when it is no larger than `limit`; false otherwise.
  virtual bool ReadFile(const std::string& path, int64_t limit, std::string& bytes) = 0;
  // Replaces the file as a whole (never leaves it half written).
  virtual bool WriteFile(const std::string& path, const std::string& bytes) = 0;
  // The paths of the files directly in `folder`, in name order.
  virtual std::vector<std::string> FilesIn(const std::string& folder) = 0;
  // The paths of every file below `folder`, subfolders included.
  virtual std::vector<std::string> FilesBelow(const std::string& folder) = 0;
};

struct GuideUpdateRequest {
  std::string url;                      // the guide address; empty: nothing happens
  std::string tempFolder;               // TempWorkFolder
  std::string guideFolder;              // the exe's folder + "\\TVGuide"
  std::vector<std::string> knownNames;  // the guide names list: these pairs are replaced
  std::string updateCaption;            // the update command's current caption
  LocalOffsetAt localOffset;            // for an XMLTV guide's times
  // An XMLTV guide keeps the programmes of these channels only; none: all.
  std::optional<std::vector<XmltvListChannel>> list;
};

// The update's effects on the windows and the guide cache, in this order:
// the cache emptied, the channel-menu captions rebuilt, the OSD message, the
// guide names list refilled. Each is handed to `toUi`, which runs it on the
// UI thread.
struct GuideUpdateUi {
  std::function<void(std::function<void()>)> toUi;
  std::function<void()> clearCache;
  std::function<void()> rebuildCaptions;
  std::function<void(const std::string& request)> showOsd;  // a "#" request
  std::function<void()> refillNames;
  // A new XMLTV guide, or null when JTV files replaced it; runs before the
  // cache is emptied.
  std::function<void(std::shared_ptr<const XmltvGuide>)> setXmltv;
};

enum class GuideUpdateOutcome { NoAddress, Updated, NotArchive, Damaged };

// Kilobytes as the message shows them: bytes / 1024 to the nearest whole
// number, halves to even.
long long GuideArchiveKb(int64_t bytes);

GuideUpdateOutcome UpdateGuide(const GuideUpdateRequest& request, GuideUpdateSystem& system, const GuideUpdateUi& ui);

}  // namespace strevo

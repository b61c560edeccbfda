// Fetching a new TV guide: download the archive, unpack it beside the old
// guide, and only when every entry came out whole replace the old files. A
// download that is no archive but an XMLTV guide (gzip-packed or not), or an
// archive that holds no JTV file but such a guide, is read whole and kept in
// the guide folder as one file.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "guide/xmltv.h"

namespace strevo {

// What the update needs of the system. Every call is made on the updating thread.
class GuideUpdateSystem {
 public:
  virtual ~GuideUpdateSystem() = default;
  // The whole body into `path`; false (and no usable file) on any failure.
  virtual bool Download(const std::string& url, const std::string& path) = 0;
  virtual bool IsArchive(const std::string& path) = 0;
  // Every entry into `folder` (created when missing); false when the archive
  // could not be walked or any entry failed.
  virtual bool ExtractAll(const std::string& archive, const std::string& folder) = 0;
  virtual int64_t FileSize(const std::string& path) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  // The folder and everything below it; nothing when it does not exist.
  virtual void RemoveTree(const std::string& folder) = 0;
  // Moves every file below `from` to the same place below `to`, replacing
  // files of the same name and creating folders; false when one could not be moved.
  virtual bool MoveFilesInto(const std::string& from, const std::string& to) = 0;
  // The whole file when it is no larger than `limit`; false otherwise.
  virtual bool ReadFile(const std::string& path, int64_t limit, std::string& bytes) = 0;
  // Replaces the file as a whole (never leaves it half written).
  virtual bool WriteFile(const std::string& path, const std::string& bytes) = 0;
  // The paths of the files directly in `folder`, in name order.
  virtual std::vector<std::string> FilesIn(const std::string& folder) = 0;
};

struct GuideUpdateRequest {
  std::string url;                      // the guide address; empty: nothing happens
  std::string tempFolder;               // TempWorkFolder
  std::string guideFolder;              // the exe's folder + "\\TVGuide"
  std::vector<std::string> knownNames;  // the guide names list: these pairs are replaced
  std::string updateCaption;            // the update command's current caption
  LocalOffsetAt localOffset;            // for an XMLTV guide's times
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

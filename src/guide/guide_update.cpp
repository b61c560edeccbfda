#include "guide/guide_update.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "base/eventlog.h"
#include "base/text_helpers.h"
#include "config/config.h"
#include "net/http.h"
#include "unzip/gzip.h"
#include "unzip/xz.h"
#include "unzip/zip.h"

namespace strevo {

namespace {

std::string CeilingLine(uint64_t limit) {
  const std::string amount = limit < (1 << 20)
                                 ? std::to_string(GuideArchiveKb(static_cast<int64_t>(limit))) + " Kb"
                                 : std::to_string(RoundHalfEven(static_cast<double>(limit) / (1 << 20))) + " Mb";
  return "guide: not updated, it unpacks to more than " + amount;
}

std::string NoRoomLine() {
  return "guide: not updated, unpacking it would leave less than " + std::to_string(kGuideFreeSpaceMargin >> 20) +
         " Mb free on the disk";
}

// The download as an XMLTV guide: its document (unpacked when it came
// packed with gzip or xz) and what it holds. Null when it is none.
std::shared_ptr<const XmltvGuide> ReadXmltvDownload(const std::string& path, GuideUpdateSystem& system,
                                                    const LocalOffsetAt& localOffset, uint64_t ceiling,
                                                    std::string& document) {
  std::string bytes;
  if (!system.ReadFile(path, kFileDownloadLimits.maxBytes, bytes)) return nullptr;
  // Within the ceiling, and no larger than the guide is read back at start-up.
  const uint64_t limit = std::min<uint64_t>(ceiling, kFileDownloadLimits.maxBytes);
  bool tooLarge = false;
  if (IsGzip(bytes)) {
    const GunzipStatus status = Gunzip(bytes, limit, document);
    if (status != GunzipStatus::Ok && !(tooLarge = status == GunzipStatus::TooLarge)) return nullptr;
  } else if (IsXz(bytes)) {
    const UnxzStatus status = Unxz(bytes, limit, document);
    if (status != UnxzStatus::Ok && !(tooLarge = status == UnxzStatus::TooLarge)) return nullptr;
  } else {
    document = std::move(bytes);
  }
  if (tooLarge) {
    LogLine(CeilingLine(limit));
    return nullptr;
  }
  auto guide = std::make_shared<XmltvGuide>();
  if (ParseXmltv(document, localOffset, *guide) != XmltvStatus::Ok) return nullptr;
  return guide;
}

bool IsJtvFile(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".ndx" || ext == ".pdt";
}

}  // namespace

long long GuideArchiveKb(int64_t bytes) { return RoundHalfEven(static_cast<double>(bytes) / 1024.0); }

int64_t GuideUnpackCeiling(int64_t downloadBytes) {
  if (downloadBytes <= 0) return 0;
  return downloadBytes >= kGuideUnpackMaxBytes / kGuideUnpackRatio ? kGuideUnpackMaxBytes
                                                                    : downloadBytes * kGuideUnpackRatio;
}

GuideExtraction ExtractGuideArchive(ZipHost& host, const std::string& archive, const std::string& folder,
                                    uint64_t limit) {
  ZipEnv env;
  env.host = &host;
  // Zero would mean no limit; an empty download may unpack nothing.
  env.output_limit = std::max<uint64_t>(limit, 1);
  env.free_space_margin = kGuideFreeSpaceMargin;
  // An entry of a method this program lacks, an encrypted one or one whose
  // name is refused is skipped, logged, and costs no channel its guide; a
  // damaged one (or an abandoned walk) makes the extraction not whole.
  // A few failures are not reported at all: every entry begun must also be
  // reported done or skipped.
  int begun = 0, done = 0;
  bool failed = false;
  const int result = ZipExtractAll(
      archive, folder, "*.*",
      [&](int32_t code, const TReportRec& rec) {
        if (code == kZipReportEntry) {
          ++begun;
        } else if (code == kZipReportDone) {
          ++done;
        } else if ((code == kZipBadMethod || code == kZipEncrypted || code == kZipCreateError) && !rec.is_directory) {
          LogLine("guide: entry skipped (" + std::to_string(code) + "): " + FileNameOf(rec.file_name));
          ++done;
        } else if (code == kZipReportAbandon || (code < 0 && code > kZipReportAbandon)) {
          failed = true;
        }
      },
      nullptr, env);
  if (result == kZipOutputLimit || result == kZipNoRoom) {
    LogLine(result == kZipOutputLimit ? CeilingLine(limit) : NoRoomLine());
    return GuideExtraction::Refused;
  }
  return result >= 0 && !failed && begun == done ? GuideExtraction::Whole : GuideExtraction::Partly;
}

GuideUpdateOutcome UpdateGuide(const GuideUpdateRequest& request, GuideUpdateSystem& system, const GuideUpdateUi& ui) {
  const std::string archive = request.tempFolder + "\\TVGuide.zip";
  system.RemoveFile(archive);
  if (request.url.empty()) return GuideUpdateOutcome::NoAddress;

  GuideUpdateOutcome outcome = GuideUpdateOutcome::NotArchive;
  bool replaced = false;  // old files are gone: the cache and captions must follow
  const std::string xmltvPath = request.guideFolder + "\\" + kXmltvFileName;
  bool xmltvChanged = false;
  std::shared_ptr<const XmltvGuide> xmltv;
  const bool downloaded = system.Download(request.url, archive);
  const uint64_t ceiling = static_cast<uint64_t>(GuideUnpackCeiling(downloaded ? system.FileSize(archive) : 0));
  std::string document;
  // Kept unpacked, so the next start reads it without the archive step.
  auto keepXmltv = [&] {
    const std::optional<int64_t> free = system.FreeBytes(request.guideFolder);
    if (free && *free - kGuideFreeSpaceMargin < static_cast<int64_t>(document.size())) {
      LogLine(NoRoomLine());
      outcome = GuideUpdateOutcome::Damaged;
      xmltv = nullptr;
      return;
    }
    system.ClearAttributes(xmltvPath);
    if (system.WriteFile(xmltvPath, document)) {
      outcome = GuideUpdateOutcome::Updated;
      replaced = xmltvChanged = true;
    } else {
      outcome = GuideUpdateOutcome::Damaged;
      xmltv = nullptr;
    }
  };
  if (downloaded && !system.IsArchive(archive) &&
      (xmltv = ReadXmltvDownload(archive, system, request.localOffset, ceiling, document))) {
    keepXmltv();
  } else if (downloaded && system.IsArchive(archive)) {
    // The JTV files are the guide now, not an XMLTV file of an earlier update.
    auto removeStaleXmltv = [&] {
      if (system.FileSize(xmltvPath) < 0) return false;
      system.ClearAttributes(xmltvPath);
      system.RemoveFile(xmltvPath);
      return true;
    };
    // Unpacked apart first (beside the guide, so the moves are renames): a
    // damaged entry must not cost the user a channel's guide that the old
    // files still had.
    const std::string staging = request.guideFolder + ".new";
    system.RemoveTree(staging);
    outcome = GuideUpdateOutcome::Damaged;
    const GuideExtraction extraction = system.ExtractAll(archive, staging, ceiling);
    const bool whole = extraction == GuideExtraction::Whole;
    // Providers publish XMLTV as a ZIP of one document: with no JTV file in
    // it, the archive's XMLTV guide is the guide, and the JTV files stay.
    // Any other archive is unpacked into the guide folder as always. What a
    // ceiling stopped is not used at all.
    std::vector<std::string> unpacked;
    if (extraction != GuideExtraction::Refused) unpacked = system.FilesIn(staging);
    const bool jtv = std::any_of(unpacked.begin(), unpacked.end(), IsJtvFile);
    if (whole && !jtv) {
      for (const std::string& file : unpacked)
        if ((xmltv = ReadXmltvDownload(file, system, request.localOffset, ceiling, document))) break;
      if (xmltv) keepXmltv();
    }
    if (!whole && jtv) {
      // Some entry did not come out whole (the extraction deletes those): the
      // channels whose pair did are updated, every other keeps its old files.
      // A pair's name (upper-cased: file names ignore case) -> its two files.
      std::map<std::string, std::pair<std::string, std::string>> pairs;
      for (const std::string& file : unpacked) {
        if (!IsJtvFile(file)) continue;
        std::string key = file.substr(0, file.size() - 4);
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        auto& [ndx, pdt] = pairs[key];
        (std::tolower(static_cast<unsigned char>(file.back())) == 'x' ? ndx : pdt) = file;
      }
      int updated = 0;
      for (const auto& [key, files] : pairs) {
        const auto& [ndxPath, pdtPath] = files;
        std::string ndx, pdt;
        if (ndxPath.empty() || pdtPath.empty() || !system.ReadFile(ndxPath, kFileDownloadLimits.maxBytes, ndx) ||
            !system.ReadFile(pdtPath, kFileDownloadLimits.maxBytes, pdt))
          continue;
        replaced = true;
        const std::string ndxTarget = request.guideFolder + ndxPath.substr(staging.size());
        const std::string pdtTarget = request.guideFolder + pdtPath.substr(staging.size());
        system.ClearAttributes(ndxTarget);
        system.ClearAttributes(pdtTarget);
        if (system.WriteFile(ndxTarget, ndx) && system.WriteFile(pdtTarget, pdt)) ++updated;
      }
      if (updated > 0) {
        outcome = GuideUpdateOutcome::Updated;
        xmltvChanged = removeStaleXmltv() || xmltvChanged;
      }
    }
    if (whole && !xmltv) {
      for (const std::string& name : request.knownNames) {
        for (const char* ext : {".ndx", ".pdt"}) {
          const std::string path = request.guideFolder + "\\" + name + ext;
          system.ClearAttributes(path);
          system.RemoveFile(path);
        }
      }
      replaced = true;
      bool moved = true;
      for (const std::string& file : system.FilesBelow(staging)) {
        const std::string target = request.guideFolder + file.substr(staging.size());
        system.ClearAttributes(target);
        moved = system.MoveReplacing(file, target) && moved;
      }
      if (moved) outcome = GuideUpdateOutcome::Updated;
      xmltvChanged = removeStaleXmltv() || xmltvChanged;
    }
    system.RemoveTree(staging);
  }

  const std::string head = "#" + request.updateCaption + " : ";
  const std::string message = outcome == GuideUpdateOutcome::Updated
                                  ? head + std::to_string(GuideArchiveKb(system.FileSize(archive))) + " Kb"
                                  : head + "Error!";
  ui.toUi([ui, message, replaced, xmltvChanged, xmltv] {
    if (xmltvChanged && ui.setXmltv) ui.setXmltv(xmltv);
    if (replaced) {
      ui.clearCache();
      ui.rebuildCaptions();
    }
    ui.showOsd(message);
  });
  system.RemoveFile(archive);
  ui.toUi([ui] { ui.refillNames(); });
  return outcome;
}

}  // namespace strevo

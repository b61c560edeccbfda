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
#include "unzip/zip_host.h"

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

// A download or an unpacked file read as an XMLTV guide as it streams:
// through gzip when packed so (within the unpacking ratio alone; xz is
// unpacked whole, within `ceiling`), into
// the reader and into the kept guide file, which takes its place only when
// the guide was read whole. Null when it is no guide, or it could not be
// kept (`aGuide` tells the two apart); `outcome` says Updated, or Damaged for
// a guide that could not be kept.
std::shared_ptr<const XmltvGuide> ReadAndKeepXmltv(const std::string& path, GuideUpdateSystem& system,
                                                   const GuideUpdateRequest& request, uint64_t ceiling,
                                                   const std::string& keptPath, GuideUpdateOutcome& outcome,
                                                   bool& aGuide) {
  aGuide = false;
  std::unique_ptr<ZipReader> in = system.OpenFile(path);
  if (!in) return nullptr;
  char magic[6] = {};
  const uint32_t magicSize = static_cast<uint32_t>(std::min<uint64_t>(sizeof magic, in->Size()));
  if (!in->ReadAt(0, magic, magicSize)) return nullptr;
  const std::string_view head(magic, magicSize);
  // The temporary file counts against the room the disk keeps.
  const std::optional<int64_t> free = system.FreeBytes(request.guideFolder);
  const int64_t room = free ? *free - kGuideFreeSpaceMargin : INT64_MAX;
  std::unique_ptr<GuideFileWriter> kept = system.ReplaceFile(keptPath);
  XmltvStream stream(request.localOffset, request.list ? &*request.list : nullptr);
  int64_t written = 0;
  bool noRoom = false, writeFailed = false;
  auto piece = [&](std::string_view bytes) {
    if (!stream.Feed(bytes)) return false;  // no guide: nothing more to do
    written += static_cast<int64_t>(bytes.size());
    if (written > room) return !(noRoom = true);
    if (!kept || !kept->Write(bytes)) return !(writeFailed = true);
    return true;
  };
  bool whole = true, tooLarge = false;
  uint64_t limit = 0;
  if (IsGzip(head)) {
    // Streamed, so only the ratio holds it, against a small hostile file;
    // guides pack 5 to 30 times.
    constexpr uint64_t kRatio = static_cast<uint64_t>(kGuideUnpackRatio);
    limit = in->Size() > UINT64_MAX / kRatio ? UINT64_MAX : in->Size() * kRatio;
    const GunzipStatus status = GunzipFrom(*in, limit, piece);
    tooLarge = status == GunzipStatus::TooLarge;
    whole = status == GunzipStatus::Ok;
  } else if (IsXz(head)) {
    std::string bytes, document;
    in.reset();
    if (!system.ReadFile(path, kFileDownloadLimits.maxBytes, bytes)) return nullptr;
    limit = std::min<uint64_t>(ceiling, kFileDownloadLimits.maxBytes);
    const UnxzStatus status = Unxz(bytes, limit, document);
    tooLarge = status == UnxzStatus::TooLarge;
    whole = status == UnxzStatus::Ok;
    constexpr size_t kPiece = size_t{1} << 20;
    for (size_t at = 0; whole && at < document.size(); at += kPiece)
      whole = piece(std::string_view(document).substr(at, kPiece));
  } else {
    constexpr uint32_t kPiece = uint32_t{1} << 20;
    std::string block(kPiece, '\0');
    for (uint64_t at = 0; whole && at < in->Size(); at += kPiece) {
      const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kPiece, in->Size() - at));
      whole = in->ReadAt(at, block.data(), n) && piece(std::string_view(block.data(), n));
    }
  }
  auto guide = std::make_shared<XmltvGuide>();
  const XmltvStatus status = stream.Finish(*guide);
  if (tooLarge) {
    LogLine(CeilingLine(limit));
    return nullptr;
  }
  // Stopped for the disk while the guide read well so far: a guide not kept.
  if (noRoom || writeFailed) {
    if (noRoom) LogLine(NoRoomLine());
    aGuide = true;
    outcome = GuideUpdateOutcome::Damaged;
    return nullptr;
  }
  // A packed file that fails its check is no guide, whatever it decoded to.
  if (status != XmltvStatus::Ok || !whole) return nullptr;
  aGuide = true;
  system.ClearAttributes(keptPath);  // a read-only file could not be replaced
  if (!kept || !kept->Commit()) {
    outcome = GuideUpdateOutcome::Damaged;
    return nullptr;
  }
  if (guide->unreadableTimes > 0)
    LogLine("xmltv guide: " + std::to_string(guide->unreadableTimes) + " programmes dropped, their times unreadable");
  outcome = GuideUpdateOutcome::Updated;
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
  // Kept unpacked, so the next start reads it without the archive step.
  // True when the file was a guide, kept or not.
  auto readXmltv = [&](const std::string& file) {
    bool aGuide = false;
    xmltv = ReadAndKeepXmltv(file, system, request, ceiling, xmltvPath, outcome, aGuide);
    if (xmltv) replaced = xmltvChanged = true;
    return aGuide;
  };
  const bool isArchive = downloaded && system.IsArchive(archive);
  if (downloaded && !isArchive) {
    readXmltv(archive);
  } else if (isArchive) {
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
        if (readXmltv(file)) break;
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

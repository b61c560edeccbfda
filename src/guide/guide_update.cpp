#include "guide/guide_update.h"

#include <algorithm>
#include <cctype>

#include "config/config.h"
#include "guide/http.h"
#include "guide/unzip/gzip.h"

namespace strevo {

namespace {

// The download as an XMLTV guide: its document (unpacked when it came
// gzip-packed) and what it holds. Null when it is none.
std::shared_ptr<const XmltvGuide> ReadXmltvDownload(const std::string& path, GuideUpdateSystem& system,
                                                    const LocalOffsetAt& localOffset, std::string& document) {
  std::string bytes;
  if (!system.ReadFile(path, kFileDownloadLimits.maxBytes, bytes)) return nullptr;
  if (IsGzip(bytes)) {
    // Unpacked within the downloads' ceiling: a small file must not fill the memory.
    if (Gunzip(bytes, static_cast<uint64_t>(kFileDownloadLimits.maxBytes), document) != GunzipStatus::Ok)
      return nullptr;
  } else {
    document = std::move(bytes);
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
  std::string document;
  // Kept unpacked, so the next start reads it without the archive step.
  auto keepXmltv = [&] {
    if (system.WriteFile(xmltvPath, document)) {
      outcome = GuideUpdateOutcome::Updated;
      replaced = xmltvChanged = true;
    } else {
      outcome = GuideUpdateOutcome::Damaged;
      xmltv = nullptr;
    }
  };
  if (downloaded && !system.IsArchive(archive) &&
      (xmltv = ReadXmltvDownload(archive, system, request.localOffset, document))) {
    keepXmltv();
  } else if (downloaded && system.IsArchive(archive)) {
    // Unpacked apart first (beside the guide, so the moves are renames): a
    // damaged entry must not cost the user a channel's guide that the old
    // files still had.
    const std::string staging = request.guideFolder + ".new";
    system.RemoveTree(staging);
    outcome = GuideUpdateOutcome::Damaged;
    const bool whole = system.ExtractAll(archive, staging);
    // Providers publish XMLTV as a ZIP of one document: with no JTV file in
    // it, the archive's XMLTV guide is the guide, and the JTV files stay.
    // Any other archive is unpacked into the guide folder as always.
    std::vector<std::string> unpacked = whole ? system.FilesIn(staging) : std::vector<std::string>();
    const bool jtv = std::any_of(unpacked.begin(), unpacked.end(), IsJtvFile);
    if (whole && !jtv) {
      for (const std::string& file : unpacked)
        if ((xmltv = ReadXmltvDownload(file, system, request.localOffset, document))) break;
      if (xmltv) keepXmltv();
    }
    if (whole && !xmltv) {
      for (const std::string& name : request.knownNames) {
        system.RemoveFile(request.guideFolder + "\\" + name + ".ndx");
        system.RemoveFile(request.guideFolder + "\\" + name + ".pdt");
      }
      replaced = true;
      if (system.MoveFilesInto(staging, request.guideFolder)) outcome = GuideUpdateOutcome::Updated;
      // The JTV files are the guide now, not an XMLTV file of an earlier update.
      if (system.FileSize(xmltvPath) >= 0) {
        system.RemoveFile(xmltvPath);
        xmltvChanged = true;
      }
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

#include "guide/guide_update.h"

#include "config/config.h"

namespace strevo {

long long GuideArchiveKb(int64_t bytes) { return RoundHalfEven(static_cast<double>(bytes) / 1024.0); }

GuideUpdateOutcome UpdateGuide(const GuideUpdateRequest& request, GuideUpdateSystem& system, const GuideUpdateUi& ui) {
  const std::string archive = request.tempFolder + "\\TVGuide.zip";
  system.RemoveFile(archive);
  if (request.url.empty()) return GuideUpdateOutcome::NoAddress;

  GuideUpdateOutcome outcome = GuideUpdateOutcome::NotArchive;
  bool replaced = false;  // old files are gone: the cache and captions must follow
  if (system.Download(request.url, archive) && system.IsArchive(archive)) {
    // Unpacked apart first (beside the guide, so the moves are renames): a
    // damaged entry must not cost the user a channel's guide that the old
    // files still had.
    const std::string staging = request.guideFolder + ".new";
    system.RemoveTree(staging);
    outcome = GuideUpdateOutcome::Damaged;
    if (system.ExtractAll(archive, staging)) {
      for (const std::string& name : request.knownNames) {
        system.RemoveFile(request.guideFolder + "\\" + name + ".ndx");
        system.RemoveFile(request.guideFolder + "\\" + name + ".pdt");
      }
      replaced = true;
      if (system.MoveFilesInto(staging, request.guideFolder)) outcome = GuideUpdateOutcome::Updated;
    }
    system.RemoveTree(staging);
  }

  const std::string head = "#" + request.updateCaption + " : ";
  const std::string message = outcome == GuideUpdateOutcome::Updated
                                  ? head + std::to_string(GuideArchiveKb(system.FileSize(archive))) + " Kb"
                                  : head + "Error!";
  ui.toUi([ui, message, replaced] {
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

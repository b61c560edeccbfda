// The task file beside the executable (".Shed.ini"), read by the player and
// the agent once a minute and written whole by the scheduler window.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "scheduler/shed_runs.h"
#include "scheduler/shed_tasks.h"

namespace strevo {

std::string ShedFilePath();

// The file as the window loads it; nothing when it does not exist or cannot
// be read. Texts are taken in the system's ANSI code page.
std::optional<ShedFile> LoadShedFile(const std::string& path);

// The readers' answer: false with `list` untouched when the file is missing;
// otherwise as ReadShedTasks over its bytes (a damaged file is logged).
bool ReadShedTasksFile(const std::string& path, std::vector<ShedTask>& list);

// With tasks: the whole file goes to a temporary file in the same folder that
// then replaces the old one, so a crash leaves either file whole. Without
// tasks the file is deleted: a missing file means no tasks, switched off.
// False when nothing could be written or deleted.
bool WriteShedTasksFile(const std::string& path, bool switchOn, const std::vector<ShedTask>& tasks);

// The run record beside the exe (".Shed.run"): which task minutes have run.
std::string ShedRunsPath();
// Nothing ran when the file is missing or unreadable.
ShedRuns ReadShedRuns();
// Adds one run and writes the record whole (older runs dropped); false when
// it could not be written.
bool RecordShedRun(int64_t minute, uint64_t key);

}  // namespace strevo

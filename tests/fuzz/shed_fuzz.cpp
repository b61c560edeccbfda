// libFuzzer target: the scheduler's task file reader, and what every reader
// then computes from a record (the due test, the end check, the duration).

#include <cstddef>
#include <cstdint>
#include <string>

#include "scheduler/shed_tasks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const strevo::ShedFile f = strevo::ParseShedFile(bytes, 1251);
  // Only whole records are read.
  const size_t whole = size < strevo::kShedHeaderSize ? 0 : (size - strevo::kShedHeaderSize) / strevo::kShedRecordSize;
  if (f.tasks.size() > whole || f.tasks.size() > strevo::kShedMaxTasks) __builtin_trap();
  if (!f.versionOk && (f.switchOn || !f.tasks.empty())) __builtin_trap();

  const strevo::DateTime now = strevo::EncodeDateTime(strevo::DateTimeParts{2026, 12, 8, 22, 0, 0, 0});
  for (const strevo::ShedTask& t : f.tasks) {
    const int minutes = strevo::TaskDurationMinutes(t);
    if (minutes < 0 || minutes >= 1440) __builtin_trap();
    const bool due = strevo::TaskDueAt(t, now);
    if (due && t.Enabled != 1) __builtin_trap();
    strevo::TaskEndsAt(t, now);
    strevo::TaskKind(t);
  }

  // What is written back reads back as the same file.
  const std::string written = strevo::WriteShedTasks(f.switchOn, f.tasks, 1251);
  const strevo::ShedFile again = strevo::ParseShedFile(written, 1251);
  if (!again.versionOk || again.damaged || again.switchOn != f.switchOn || again.tasks.size() != f.tasks.size())
    __builtin_trap();
  if (strevo::WriteShedTasks(again.switchOn, again.tasks, 1251) != written) __builtin_trap();
  return 0;
}
